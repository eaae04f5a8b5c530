#include "ui/icons.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPixmap>

namespace zorvik::ui {

namespace {

constexpr int kSide = 22;

QIcon drawn(QColor colour, const QString& glyph) {
    QPixmap pixmap(kSide, kSide);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(colour.darker(140));
    painter.drawRoundedRect(QRectF(1.5, 1.5, kSide - 3, kSide - 3), 4, 4);
    QFont font = painter.font();
    font.setPixelSize(13);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::white);
    painter.drawText(QRect(0, 0, kSide, kSide), Qt::AlignCenter, glyph);
    return QIcon(pixmap);
}

std::array<QIcon, 5> drawnIcons() {
    struct Source {
        const char* theme;
        QColor colour;
        const char16_t* glyph;
    };
    const Source sources[5] = {
        {"audio-x-generic", QColor(0x2e, 0x7d, 0x32), u"♪"},
        {"video-x-generic", QColor(0x15, 0x65, 0xc0), u"▶"},
        {"image-x-generic", QColor(0xef, 0x6c, 0x00), u"▣"},
        {"applications-games", QColor(0x6a, 0x1b, 0x9a), u"♦"},
        {"x-office-document", QColor(0x5d, 0x40, 0x37), u"≡"},
    };
    std::array<QIcon, 5> icons;
    for (size_t i = 0; i < icons.size(); ++i) {
        QIcon fallback = drawn(sources[i].colour, QString::fromUtf16(sources[i].glyph));
        icons[i] = QIcon::fromTheme(QLatin1String(sources[i].theme), fallback);
    }
    return icons;
}

// Drawn once per application: three panels show them, and drawing the
// glyphs is a good part of building the main window.
std::array<QIcon, 5>* madeIcons = nullptr;

}  // namespace

std::array<QIcon, 5> mediaGroupIcons() {
    if (!madeIcons) {
        madeIcons = new std::array<QIcon, 5>(drawnIcons());
        qAddPostRoutine([] {  // pixmaps go before the application does
            delete madeIcons;
            madeIcons = nullptr;
        });
    }
    return *madeIcons;
}

}  // namespace zorvik::ui
