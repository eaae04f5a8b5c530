// Draws the picture of the library folder tree that the basic-settings panel
// shows, as a file manager's folder pane would show drive E:, and saves it as
// a JPEG. Run with QT_QPA_PLATFORM=offscreen; the CJK font comes from
// fontconfig (WenQuanYi Zen Hei).
#include <QColor>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QString>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

// Kept equal to BasicSettingsPanel::kFolderTreeSize; a test compares them.
constexpr int kWidth = 260;
constexpr int kHeight = 440;
constexpr int kHeader = 24;
constexpr int kRowHeight = 17;
constexpr int kIndent = 18;

struct Row {
    int depth;
    const char16_t* name;
    bool collapsed = false;  // has folders of its own that are not shown
};

// The library root with its twelve categories and a few of their folders.
const std::vector<Row> kRows{
    {0, u"本地磁盘 (E:)"},
    {1, u"Brask搜歌库"},
    {2, u"1-音乐"},
    {3, u"分类歌曲"},
    {4, u"经典老歌"},
    {4, u"伤感情歌"},
    {3, u"新增歌曲"},
    {2, u"2-MTV"},
    {3, u"新增MTV"},
    {2, u"3-电影", true},
    {2, u"4-连续剧", true},
    {2, u"5-图片"},
    {3, u"大图", true},
    {3, u"小图", true},
    {2, u"6-电子书"},
    {2, u"7-游戏"},
    {3, u"jar格式"},
    {2, u"8-伦理片", true},
    {2, u"9-小品"},
    {2, u"10-演唱会"},
    {2, u"11-铃声"},
    {3, u"mp3铃声"},
    {2, u"12-其它", true},
};

int boxX(int depth) { return 10 + depth * kIndent; }  // centre of the expand box
int rowY(size_t row) { return kHeader + 4 + static_cast<int>(row) * kRowHeight + kRowHeight / 2; }

bool hasShownChildren(size_t row) { return row + 1 < kRows.size() && kRows[row + 1].depth > kRows[row].depth; }

void drawFolder(QPainter& p, int x, int yCentre) {
    const QColor fill(0xf6, 0xd3, 0x65);
    const QColor edge(0xc0, 0x94, 0x1c);
    p.setPen(QPen(edge, 1));
    p.setBrush(fill.darker(108));
    p.drawRect(x, yCentre - 6, 6, 3);  // the tab
    p.setBrush(fill);
    p.drawRect(x, yCentre - 4, 15, 10);
}

void drawDrive(QPainter& p, int x, int yCentre) {
    p.setPen(QPen(QColor(0x60, 0x60, 0x60), 1));
    p.setBrush(QColor(0xd8, 0xd8, 0xd8));
    p.drawRect(x, yCentre - 4, 15, 9);
    p.setPen(QPen(QColor(0x20, 0xa0, 0x20), 2));
    p.drawPoint(x + 12, yCentre + 2);
}

void drawExpandBox(QPainter& p, int cx, int cy, bool plus) {
    p.setPen(QPen(QColor(0x91, 0x9b, 0x9c), 1));
    p.setBrush(Qt::white);
    p.drawRect(cx - 4, cy - 4, 8, 8);
    p.setPen(QPen(Qt::black, 1));
    p.drawLine(cx - 2, cy, cx + 2, cy);
    if (plus) p.drawLine(cx, cy - 2, cx, cy + 2);
}

QImage drawTree() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);

    // Title bar of the folder pane.
    QFont font(QStringLiteral("WenQuanYi Zen Hei"));
    font.setPixelSize(12);
    p.setFont(font);
    p.fillRect(0, 0, kWidth, kHeader, QColor(0xe3, 0xe9, 0xf5));
    p.setPen(QColor(0x7f, 0x9d, 0xb9));
    p.drawLine(0, kHeader - 1, kWidth, kHeader - 1);
    p.setPen(Qt::black);
    p.drawText(QRect(8, 0, kWidth - 30, kHeader), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("文件夹"));
    p.drawText(QRect(kWidth - 20, 0, 14, kHeader), Qt::AlignCenter, QStringLiteral("×"));

    // Dotted lines first, so that boxes and icons sit on top of them.
    QPen dotted(QColor(0xa0, 0xa0, 0xa0), 1, Qt::DotLine);
    p.setPen(dotted);
    for (size_t i = 1; i < kRows.size(); ++i) {
        const int depth = kRows[i].depth;
        size_t parent = i - 1;
        while (kRows[parent].depth >= depth) --parent;
        const int x = boxX(depth);
        p.drawLine(x, rowY(parent) + 6, x, rowY(i));
        p.drawLine(x, rowY(i), x + 8, rowY(i));
    }

    for (size_t i = 0; i < kRows.size(); ++i) {
        const Row& row = kRows[i];
        const int cx = boxX(row.depth);
        const int cy = rowY(i);
        const bool children = hasShownChildren(i);
        if (children || row.collapsed) drawExpandBox(p, cx, cy, !children);
        const int iconX = cx + 9;
        if (row.depth == 0)
            drawDrive(p, iconX, cy);
        else
            drawFolder(p, iconX, cy);

        const QString name = QString::fromUtf16(row.name);
        QRect text(iconX + 20, cy - kRowHeight / 2, p.fontMetrics().horizontalAdvance(name) + 6, kRowHeight);
        if (i == 1) {  // the library root, selected as the operator would have it
            p.fillRect(text, QColor(0x31, 0x6a, 0xc5));
            p.setPen(Qt::white);
        } else {
            p.setPen(Qt::black);
        }
        p.drawText(text, Qt::AlignCenter, name);
    }

    p.setPen(QColor(0x7f, 0x9d, 0xb9));
    p.setBrush(Qt::NoBrush);
    p.drawRect(0, 0, kWidth - 1, kHeight - 1);
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.jpg\n", argv[0]);
        return 2;
    }
    // A build has no login session: give Qt a private runtime folder of its own.
    QTemporaryDir runtime;
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR") && runtime.isValid())
        qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    QGuiApplication application(argc, argv);
    if (!drawTree().save(QString::fromLocal8Bit(argv[1]), "JPG", 90)) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
