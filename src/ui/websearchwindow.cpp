#include "ui/websearchwindow.h"

#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

#include "ui/focusselect.h"
#include "ui/webpane.h"

namespace zorvik::ui {

namespace {
constexpr int kButtonRowHeight = 40;
}

Twang::Twang(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("wang"));
    setWindowTitle(QStringLiteral("  Brask搜歌 ----网  络  搜  索"));
    resize(1000, 700);
    // Only the main window's close ends the program, even with this one open.
    setAttribute(Qt::WA_QuitOnClose, false);

    keyword_ = new QLineEdit(this);
    keyword_->setObjectName(QStringLiteral("keywordField"));
    keyword_->setAccessibleName(QStringLiteral("关键字"));
    keyword_->setGeometry(8, 8, 260, 26);
    selectAllOnFocus(keyword_);

    int x = 276;
    auto addButton = [&](const QString& caption, const char* name) {
        auto* button = new QPushButton(caption, this);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(x, 8, 72, 26);
        x += 78;
        return button;
    };
    connect(addButton(QStringLiteral("复制"), "copyButton"), &QPushButton::clicked, this, &Twang::copyMarked);
    connect(addButton(QStringLiteral("百度"), "baiduButton"), &QPushButton::clicked, this,
            [this] { showService(search::WebService::Baidu); });
    connect(addButton(QStringLiteral("搜狗"), "sogouButton"), &QPushButton::clicked, this,
            [this] { showService(search::WebService::Sogou); });
    connect(addButton(QStringLiteral("最小化"), "minimiseButton"), &QPushButton::clicked, this,
            &QWidget::showMinimized);
    connect(addButton(QStringLiteral("还原"), "restoreButton"), &QPushButton::clicked, this, &QWidget::showNormal);

    paneA_ = new WebPane(this);
    paneA_->setObjectName(QStringLiteral("browserA"));
    paneA_->hide();
    paneB_ = new WebPane(this);
    paneB_->setObjectName(QStringLiteral("browserB"));
    paneB_->raise();

    // Enter in the keyword field does what the button of the page in front does.
    connect(keyword_, &QLineEdit::returnPressed, this, [this] {
        showService(paneA_->isVisibleTo(this) ? search::WebService::Baidu : search::WebService::Sogou);
    });
}

WebPane* Twang::pane(search::WebService service) const {
    return service == search::WebService::Baidu ? paneA_ : paneB_;
}

void Twang::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The web engine starts with the window's first show, not with the program.
    paneA_->start();
    paneB_->start();
}

void Twang::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QRect place(0, kButtonRowHeight, width(), std::max(height() - kButtonRowHeight, 0));
    paneA_->setGeometry(place);
    paneB_->setGeometry(place);
}

void Twang::bringUp() {
    showNormal();
    raise();
    activateWindow();
}

void Twang::webSearch(const QString& keyword) {
    paneA_->load(search::webSearchAddress(search::WebService::Baidu, keyword));
    paneB_->load(search::webSearchAddress(search::WebService::Sogou, keyword));
    bringUp();
    keyword_->setText(keyword);
    keywords_.sentToBoth(keyword);
}

void Twang::showService(search::WebService service) {
    WebPane* shown = pane(service);
    WebPane* other = shown == paneA_ ? paneB_ : paneA_;
    const QString text = keyword_->text();
    if (keywords_.takeFieldText(service, text)) shown->load(search::webSearchAddress(service, text));
    bringUp();
    // The Windows browser control was hidden by moving it off the window;
    // hiding it is enough here.
    other->hide();
    shown->show();
    shown->raise();
}

void Twang::copyMarked() {
    // Before either page holds a document there is nothing to take, and the
    // operator's keyword stays.
    if (!paneA_->hasDocument() && !paneB_->hasDocument()) return;
    keyword_->setText(paneA_->selectedText() + paneB_->selectedText());
    keyword_->setFocus();
    keyword_->selectAll();
    keyword_->copy();
}

}  // namespace zorvik::ui
