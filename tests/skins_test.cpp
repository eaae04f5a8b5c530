#include <QAction>
#include <QApplication>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <cmath>

#include "app/station.h"
#include "core/errors.h"
#include "core/settings.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "ui/mainwindow.h"
#include "ui/skinmenu.h"
#include "ui/skins.h"

using namespace zorvik;

namespace {

// A program folder whose settings file holds `ini` (GB18030, as the shop's files).
struct Folder {
    explicit Folder(const std::string& ini = {}) {
        QDir(dir.path()).mkpath(QStringLiteral("数据文件"));
        QFile file(dir.filePath(QStringLiteral("数据文件/Corlen.ini")));
        if (file.open(QIODevice::WriteOnly))
            file.write(QByteArray::fromStdString(platform::utf8ToGb18030("[PanFu1]\r\nPanFu1=E\r\n" + ini)));
    }
    std::string settingsFile() const { return dir.filePath(QStringLiteral("数据文件/Corlen.ini")).toStdString(); }
    QTemporaryDir dir;
};

// The station started in the folder, as the program starts it.
struct Started {
    explicit Started(const Folder& folder)
        : station(core::ProgramFolders::at(folder.dir.path().toStdString())), window(station) {
        QSignalSpy started(&station, &app::Station::startupFinished);
        window.show();
        if (!QTest::qWaitForWindowExposed(&window) || (started.isEmpty() && !started.wait(3000)))
            qWarning("the station did not start");
    }
    QList<int> ticked() const {
        QList<int> on;
        for (int k = 0; k < ui::Skins::kCount; ++k)
            if (window.skinMenu()->entry(k)->isChecked()) on << k;
        return on;
    }
    app::Station station;
    ui::TForm1 window;
};

// WCAG's contrast ratio of two colours.
double contrast(const QColor& a, const QColor& b) {
    auto lum = [](const QColor& c) {
        auto ch = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
        return 0.2126 * ch(c.redF()) + 0.7152 * ch(c.greenF()) + 0.0722 * ch(c.blueF());
    };
    const double x = lum(a), y = lum(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

}  // namespace

class SkinsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init() { ui::Skins::applyDefaultLook(); }
    void cleanup() {
        ui::Skins::applyDefaultLook();
    }

    void theElevenStoredSkinsAreCompleteAndReadable() {
        const QStringList names = QString::fromUtf16(u"<默认皮肤>,稻花香,绿水晶,海蓝,黑金刚,大灰狼,装甲军绿,黄鼠狼,古典1,古典2,宏伟蓝图")
                                      .split(QLatin1Char(','));
        for (int k = 0; k < ui::Skins::kCount; ++k) {
            QCOMPARE(ui::Skins::name(k), names[k]);
            const QString sheet = ui::Skins::styleSheet(k);
            QVERIFY2(!sheet.isEmpty() && !sheet.contains(QLatin1Char('@')), qPrintable(names[k]));
            const QPalette p = ui::Skins::palette(k);
            for (auto [fore, back] : {std::pair{QPalette::WindowText, QPalette::Window},
                                      std::pair{QPalette::Text, QPalette::Base},
                                      std::pair{QPalette::ButtonText, QPalette::Button},
                                      std::pair{QPalette::HighlightedText, QPalette::Highlight}})
                QVERIFY2(contrast(p.color(fore), p.color(back)) >= 4.5,
                         qPrintable(names[k] + QStringLiteral(" %1 on %2").arg(fore).arg(back)));
        }
        // The blue, the dark and the olive ones look so.
        auto window = [](int k) { return ui::Skins::palette(k).color(QPalette::Window); };
        QVERIFY(window(3).blue() > window(3).red());
        QVERIFY(window(4).lightness() < 64);
        QVERIFY(window(6).green() > window(6).blue());
        QVERIFY(!ui::Skins::apply(11) && !ui::Skins::apply(-1));
        QCOMPARE(ui::Skins::current(), std::nullopt);
    }

    void theSkinNumberIsAWholeNumberFrom0To10() {
        const QList<std::pair<std::string, std::optional<int>>> cases = {
            {"0", 0}, {"3", 3}, {"10", 10}, {"", std::nullopt}, {"abc", std::nullopt}, {"11", std::nullopt},
            {"-1", std::nullopt}, {"3.5", std::nullopt}, {"3a", std::nullopt}, {"100", std::nullopt}};
        for (const auto& [text, number] : cases) QCOMPARE(ui::skinNumber(text), number);
    }

    void aChosenSkinIsTickedAloneRememberedAndRestored() {
        Folder folder;
        {
            Started first(folder);
            QCOMPARE(first.ticked(), QList<int>());  // no PiFu, no tick
            QCOMPARE(ui::Skins::current(), std::nullopt);
            first.window.skinMenu()->entry(8)->trigger();
            QAction* haiLan = first.window.skinMenu()->entry(3);
            QCOMPARE(haiLan->text(), QStringLiteral("海蓝"));
            haiLan->trigger();
            QCOMPARE(first.ticked(), QList<int>{3});
            QCOMPARE(first.station.settings().read("PiFu", "PiFu"), std::string("3"));
            QCOMPARE(QApplication::palette().color(QPalette::Window),
                     ui::Skins::palette(3).color(QPalette::Window));
            first.window.close();
        }
        ui::Skins::applyDefaultLook();
        Started second(folder);
        QCOMPARE(second.ticked(), QList<int>{3});
        QCOMPARE(ui::Skins::current(), std::optional<int>(3));
        QCOMPARE(qApp->styleSheet(), ui::Skins::styleSheet(3));
    }

    void aBadSavedNumberAppliesNothingAndSaysNothing() {
        int errors = 0;
        for (const char* value : {"", "abc", "11", "-1"}) {
            Folder folder(std::string("[PiFu]\r\nPiFu=") + value + "\r\n");
            Started started(folder);
            QObject::connect(&started.station.errors(), &core::ErrorReports::reported, &started.station.errors(),
                             [&errors] { ++errors; });
            QCOMPARE(started.ticked(), QList<int>());
            QCOMPARE(ui::Skins::current(), std::nullopt);
            QVERIFY(qApp->styleSheet().isEmpty());
            QCOMPARE(QApplication::activeModalWidget(), nullptr);
        }
        QCOMPARE(errors, 0);
    }

    void aFailedWriteSaysSoAndTheSkinStays() {
        Folder folder;
        Started started(folder);
        // The settings file cannot be replaced once a folder stands in its place.
        QFile::remove(QString::fromStdString(folder.settingsFile()));
        QVERIFY(QDir().mkpath(QString::fromStdString(folder.settingsFile())));
        std::vector<std::string> errors;
        QObject::connect(&started.station.errors(), &core::ErrorReports::reported, &started.station.errors(), [&errors](const QString& q) { const std::string message = q.toStdString(); errors.push_back(message); });
        started.window.skinMenu()->entry(4)->trigger();
        QCOMPARE(errors.size(), size_t{1});
        QCOMPARE(started.ticked(), QList<int>{4});
        QCOMPARE(ui::Skins::current(), std::optional<int>(4));
    }
};

QTEST_MAIN(SkinsTest)
#include "skins_test.moc"
