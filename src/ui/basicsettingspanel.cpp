#include "ui/basicsettingspanel.h"

#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/station.h"
#include "library/drivesetup.h"
#include "library/layout.h"
#include "platform/shell.h"
#include "ui/searchpanel.h"

namespace zorvik::ui {

namespace {

constexpr std::array<const char*, 6> kDriveBoxNames{"ComboBox6",  "ComboBox7",  "ComboBox8",
                                                    "ComboBox19", "ComboBox23", "ComboBox24"};

const QString kInstructions = QStringLiteral(
    "欢迎使用本店手机下载系统！第一次使用前，请按下面四步完成基本设置。\n"
    "\n"
    "第一步：选择歌曲所在盘符\n"
    "    在“歌库盘符1”至“歌库盘符6”中选择存放影音资源的硬盘盘符。例如歌曲保存在E盘，就选 E。"
    "至少设置一个，最多设置六个，请勿多设、乱设、重设；不能选择光驱等不可写磁盘的盘符。"
    "选好后，软件会在该盘自动建好“Brask搜歌库”资源库和十二个分类文件夹。\n"
    "\n"
    "第二步：选择输入法\n"
    "    在“输入法选择框”中选择您习惯的输入法，以后查找歌曲时搜索框会自动切换到这个输入法。\n"
    "\n"
    "第三步：把影音文件移动到相应的分类文件夹（最重要的一步）\n"
    "    点击“打开X盘资源库”按钮进入资源库，按下面的对应关系移动文件：\n"
    "        mp3歌曲 → 1-音乐\n"
    "        3gp歌曲 → 2-MTV\n"
    "        电影 → 3-电影\n"
    "        连续剧（每部一个文件夹） → 4-连续剧\n"
    "        图片 → 5-图片\n"
    "        电子书 → 6-电子书\n"
    "        手机游戏 → 7-游戏\n"
    "        成人电影 → 8-伦理片\n"
    "        小品 → 9-小品\n"
    "        演唱会 → 10-演唱会\n"
    "        铃声 → 11-铃声\n"
    "        其它所有文件 → 12-其它\n"
    "    资源库和软件一起购买的，可省去这一步。\n"
    "\n"
    "第四步：点击“确定设置完毕”\n"
    "    基本设置到此完成。请关闭软件后重新启动，让新的设置全部生效。"
    "以后需要修改时，在主窗口空白处点右键，选“基本设置”即可。\n"
    "\n"
    "使用中有任何问题，欢迎联系为您安装本软件的销售商，联系方式见主窗口左下角的“关于我们”。");

QLabel* text(QWidget* parent, const QString& caption, QRect bounds, bool bold = false) {
    auto* label = new QLabel(caption, parent);
    label->setGeometry(bounds);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return label;
}

QString openCaption(const QString& letter) { return QStringLiteral("打开") + letter + QStringLiteral("盘资源库"); }

}  // namespace

QImage BasicSettingsPanel::folderTreeImage() { return QImage(QStringLiteral(":/pictures/foldertree.jpg")); }

BasicSettingsPanel::BasicSettingsPanel(app::Station& station, SearchPanel& quickDrives,
                                       const std::vector<std::string>& inputMethods, QWidget* client)
    : QFrame(client), station_(station), quickDrives_(quickDrives), openFolder_(platform::openFolder) {
    setObjectName(QStringLiteral("basicSettingsPanel"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setGeometry(0, -24, 1009, 681);  // the top 24 pixels lie above the client area
    hide();

    auto* title = text(this, QStringLiteral("基 本 设 置"), {300, 32, 200, 36}, true);
    QFont big = title->font();
    big.setPixelSize(26);
    title->setFont(big);
    title->setObjectName(QStringLiteral("title"));
    text(this, QStringLiteral("（四步，请仔细设置）"), {500, 42, 200, 22});

    // Step 1: the six library drives, three to a row, each with its button below.
    text(this, QStringLiteral("第一步:选择歌曲所在盘符:"), {24, 80, 400, 22}, true);
    text(this, QStringLiteral("1.如你的歌曲保存在E盘,就选 E ,至少要设置一个，最多可设置六个，请勿多设，乱设,重设 "),
         {40, 104, 670, 20});
    text(this, QStringLiteral("2.不能选择光驱盘符,等不可写磁盘盘符"), {40, 126, 670, 20});
    for (size_t n = 0; n < driveBoxes_.size(); ++n) {
        const int x = 40 + static_cast<int>(n % 3) * 226;
        const int y = 154 + static_cast<int>(n / 3) * 62;
        text(this, QStringLiteral("歌库盘符%1:").arg(n + 1), {x, y, 84, 24});
        auto* box = new QComboBox(this);
        box->setObjectName(QLatin1String(kDriveBoxNames[n]));
        setUpDriveBox(box);
        box->setGeometry(x + 86, y, 60, 24);
        connect(box, &QComboBox::editTextChanged, this,
                [this, n](const QString& t) { driveBoxChanged(static_cast<int>(n), t); });
        driveBoxes_[n] = box;

        auto* open = new QPushButton(openCaption(QStringLiteral("E")), this);
        open->setObjectName(QStringLiteral("openLibraryButton%1").arg(n + 1));
        open->setGeometry(x, y + 28, 146, 26);
        open->hide();
        connect(open, &QPushButton::clicked, this, [this, n] { openLibrary(static_cast<int>(n)); });
        openButtons_[n] = open;
    }

    text(this, QStringLiteral("第二步：在下面选择您喜欢的输入法:"), {24, 284, 400, 22}, true);
    text(this, QStringLiteral("输入法选择框:"), {40, 312, 100, 24});
    inputMethodBox_ = new QComboBox(this);
    inputMethodBox_->setObjectName(QStringLiteral("inputMethodBox"));
    inputMethodBox_->setGeometry(142, 312, 260, 24);
    for (const auto& name : inputMethods) inputMethodBox_->addItem(QString::fromStdString(name));
    inputMethodBox_->setCurrentIndex(-1);  // nothing chosen until the operator chooses
    connect(inputMethodBox_, &QComboBox::currentTextChanged, this, [this](const QString& name) {
        station_.settings().write(core::keys::kInputMethod, name.toStdString());
        station_.cues().request(core::Cues::Select);
    });

    text(this, QStringLiteral("第三步：进入所选盘符目录，移动影音文件到相应文件夹"), {24, 348, 500, 22}, true);
    text(this, QStringLiteral("1.注：最重要的一步"), {40, 372, 500, 20});
    text(this, QStringLiteral("2.资源库和软件一起购买的可省去这一步。"), {40, 394, 500, 20});

    text(this, QStringLiteral("第四步：点击 确定设置完毕"), {24, 424, 400, 22}, true);
    text(this, QStringLiteral("1.基本设置到此圆满完成。"), {40, 448, 400, 20});
    doneButton_ = new QPushButton(QStringLiteral("确定设置完毕"), this);
    doneButton_->setObjectName(QStringLiteral("doneButton"));
    doneButton_->setGeometry(500, 436, 150, 34);
    connect(doneButton_, &QPushButton::clicked, this, &QWidget::hide);

    folderTreePicture_ = new QLabel(this);
    folderTreePicture_->setObjectName(QStringLiteral("folderTreePicture"));
    folderTreePicture_->setGeometry(QRect(QPoint(724, 36), kFolderTreeSize));

    instructions_ = new QPlainTextEdit(kInstructions, this);
    instructions_->setObjectName(QStringLiteral("instructions"));
    instructions_->setReadOnly(true);
    instructions_->setGeometry(16, 486, 977, 186);
}

void BasicSettingsPanel::showEvent(QShowEvent* event) {
    // Decoded when first needed: most starts never show the panel, and the
    // picture decoders need not be loaded for them.
    if (folderTreePicture_->pixmap().isNull()) folderTreePicture_->setPixmap(QPixmap::fromImage(folderTreeImage()));
    QFrame::showEvent(event);
}

void BasicSettingsPanel::showOverWindow() {
    show();
    raise();
    // The keys go to the panel, not to the covered control that had them.
    driveBoxes_[0]->setFocus(Qt::TabFocusReason);
}

bool BasicSettingsPanel::focusNextPrevChild(bool next) {
    QWidget* from = QApplication::focusWidget();
    if (!from || !isAncestorOf(from)) from = this;
    QWidget* w = from;
    do {
        w = next ? w->nextInFocusChain() : w->previousInFocusChain();
        if (isAncestorOf(w) && w->isVisible() && w->isEnabled() && !w->focusProxy() &&
            (w->focusPolicy() & Qt::TabFocus)) {
            w->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    } while (w != from);
    return false;
}

void BasicSettingsPanel::driveBoxChanged(int index, const QString& text) {
    const std::string drive = text.toStdString();
    library::storeLibraryDrive(station_.settings(), index + 1, drive);
    QPushButton* open = openButtons_[static_cast<size_t>(index)];
    // The blank entry, or a box emptied by hand, chooses no drive: the quick
    // box keeps the drive the walks use until the next start.
    if (text.trimmed().isEmpty()) {
        open->hide();
    } else {
        open->setText(openCaption(text));
        open->show();
        quickDrives_.showLibraryDrive(index, text);
    }
    library::createCategoryFolders(drive);
    station_.cues().request(core::Cues::Select);
}

void BasicSettingsPanel::openLibrary(int index) {
    const QString letter = driveBoxes_[static_cast<size_t>(index)]->currentText();
    if (openFolder_) openFolder_(library::libraryRoot(letter.toStdString()));
}

}  // namespace zorvik::ui
