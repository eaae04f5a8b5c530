#include "ui/panellinks.h"

#include <QEnterEvent>
#include <QHBoxLayout>
#include <QPainter>

namespace zorvik::ui {

const QColor LinkButton::kHovered{Qt::red};

LinkButton::LinkButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setCursor(Qt::PointingHandCursor);
    // A label took no focus on the shop's station; the tab order stays as it was.
    setFocusPolicy(Qt::NoFocus);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

QSize LinkButton::sizeHint() const {
    const QFontMetrics metrics(font());
    return {metrics.horizontalAdvance(text()) + 2, metrics.height()};
}

void LinkButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(textColour());
    painter.drawText(rect(), Qt::AlignCenter, text());
}

void LinkButton::enterEvent(QEnterEvent* event) {
    hovered_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void LinkButton::leaveEvent(QEvent* event) {
    hovered_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

PanelLinks::PanelLinks(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("panelLinks"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    auto link = [this, row](const QString& text, const char* name) {
        auto* button = new LinkButton(text, this);
        button->setObjectName(QLatin1String(name));
        row->addWidget(button);
        return button;
    };
    disclaimer_ = link(QStringLiteral("免责声明"), "disclaimerLink");
    row->addStretch();
    about_ = link(QStringLiteral("关于我们"), "aboutLink");
    row->addStretch();
    homePage_ = link(QStringLiteral("网站主页"), "homePageLink");
    connect(disclaimer_, &QAbstractButton::clicked, this, &PanelLinks::disclaimerRequested);
    connect(about_, &QAbstractButton::clicked, this, &PanelLinks::aboutRequested);
    connect(homePage_, &QAbstractButton::clicked, this, &PanelLinks::homePageRequested);
}

}  // namespace zorvik::ui
