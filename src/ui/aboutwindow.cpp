#include "ui/aboutwindow.h"

#include <QGroupBox>
#include <QPushButton>
#include <QShortcut>
#include <QTextEdit>
#include <QVBoxLayout>

#include "core/folders.h"
#include "core/makerpages.h"
#include "core/settings.h"

namespace zorvik::ui {

namespace {

const QString kMaker = QStringLiteral("Zorvik影音 开发组");
const QString kSignedOn = QStringLiteral("2015年10月10日");

QString aboutWords(const QString& homePage, const QString& telephone) {
    return QStringLiteral("Zorvik影音 手机下载系统  " ZORVIK_VERSION " 版（2015）\n\n") +
           QStringLiteral("设计与开发：") + kMaker + u'\n' +
           QStringLiteral("客服电话：") +
           (telephone.isEmpty() ? QStringLiteral("请向本店柜台咨询") : telephone) + u'\n' +
           QStringLiteral("网站：") + homePage + QStringLiteral("\n\n") +
           QStringLiteral("版权声明：本软件的著作权归 ") + kMaker +
           QStringLiteral(" 所有。使用本软件的门店有权在本店的电脑上安装本软件，"
                          "用它为顾客查找和下载资源；门店有义务保证所提供资源的来源合法，"
                          "不得复制、出租或转售本软件，不得删改本软件的版权信息。\n\n"
                          "支持国产软件，用好国产软件，让我们自己的软件一天比一天强！\n\n") +
           kMaker + u'\n' + kSignedOn;
}

QString disclaimerWords() {
    return QStringLiteral("请在使用本软件之前仔细阅读本声明。使用本软件，即表示您已阅读并接受本声明的全部条款。\n\n"
                          "一、本声明具有法律约束力，本软件的使用者与开发者均受其约束。\n\n"
                          "二、本软件不含任何插件、病毒或木马程序。如发现任何不安全的文件，"
                          "请及时告知开发者。\n\n"
                          "三、本软件是管理使用者自己电脑上文件的工具。文件丢失或电脑软硬件出现故障时，"
                          "开发者尽力协助解决，但不承担由此产生的责任。\n\n"
                          "四、使用本软件必须遵守《中华人民共和国宪法》和国家的法律法规。"
                          "违法使用本软件的，一切责任由使用者自行承担。\n\n") +
           kMaker + u'\n' + kSignedOn;
}

QGroupBox* textGroup(const QString& caption, const char* name, QTextEdit*& text, QWidget* parent) {
    auto* group = new QGroupBox(caption, parent);
    group->setObjectName(QLatin1String(name));
    group->setGeometry(8, 6, 475, 370);
    group->setAutoFillBackground(true);  // the group below does not show through
    text = new QTextEdit(group);
    text->setObjectName(QLatin1String(name) + QStringLiteral("Text"));
    text->setAccessibleName(caption);
    text->setReadOnly(true);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(text);
    return group;
}

}  // namespace

TGYuForm4::TGYuForm4(const core::Settings& settings, const core::ProgramFolders& folders, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      settings_(settings),
      folders_(folders) {
    setObjectName(QStringLiteral("GYuForm4"));
    setWindowTitle(QStringLiteral("Brask搜歌手机下载系统"));
    setFixedSize(491, 427);
    setAttribute(Qt::WA_QuitOnClose, false);

    aboutGroup_ = textGroup(QStringLiteral("关于我们"), "aboutGroup", aboutText_, this);
    // White on light steel blue, flat border.
    aboutText_->setStyleSheet(QStringLiteral(
        "QTextEdit { color: white; background-color: rgb(133, 173, 192); border: 1px solid rgb(96, 128, 144); }"));
    disclaimerGroup_ = textGroup(QStringLiteral("免责声明"), "disclaimerGroup", disclaimerText_, this);
    disclaimerText_->setPlainText(disclaimerWords());
    disclaimerGroup_->raise();

    closeButton_ = new QPushButton(QStringLiteral("关闭"), this);
    closeButton_->setObjectName(QStringLiteral("closeButton"));
    closeButton_->setGeometry(205, 386, 80, 30);
    connect(closeButton_, &QPushButton::clicked, this, &QWidget::close);
    // At the keyboard: the window opens with "关闭" focused, and Esc closes it too.
    setFocusProxy(closeButton_);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
}

void TGYuForm4::showEvent(QShowEvent* event) {
    // The home page and the shop's telephone as they are now.
    aboutText_->setPlainText(aboutWords(core::makerPages(settings_, folders_).home.toDisplayString(),
                                       QString::fromStdString(settings_.read(core::keys::kShopTelephone))));
    QWidget::showEvent(event);
}

void TGYuForm4::bringUp() {
    show();
    raise();
    activateWindow();
}

void TGYuForm4::showAbout() {
    disclaimerGroup_->hide();
    bringUp();
}

void TGYuForm4::showDisclaimer() {
    disclaimerGroup_->show();
    bringUp();
}

}  // namespace zorvik::ui
