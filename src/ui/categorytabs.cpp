#include "ui/categorytabs.h"

#include <QMouseEvent>

namespace zorvik::ui {

CategoryTabs::CategoryTabs(QWidget* parent) : QTabBar(parent) {
    setObjectName(QStringLiteral("categoryTabs"));
    for (const char16_t* caption : {u"1音乐", u"2MTV", u"3电影", u"4连续剧", u"图片", u"5电子书", u"6游戏",
                                    u"7故事片", u"8小品", u"9戏曲", u"0有声书", u"电脑高清"})
        addTab(QString::fromUtf16(caption));
    // The designed 65 by 35 tabs hold four characters only without the style's padding.
    setStyleSheet(QStringLiteral("QTabBar::tab { width: 65px; height: 35px; padding: 0px; "
                                 "color: red; font-weight: bold; }"));
    setExpanding(false);
    setUsesScrollButtons(false);
    setDrawBase(true);
}

void CategoryTabs::mousePressEvent(QMouseEvent* event) {
    QTabBar::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && tabAt(event->position().toPoint()) >= 0) Q_EMIT pressed();
}

}  // namespace zorvik::ui
