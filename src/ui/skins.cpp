#include "ui/skins.h"

#include <QApplication>
#include <QFile>
#include <QHash>
#include <QStyle>
#include <QStyleFactory>

namespace zorvik::ui {

namespace {

// The system's active-border colour of the shop's desktop.
const QColor kActiveBorder{212, 208, 200};
const QColor kNavy{0, 0, 128};

std::optional<int> g_current;

// A stored skin: "key=value" lines, "#" starting a comment.
QHash<QString, QString> colours(int k) {
    QHash<QString, QString> values;
    QFile file(QStringLiteral(":/skins/%1.skin").arg(k));
    if (!file.open(QIODevice::ReadOnly)) return values;
    for (const QString& line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1Char('#'))) continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq > 0) values.insert(line.left(eq).trimmed(), line.mid(eq + 1).trimmed());
    }
    return values;
}

void useFusion() {
    if (QApplication::style()->name().compare(QStringLiteral("fusion"), Qt::CaseInsensitive) != 0)
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

bool stored(int k) { return k >= 0 && k < Skins::kCount; }

}  // namespace

QString Skins::name(int k) { return stored(k) ? colours(k).value(QStringLiteral("name")) : QString(); }

QPalette Skins::defaultPalette() {
    QPalette p(QColor(236, 233, 216), kActiveBorder);
    p.setColor(QPalette::WindowText, kNavy);
    p.setColor(QPalette::ButtonText, kNavy);
    p.setColor(QPalette::Text, Qt::black);
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::Highlight, kNavy);
    p.setColor(QPalette::HighlightedText, Qt::white);
    return p;
}

QPalette Skins::palette(int k) {
    const auto c = colours(k);
    auto colour = [&c](const char* key) { return QColor(c.value(QLatin1String(key))); };
    const QColor button = colour("button2");
    QPalette p(button, colour("window"));
    p.setColor(QPalette::WindowText, colour("text"));
    p.setColor(QPalette::Base, colour("base"));
    p.setColor(QPalette::AlternateBase, colour("panel"));
    p.setColor(QPalette::Text, colour("baseText"));
    p.setColor(QPalette::Button, button);
    p.setColor(QPalette::ButtonText, colour("buttonText"));
    p.setColor(QPalette::Highlight, colour("highlight"));
    p.setColor(QPalette::HighlightedText, colour("highlightText"));
    p.setColor(QPalette::ToolTipBase, colour("base"));
    p.setColor(QPalette::ToolTipText, colour("baseText"));
    p.setColor(QPalette::PlaceholderText, colour("disabledText"));
    p.setColor(QPalette::Link, colour("accent"));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, colour("disabledText"));
    return p;
}

QString Skins::styleSheet(int k) {
    QFile file(QStringLiteral(":/skins/skin.qss"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    QString sheet = QString::fromUtf8(file.readAll());
    const auto c = colours(k);
    for (auto it = c.cbegin(); it != c.cend(); ++it)
        sheet.replace(QLatin1Char('@') + it.key() + QLatin1Char('@'), it.value());
    return sheet;
}

void Skins::applyDefaultLook() {
    useFusion();
    qApp->setStyleSheet(QString());
    QApplication::setPalette(defaultPalette());
    g_current.reset();
}

bool Skins::apply(int k) {
    if (!stored(k)) return false;
    useFusion();
    QApplication::setPalette(palette(k));
    qApp->setStyleSheet(styleSheet(k));
    g_current = k;
    return true;
}

std::optional<int> Skins::current() { return g_current; }

std::optional<int> skinNumber(const std::string& text) {
    if (text.empty() || text.size() > 2) return std::nullopt;
    int n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        n = n * 10 + (c - '0');
    }
    return stored(n) ? std::optional<int>(n) : std::nullopt;
}

}  // namespace zorvik::ui
