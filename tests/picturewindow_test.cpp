#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QMovie>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <memory>

#include "app/station.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "support/fixture.h"
#include "ui/categorytabs.h"
#include "ui/mainwindow.h"
#include "ui/picturepane.h"
#include "ui/picturewindow.h"

using namespace zorvik;
using ui::PicturePane;

namespace {

const std::string kBeauties = "e/Brask搜歌库/5-图片/大图/美女/";

// A GIF of two one-pixel frames, red then green.
QByteArray twoFrameGif() {
    QByteArray gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\xff\x00", 19);
    gif += QByteArray("\x21\xff\x0bNETSCAPE2.0\x03\x01\x00\x00\x00", 19);
    for (char pixel : {'\x44', '\x4c'}) {  // LZW: clear, colour 0 or 1, end
        gif += QByteArray("\x21\xf9\x04\x04\x0a\x00\x00\x00\x2c\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02", 20);
        gif += pixel;
        gif += QByteArray("\x01\x00", 2);
    }
    return gif + ';';
}

QByteArray picture(int width, int height, const char* format) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// A station whose drive E holds the library, and the picture browser over it.
struct Rig {
    explicit Rig(int cursor = 0) {
        QDir().mkpath(QString::fromStdString(scratch.at("prog/数据文件")));
        station = std::make_unique<app::Station>(core::ProgramFolders::at(scratch.at("prog")));
        scratch.mapDrives(station->driveTable(), {{'D', "d"}, {'E', "e"}});
        station->setLibraryDrive(0, "E");
        station->pictures().setCursor(cursor);
        window = std::make_unique<ui::TTuForm>(*station);
    }
    void write(const std::string& relative, const QByteArray& bytes) const {
        scratch.write(relative, bytes.toStdString());
    }
    // Counts the panes' loads from now on.
    void countLoads() {
        for (int k = 0; k < 6; ++k)
            QObject::connect(window->pane(k), &PicturePane::loaded, window.get(), [this] { ++loads; });
    }
    bool loaded(int count) {
        for (int i = 0; i < 200 && loads < count; ++i) QTest::qWait(25);
        return loads >= count;
    }
    testing::Scratch scratch;
    std::unique_ptr<app::Station> station;
    std::unique_ptr<ui::TTuForm> window;
    int loads = 0;
};

}  // namespace

class PictureWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void laidOutAsTheShopKnowsIt() {
        Rig rig;
        ui::TTuForm& w = *rig.window;
        QCOMPARE(w.windowTitle(), QStringLiteral("Zorvik影音 手机图片"));
        QCOMPARE(w.size(), QSize(1000, 742));
        QVERIFY(w.windowFlags() & Qt::WindowMinimizeButtonHint);
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        const QPoint places[] = {{0, 8}, {264, 8}, {528, 8}, {0, 363}, {264, 363}, {528, 363}};
        for (int k = 0; k < 6; ++k) QCOMPARE(w.pane(k)->geometry(), QRect(places[k], QSize(260, 350)));

        QCOMPARE(w.themePages()->count(), 2);
        QCOMPARE(w.themePages()->tabText(0), QStringLiteral("大图"));
        QCOMPARE(w.themePages()->tabText(1), QStringLiteral("小图"));
        const QStringList captions[] = {
            {QStringLiteral("美  女 "), QStringLiteral("风  景 "), QStringLiteral("爱  情 "), QStringLiteral("幽默搞笑 "), QStringLiteral("激  情"), QStringLiteral("动漫卡通 "), QStringLiteral("美男"),
             QStringLiteral("节日祝福"), QStringLiteral("非 主 流"), QStringLiteral("名 车"), QStringLiteral("另　类")},
            {QStringLiteral("美　女"), QStringLiteral("风  景 "), QStringLiteral("爱  情 "), QStringLiteral("幽默搞笑 "), QStringLiteral("激  情"), QStringLiteral("动漫卡通"), QStringLiteral("美男"),
             QStringLiteral("节日祝福"), QStringLiteral("非主流"), QStringLiteral("名车"), QStringLiteral("另类")}};
        for (int page = 0; page < 2; ++page)
            for (int i = 0; i < 11; ++i) {
                QCOMPARE(w.themeButton(page, i)->text(), captions[page][i]);
                QCOMPARE(w.themeButton(page, i)->size(), QSize(97, 30));
            }

