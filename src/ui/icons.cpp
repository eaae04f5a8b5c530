#include "ui/icons.h"

#include <QCoreApplication>
#include <QIconEngine>
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

// Looks the theme up, or draws the fallback, when the icon is first drawn or
// asked about: a theme lookup reads the icon folders and drawing a glyph finds
// a font for it, and neither need hold up building the windows.
class DeferredIconEngine final : public QIconEngine {
public:
    DeferredIconEngine(QString name, std::function<QIcon()> fallback)
        : name_(std::move(name)), fallback_(std::move(fallback)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override {
        return icon().pixmap(size, scale, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return icon().actualSize(size, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override {
        return icon().availableSizes(mode, state);
    }
    QString iconName() override { return name_; }
    // Asked as soon as the icon goes into a list or combo box; every fallback
    // is drawn, so the answer needs no lookup.
    bool isNull() override { return false; }
    QString key() const override { return QStringLiteral("zorvik-deferred"); }
    QIconEngine* clone() const override { return new DeferredIconEngine(*this); }

private:
    const QIcon& icon() {
        if (!resolved_) {
            icon_ = QIcon::fromTheme(name_, fallback_());
            resolved_ = true;
        }
        return icon_;
    }

    QString name_;
    std::function<QIcon()> fallback_;
    QIcon icon_;
    bool resolved_ = false;
};

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
        const Source source = sources[i];
        icons[i] = themeIconLater(QLatin1String(source.theme), [source] {
            return drawn(source.colour, QString::fromUtf16(source.glyph));
        });
    }
    return icons;
}

// Made once per application: three panels show them.
std::array<QIcon, 5>* madeIcons = nullptr;

}  // namespace

QIcon themeIconLater(const QString& name, std::function<QIcon()> fallback) {
    return QIcon(new DeferredIconEngine(name, std::move(fallback)));
}

QIcon styleIconLater(const char* name, QStyle* style, QStyle::StandardPixmap fallback) {
    return themeIconLater(QLatin1String(name), [style, fallback] { return style->standardIcon(fallback); });
}

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
