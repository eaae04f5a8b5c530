#include "ui/basicsettingspanel.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>

#include "app/station.h"
#include "library/drivemap.h"
#include "library/drivesetup.h"
#include "library/layout.h"
#include "platform/mounttable.h"
#include "platform/shell.h"
#include "ui/drivefolderdialog.h"
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
    "选好后按回车：这个盘符在本机还没有对应的文件夹时，软件会请您选一个文件夹作为该盘（本机的数据硬盘列在左边）。"
    "软件会在该盘自动建好“Brask搜歌库”资源库和十二个分类文件夹，盘符下面显示它对应的文件夹。\n"
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

// "E盘：/srv/library" for the drive a box text names; empty for no drive.
QString driveFolderText(const platform::DriveTable& drives, const std::string& boxText) {
    auto letter = library::driveOfBoxText(boxText);
    if (!letter) return {};
    const QString drive = QChar::fromLatin1(*letter) + QStringLiteral("盘：");
    auto folder = library::folderOfDrive(drives, *letter);
    if (!folder) return drive + QStringLiteral("未对应文件夹");
    const QString path = QString::fromStdString(folder->folder);
    return drive + (folder->present ? path : path + QStringLiteral("（不存在）"));
}

bool isEnter(const QEvent* event) {
    const int key = static_cast<const QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter;
}

}  // namespace

QImage BasicSettingsPanel::folderTreeImage() { return QImage(QStringLiteral(":/pictures/foldertree.jpg")); }

BasicSettingsPanel::BasicSettingsPanel(app::Station& station, SearchPanel& quickDrives,
                                       const std::vector<std::string>& inputMethods, QWidget* client)
    : QFrame(client), station_(station), quickDrives_(quickDrives), openFolder_([&station](const std::string& path) { return platform::openFolder(station.driveTable(), path); }) {
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

    // Step 1: the six library drives, three to a row, each with the folder
    // its letter names and its button below.
    text(this, QStringLiteral("第一步:选择歌曲所在盘符:"), {24, 80, 400, 22}, true);
    text(this, QStringLiteral("1.如你的歌曲保存在E盘,就选 E ,至少要设置一个，最多可设置六个，请勿多设，乱设,重设 "),
         {40, 104, 670, 20});
    text(this, QStringLiteral("2.不能选择光驱盘符,等不可写磁盘盘符"), {40, 126, 670, 20});
    for (size_t n = 0; n < driveBoxes_.size(); ++n) {
        const int x = 40 + static_cast<int>(n % 3) * 226;
        const int y = 154 + static_cast<int>(n / 3) * 80;
        text(this, QStringLiteral("歌库盘符%1:").arg(n + 1), {x, y, 84, 24});
        auto* box = new QComboBox(this);
        box->setObjectName(QLatin1String(kDriveBoxNames[n]));
        box->setAccessibleName(QStringLiteral("歌库盘符%1").arg(n + 1));
        setUpDriveBox(box);
        box->setGeometry(x + 86, y, 60, 24);
        connect(box, &QComboBox::editTextChanged, this,
                [this, n](const QString& t) { driveBoxChanged(static_cast<int>(n), t); });
        // A choice in the list is settled when the list closes on it; the
        // arrow keys on the closed box only pass through the letters.
        box->installEventFilter(this);
        box->view()->installEventFilter(this);
        box->view()->viewport()->installEventFilter(this);
        driveBoxes_[n] = box;

        auto* folder = text(this, QString(), {x, y + 28, 220, 18});
        folder->setObjectName(QStringLiteral("driveFolder%1").arg(n + 1));
        folder->setForegroundRole(QPalette::PlaceholderText);
        folderLabels_[n] = folder;

        auto* open = new QPushButton(openCaption(QStringLiteral("E")), this);
        open->setObjectName(QStringLiteral("openLibraryButton%1").arg(n + 1));
        open->setGeometry(x, y + 48, 146, 26);
        open->hide();
        connect(open, &QPushButton::clicked, this, [this, n] { openLibrary(static_cast<int>(n)); });
        openButtons_[n] = open;
    }

    text(this, QStringLiteral("第二步：在下面选择您喜欢的输入法:"), {24, 320, 400, 22}, true);
    text(this, QStringLiteral("输入法选择框:"), {40, 348, 100, 24});
    inputMethodBox_ = new QComboBox(this);
    inputMethodBox_->setObjectName(QStringLiteral("inputMethodBox"));
    inputMethodBox_->setGeometry(142, 348, 260, 24);
    for (const auto& name : inputMethods) inputMethodBox_->addItem(QString::fromStdString(name));
    inputMethodBox_->setCurrentIndex(-1);  // nothing chosen until the operator chooses
    connect(inputMethodBox_, &QComboBox::currentTextChanged, this, [this](const QString& name) {
        station_.settings().write(core::keys::kInputMethod, name.toStdString());
        station_.cues().request(core::Cues::Select);
    });

    text(this, QStringLiteral("第三步：进入所选盘符目录，移动影音文件到相应文件夹"), {24, 384, 500, 22}, true);
    text(this, QStringLiteral("1.注：最重要的一步"), {40, 408, 500, 20});
    text(this, QStringLiteral("2.资源库和软件一起购买的可省去这一步。"), {40, 430, 500, 20});

    text(this, QStringLiteral("第四步：点击 确定设置完毕"), {24, 458, 400, 22}, true);
    text(this, QStringLiteral("1.基本设置到此圆满完成。"), {40, 482, 400, 20});
    doneButton_ = new QPushButton(QStringLiteral("确定设置完毕"), this);
    doneButton_->setObjectName(QStringLiteral("doneButton"));
    doneButton_->setGeometry(500, 468, 150, 34);
    connect(doneButton_, &QPushButton::clicked, this, [this] {
        hide();
        quickDrives_.focusSearchBox();  // the keyboard goes on with a search
    });

    folderTreePicture_ = new QLabel(this);
    folderTreePicture_->setObjectName(QStringLiteral("folderTreePicture"));
    folderTreePicture_->setGeometry(QRect(QPoint(724, 36), kFolderTreeSize));

    instructions_ = new QPlainTextEdit(kInstructions, this);
    instructions_->setObjectName(QStringLiteral("instructions"));
    instructions_->setReadOnly(true);
    instructions_->setGeometry(16, 512, 977, 160);
}

