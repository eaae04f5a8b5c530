#include "ui/categorytabs.h"

#include <QMouseEvent>

namespace zorvik::ui {

CategoryTabs::CategoryTabs(QWidget* parent) : QTabBar(parent) {
    setObjectName(QStringLiteral("categoryTabs"));
    for (const char16_t* caption : {u"1音乐", u"2MTV", u"3电影", u"4连续剧", u"图片", u"5电子书", u"6游戏",
                                    u"7故事片", u"8小品", u"9戏曲", u"0有声书", u"电脑高清"})
        addTab(QString::fromUtf16(caption));
    QFont bold = font();
    bold.setBold(true);
    bold.setPixelSize(12);  // four characters fit the designed 65-pixel tab
    setFont(bold);
    for (int i = 0; i < count(); ++i) setTabTextColor(i, Qt::red);
    setExpanding(false);
    setUsesScrollButtons(false);
    setDrawBase(true);
}

void CategoryTabs::mousePressEvent(QMouseEvent* event) {
    QTabBar::mousePressEvent(event);
    if (event->button() == Qt::LeftButton && tabAt(event->position().toPoint()) >= 0) Q_EMIT pressed();
}

QSize CategoryTabs::tabSizeHint(int) const { return {65, 35}; }

}  // namespace zorvik::ui