        QCOMPARE(w.previousButton()->text(), QStringLiteral("上一页 "));
        QVERIFY(!w.previousButton()->isEnabled());
        QCOMPARE(w.nextButton()->text(), QStringLiteral("下一页 "));
        QCOMPARE(w.backButton()->text(), QStringLiteral("返回"));
        QCOMPARE(w.positionLabel()->text(), QStringLiteral("0"));
        QVERIFY(w.positionLabel()->styleSheet().contains(QStringLiteral("color: red")));
        QVERIFY(w.positionLabel()->styleSheet().contains(QStringLiteral("bold")));
    }

    void theCategoryTabShowsTheWindowCentredWithTheThemeListed() {
        Rig rig;
        for (int i = 0; i < 8; ++i) rig.write(kBeauties + std::to_string(i) + ".bmp", picture(40, 30, "BMP"));
        // The main window reads the drives afresh from the settings.
        rig.write("prog/数据文件/Corlen.ini",
                  QByteArray::fromStdString(platform::utf8ToGb18030("[PanFu1]\r\nPanFu1=E\r\n[Drives]\r\nD=" +
                                                                    rig.scratch.at("d") + "\r\nE=" +
                                                                    rig.scratch.at("e") + "\r\n")));
        ui::TForm1 main(*rig.station);
        ui::openPicturesFromCategoryTab(main, *rig.window);
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        ui::CategoryTabs* tabs = main.categoryTabs();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(ui::TTuForm::kCategoryTab).center());

        QVERIFY(rig.window->isVisible());
        // Centred, give or take the test platform's own frame.
        const QPoint offCentre =
            rig.window->frameGeometry().center() - rig.window->screen()->availableGeometry().center();
        QVERIFY2(offCentre.manhattanLength() <= 8, qPrintable(QStringLiteral("%1,%2").arg(offCentre.x()).arg(offCentre.y())));
        QCOMPARE(rig.station->pictures().pictures().size(), size_t{8});
        QCOMPARE(rig.window->pane(5)->path(), QStringLiteral("E:\\Brask搜歌库\\5-图片\\大图\\美女\\5.bmp"));
        QVERIFY(rig.window->previousButton()->isEnabled());
        QCOMPARE(rig.station->cues().pending(), int(core::Cues::Select));  // as any tab press; no end reached
    }

    void eachKindOfFileShowsFittedAndAClickSelectsEvenTheUndecodable() {
        Rig rig;
        rig.write(kBeauties + "1大.jpg", picture(1600, 1200, "JPG"));
        rig.write(kBeauties + "2动画.gif", twoFrameGif());
        rig.write(kBeauties + "3小.bmp", picture(100, 50, "BMP"));
        rig.write(kBeauties + "4坏.jpg", "not a picture at all");
        rig.countLoads();
        rig.window->showBrowser();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        QVERIFY(rig.loaded(4));

        PicturePane* big = rig.window->pane(0);
        QCOMPARE(big->state(), PicturePane::State::Picture);
        QCOMPARE(big->image().deviceIndependentSize().toSize(), QSize(260, 195));  // fitted, no scroll bars
        PicturePane* animation = rig.window->pane(1);
        QCOMPARE(animation->state(), PicturePane::State::Animation);
        QCOMPARE(animation->movie()->frameCount(), 2);
        QCOMPARE(rig.window->pane(2)->image().deviceIndependentSize().toSize(), QSize(260, 130));
        PicturePane* broken = rig.window->pane(3);
        QCOMPARE(broken->state(), PicturePane::State::Undecodable);
        QCOMPARE(broken->fileName(), QStringLiteral("4坏.jpg"));

        QTest::mouseClick(broken, Qt::LeftButton);
        QVERIFY(broken->marked());
        QCOMPARE(rig.station->pictures().selected(), std::string("E:\\Brask搜歌库\\5-图片\\大图\\美女\\4坏.jpg"));
        QTest::mouseClick(big, Qt::LeftButton);
        QVERIFY(big->marked());
        QVERIFY(!broken->marked());

        // A double-click adds the picture; from the keyboard Enter does, on the focused pane.
        QTest::mouseDClick(big, Qt::LeftButton);
        auto& rows = rig.station->orderBook().rows();
        QCOMPARE(rows.count(), 1);
        QCOMPARE(rows.entry(0), std::string("E:\\Brask搜歌库\\5-图片\\大图\\美女\\1大.jpg"));
        QCOMPARE(rig.station->cues().pending(), int(core::Cues::Copied));
        QCOMPARE(rig.station->tally().entriesText(), QStringLiteral("1"));
        rig.window->pane(2)->setFocus();
        QTest::keyClick(rig.window->pane(2), Qt::Key_Return);
        QCOMPARE(rows.count(), 2);
        QVERIFY(rig.window->pane(2)->marked());
    }

    void backAndTheCloseBoxHideTheWindowWithItsStateKept() {
        Rig rig(3);
        for (int i = 0; i < 10; ++i) rig.write(kBeauties + std::to_string(i) + ".bmp", picture(40, 30, "BMP"));
        rig.window->showBrowser();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        QTest::mouseClick(rig.window->nextButton(), Qt::LeftButton);  // pictures 9 on: the end
        QCOMPARE(rig.window->positionLabel()->text(), QStringLiteral("已到最后"));
        const int cursor = rig.station->pictures().cursor();

        QTest::mouseClick(rig.window->backButton(), Qt::LeftButton);
        QVERIFY(!rig.window->isVisible());
        QCOMPARE(rig.station->pictures().cursor(), cursor);
        QCOMPARE(rig.window->pane(0)->path(), QStringLiteral("E:\\Brask搜歌库\\5-图片\\大图\\美女\\9.bmp"));

        rig.window->showBrowser();  // shown again: listed afresh from the kept cursor
        QCOMPARE(rig.station->pictures().pictures().size(), size_t{10});
        rig.window->close();
        QVERIFY(!rig.window->isVisible());
        QVERIFY(!rig.window->testAttribute(Qt::WA_QuitOnClose));
        rig.window->previousButton()->click();  // the state is there while hidden
        QCOMPARE(rig.window->pane(5)->path(), QStringLiteral("E:\\Brask搜歌库\\5-图片\\大图\\美女\\9.bmp"));
        QCOMPARE(rig.window->pane(0)->path(), QStringLiteral("E:\\Brask搜歌库\\5-图片\\大图\\美女\\4.bmp"));
    }

    void theMarkerFileLeavesThePanesBlank() {
        for (bool marker : {false, true}) {
            Rig rig;
            rig.write("prog/数据文件/Brask搜歌.gif", twoFrameGif());
            if (marker) rig.write("prog/数据文件/美女.txt", {});
            rig.countLoads();
            rig.window->showBrowser();
            QTest::qWait(marker ? 200 : 0);
            QVERIFY(marker || rig.loaded(6));
            for (int k = 0; k < 6; ++k)
                QCOMPARE(rig.window->pane(k)->state(), marker ? PicturePane::State::Empty : PicturePane::State::Animation);
            QVERIFY(rig.station->pictures().ready() != marker);  // no pane has loaded anything
        }
    }
};

QTEST_MAIN(PictureWindowTest)
#include "picturewindow_test.moc"