void BasicSettingsPanel::showEvent(QShowEvent* event) {
    // Decoded when first needed: most starts never show the panel, and the
    // picture decoders need not be loaded for them.
    if (folderTreePicture_->pixmap().isNull()) folderTreePicture_->setPixmap(QPixmap::fromImage(folderTreeImage()));
    showDriveFolders();
    QFrame::showEvent(event);
}

bool BasicSettingsPanel::eventFilter(QObject* watched, QEvent* event) {
    for (size_t n = 0; n < driveBoxes_.size(); ++n) {
        QComboBox* box = driveBoxes_[n];
        const int index = static_cast<int>(n);
        if (watched == box) {
            // Enter settles the box; it starts no search behind the panel.
            if (event->type() == QEvent::ShortcutOverride && isEnter(event)) {
                event->accept();
                return true;
            }
            if (event->type() == QEvent::KeyPress && isEnter(event)) {
                driveBoxChosen(index);
                return true;
            }
            if (event->type() == QEvent::FocusOut &&
                static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
                QMetaObject::invokeMethod(this, [this, index] { driveBoxChosen(index); }, Qt::QueuedConnection);
        } else if ((watched == box->view() && event->type() == QEvent::KeyPress && isEnter(event)) ||
                   (watched == box->view()->viewport() && event->type() == QEvent::MouseButtonRelease)) {
            // The list takes the choice after this event: look at it then.
            QMetaObject::invokeMethod(this, [this, index] { driveBoxChosen(index); }, Qt::QueuedConnection);
        }
    }
    return QFrame::eventFilter(watched, event);
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

void BasicSettingsPanel::showDriveFolders() {
    for (size_t n = 0; n < folderLabels_.size(); ++n) {
        const QString shown = driveFolderText(station_.driveTable(), station_.libraryDrives()[n]);
        folderLabels_[n]->setText(folderLabels_[n]->fontMetrics().elidedText(shown, Qt::ElideMiddle,
                                                                            folderLabels_[n]->width()));
        folderLabels_[n]->setToolTip(shown);
    }
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
    library::createCategoryFolders(station_.driveTable(), drive);
    offered_[static_cast<size_t>(index)] = 0;
    showDriveFolders();
    station_.cues().request(core::Cues::Select);
}

void BasicSettingsPanel::driveBoxChosen(int index) {
    auto letter = library::driveOfBoxText(driveBoxes_[static_cast<size_t>(index)]->currentText().toStdString());
    char& offered = offered_[static_cast<size_t>(index)];
    if (!letter || offered == *letter) return;
    if (auto folder = library::folderOfDrive(station_.driveTable(), *letter); folder && folder->present) return;
    offered = *letter;  // before the dialog: leaving the box for it settles nothing more
    const std::string folder =
        chooseDriveFolder(window(), *letter, platform::fixedDataDisks(platform::readMountTable()));
    if (folder.empty()) return;
    library::mapDrive(station_.driveTable(), station_.settings(), *letter, folder);
    library::createCategoryFolders(station_.driveTable(), std::string(1, *letter));
    showDriveFolders();
    station_.cues().request(core::Cues::Select);
}

void BasicSettingsPanel::openLibrary(int index) {
    const QString letter = driveBoxes_[static_cast<size_t>(index)]->currentText();
    if (openFolder_) openFolder_(library::libraryRoot(letter.toStdString()));
}

}  // namespace zorvik::ui
