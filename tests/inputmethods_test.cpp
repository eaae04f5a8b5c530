#include <QApplication>
#include <QComboBox>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QFile>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <utility>
#include <string_view>
#include <sys/prctl.h>

#include "app/station.h"
#include "core/settings.h"
#include "platform/inputmethods.h"
#include "player/cueplayer.h"
#include "ui/mainwindow.h"
#include "ui/parameterswindow.h"
#include "ui/searchpanel.h"

using namespace zorvik;

// fcitx5's controller and IBus's daemon, played by a second copy of this
// program on a private bus of the test's own.

namespace {

const QString kFcitxService = QStringLiteral("org.fcitx.Fcitx5");

struct FakeEntry {
    QString unique, name, nativeName, icon, label, language;
    bool configurable = false;
};
struct FakeGroupItem {
    QString name, layout;
};

QDBusArgument& operator<<(QDBusArgument& a, const FakeEntry& e) {
    a.beginStructure();
    a << e.unique << e.name << e.nativeName << e.icon << e.label << e.language << e.configurable;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, FakeEntry& e) {
    a.beginStructure();
    a >> e.unique >> e.name >> e.nativeName >> e.icon >> e.label >> e.language >> e.configurable;
    a.endStructure();
    return a;
}
QDBusArgument& operator<<(QDBusArgument& a, const FakeGroupItem& e) {
    a.beginStructure();
    a << e.name << e.layout;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, FakeGroupItem& e) {
    a.beginStructure();
    a >> e.name >> e.layout;
    a.endStructure();
    return a;
}

}  // namespace

Q_DECLARE_METATYPE(FakeEntry)
Q_DECLARE_METATYPE(FakeGroupItem)

class FakeController : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.fcitx.Fcitx.Controller1")
public:
    explicit FakeController(QDBusConnection connection) : bus(std::move(connection)) {}
    QDBusConnection bus;
    QString current = QStringLiteral("keyboard-us");

public Q_SLOTS:
    QList<FakeEntry> AvailableInputMethods() {
        calls << QStringLiteral("AvailableInputMethods");
        auto entry = [](const char* unique, const char* name) {
            return FakeEntry{QLatin1String(unique), QString::fromUtf8(name), {}, {}, {}, QStringLiteral("zh_CN"), false};
        };
        // More than the group holds, as fcitx5 knows every keyboard layout.
        return {entry("keyboard-us", "Keyboard - English (US)"), entry("keyboard-de", "Keyboard - German"),
                entry("pinyin", "拼音"),          entry("shuangpin", "双拼"),
                entry("wbx", "五笔字型"),         entry("keyboard-us-intl", "Keyboard - English (US)")};
    }
    QString CurrentInputMethodGroup() {
        calls << QStringLiteral("CurrentInputMethodGroup");
        return QStringLiteral("默认");
    }
    // Two results ("sa(ss)"): answered by hand, QtDBus exports no custom output arguments.
    void InputMethodGroupInfo(const QString& group, const QDBusMessage& call) {
        calls << QStringLiteral("InputMethodGroupInfo");
        QList<FakeGroupItem> items;
        if (group == QStringLiteral("默认"))
            for (const char* name : {"keyboard-us", "pinyin", "wbx", "keyboard-us-intl", "gone-away"})
                items.append({QLatin1String(name), {}});
        call.setDelayedReply(true);
        bus.send(call.createReply({group == QStringLiteral("默认") ? QStringLiteral("us") : QString(),
                                   QVariant::fromValue(items)}));
    }
    QString CurrentInputMethod() {
        calls << QStringLiteral("CurrentInputMethod");
        return current;
    }
    void SetCurrentIM(const QString& name) {
        calls << QStringLiteral("SetCurrentIM ") + name;
        current = name;
    }
    // The test's own: every call above since it last asked, in order.
    QStringList TakeCalls() { return std::exchange(calls, {}); }

private:
    QStringList calls;
};

// IBus's daemon: its engines as it describes them (IBusEngineDesc, a
// structure led by its type name and attachments), and the global engine.
struct FakeEngineDesc {
    QString name, longname;
};
QDBusArgument& operator<<(QDBusArgument& a, const FakeEngineDesc& e) {
    a.beginStructure();
    a << QStringLiteral("IBusEngineDesc") << QVariantMap{} << e.name << e.longname;
    for (int i = 0; i < 6; ++i) a << QString();  // description ... layout
    a << 0u;                                      // rank
    for (int i = 0; i < 8; ++i) a << QString();  // hotkeys ... icon_prop_key
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, FakeEngineDesc& e) {
    QString type;
    a.beginStructure();
    a >> type;
    a.asVariant();
    a >> e.name >> e.longname;
    while (!a.atEnd()) a.asVariant();
    a.endStructure();
    return a;
}
Q_DECLARE_METATYPE(FakeEngineDesc)

class FakeIBus : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.IBus")
    Q_PROPERTY(QDBusVariant GlobalEngine READ globalEngine)
public:
    QDBusVariant globalEngine() {
        calls << QStringLiteral("GlobalEngine");
        return QDBusVariant(QVariant::fromValue(desc(global)));
    }
    QString global = QStringLiteral("xkb:us::eng");

public Q_SLOTS:
    QList<QDBusVariant> GetEnginesByNames(const QStringList& names) {
        QList<QDBusVariant> found;
        for (const QString& name : names)
            if (name != QStringLiteral("gone-away")) found << QDBusVariant(QVariant::fromValue(desc(name)));
        return found;
    }
    void SetGlobalEngine(const QString& name) {
        calls << QStringLiteral("SetGlobalEngine ") + name;
        global = name;
    }
    QStringList TakeCalls() { return std::exchange(calls, {}); }

private:
    static FakeEngineDesc desc(const QString& name) {
        return {name, name == QStringLiteral("libpinyin") ? QStringLiteral("智能拼音") : QStringLiteral("English (US)")};
    }
    QStringList calls;
};

namespace {

int serveFakeFcitx(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    qDBusRegisterMetaType<FakeEntry>();
    qDBusRegisterMetaType<QList<FakeEntry>>();
    qDBusRegisterMetaType<FakeGroupItem>();
    qDBusRegisterMetaType<QList<FakeGroupItem>>();
    qDBusRegisterMetaType<FakeEngineDesc>();
    qDBusRegisterMetaType<QList<QDBusVariant>>();
    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromLocal8Bit(argv[2]), QStringLiteral("fake"));
    FakeController controller(bus);
    FakeIBus ibus;
    if (std::string_view(argv[1]) == "--fake-ibus")
        return bus.registerObject(QStringLiteral("/org/freedesktop/IBus"), &ibus,
                                  QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) &&
                       bus.registerService(QStringLiteral("org.freedesktop.IBus"))
                   ? QCoreApplication::exec()
                   : 1;
    if (!bus.registerObject(QStringLiteral("/controller"), &controller, QDBusConnection::ExportAllSlots) ||
        !bus.registerService(kFcitxService))
        return 1;
    return QCoreApplication::exec();
}

}  // namespace

namespace {
// A test that crashes leaves no bus or stand-in behind.
void dieWithTheTest() { ::prctl(PR_SET_PDEATHSIG, SIGKILL); }
}  // namespace

class InputMethodsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) QSKIP("dbus-daemon is not installed");
        // A bus of our own whose only service file would start a stand-in
        // fcitx5 that leaves a mark: asking must never start it.
        QDir(dir_.path()).mkpath(QStringLiteral("services"));
        marker_ = dir_.filePath(QStringLiteral("fcitx5-was-started"));
        QFile service(dir_.filePath(QStringLiteral("services/org.fcitx.Fcitx5.service")));
        QVERIFY(service.open(QIODevice::WriteOnly));
        service.write("[D-BUS Service]\nName=org.fcitx.Fcitx5\nExec=/usr/bin/touch " + marker_.toLocal8Bit() + "\n");
        service.close();
        QFile config(dir_.filePath(QStringLiteral("bus.conf")));
        QVERIFY(config.open(QIODevice::WriteOnly));
        config.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                     " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                     "<busconfig><type>session</type><listen>unix:dir=" +
                     dir_.path().toLocal8Bit() + "</listen><auth>EXTERNAL</auth><servicedir>" +
                     dir_.filePath(QStringLiteral("services")).toLocal8Bit() +
                     "</servicedir><policy context=\"default\"><allow send_destination=\"*\"/>"
                     "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>\n");
        config.close();
        daemon_.setChildProcessModifier(dieWithTheTest);
        daemon_.start(daemon, {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
                               QStringLiteral("--config-file=") + config.fileName()});
        QVERIFY(daemon_.waitForStarted());
        QTRY_VERIFY(daemon_.canReadLine());
        address_ = QString::fromLocal8Bit(daemon_.readLine().trimmed());
        qputenv("DBUS_SESSION_BUS_ADDRESS", address_.toLocal8Bit());  // for the station's own calls
        bus_ = QDBusConnection::connectToBus(address_, QStringLiteral("zorvik-test"));
        QVERIFY2(bus_.isConnected(), qPrintable(bus_.lastError().message()));
    }

    void cleanupTestCase() {
        if (fcitx_.state() != QProcess::NotRunning) {
            fcitx_.kill();
            fcitx_.waitForFinished();
        }
        QDBusConnection::disconnectFromBus(QStringLiteral("zorvik-test"));
        if (daemon_.state() != QProcess::NotRunning) {
            daemon_.kill();
            daemon_.waitForFinished();
        }
    }

    void withoutABusThereIsNothingToListOrSwitch() {
        QDBusConnection none = QDBusConnection::connectToBus(
            QStringLiteral("unix:path=") + dir_.filePath(QStringLiteral("no-bus")), QStringLiteral("none"));
        QVERIFY(!none.isConnected());
        QVERIFY(platform::installedInputMethods(none).empty());
        QVERIFY(!platform::switchInputMethod(none, "拼音"));
        QDBusConnection::disconnectFromBus(QStringLiteral("none"));
    }

    void withoutFcitxNothingIsListedAndFcitxIsNotStarted() {
        QVERIFY(platform::installedInputMethods(bus_).empty());
        QVERIFY(!platform::switchInputMethod(bus_, "拼音"));
        QTest::qWait(300);  // an activation would have run by now
        QVERIFY(!QFile::exists(marker_));

        // The stand-in does start for a plain call, so the check above can see one.
        QDBusMessage plain = QDBusMessage::createMethodCall(kFcitxService, QStringLiteral("/controller"),
                                                            QStringLiteral("org.fcitx.Fcitx.Controller1"),
                                                            QStringLiteral("CurrentInputMethod"));
        bus_.call(plain, QDBus::Block, 3000);
        QTRY_VERIFY(QFile::exists(marker_));
    }

    void listsTheSetUpInputMethodsByTheirNamesAndSwitches() {
        fcitx_.setChildProcessModifier(dieWithTheTest);
        fcitx_.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--fake-fcitx5"), address_});
        QVERIFY(fcitx_.waitForStarted());
        QTRY_VERIFY(bus_.interface()->isServiceRegistered(kFcitxService).value());

        // The group's order; shared names tell themselves apart; an engine that went away is left out.
        const std::vector<std::string> expected{"Keyboard - English (US) (keyboard-us)", "拼音", "五笔字型",
                                                "Keyboard - English (US) (keyboard-us-intl)"};
        QCOMPARE(platform::installedInputMethods(bus_), expected);

        struct Case {
            const char* name;
            bool switched;
            const char* current;
        };
        const Case cases[] = {
            {"五笔字型", true, "wbx"},
            {"Keyboard - English (US) (keyboard-us-intl)", true, "keyboard-us-intl"},
            {"pinyin", true, "pinyin"},  // a stored internal name works too
            {"双拼", false, "pinyin"},   // known to fcitx5 but not set up
            {"不存在", false, "pinyin"},
            {"", false, "pinyin"},
        };
        for (const auto& c : cases) {
            QCOMPARE(platform::switchInputMethod(bus_, c.name), c.switched);
            QCOMPARE(currentInputMethod(), QLatin1String(c.current));
        }

        // The window lists them and shows the stored choice.
        QTemporaryDir dir;
        core::ErrorReports errors;
        core::Settings settings(dir.filePath(QStringLiteral("Corlen.ini")).toStdString(), errors);
        QVERIFY(settings.write("ShuRuFa", "shurufa1", "五笔字型"));
        player::CuePlayer cues(dir.filePath(QStringLiteral("cues/")));
        ui::TCanSHuForm window(settings, cues, platform::installedInputMethods(bus_));
        QCOMPARE(window.inputMethodBox()->count(), 4);
        QCOMPARE(window.inputMethodBox()->currentText(), QStringLiteral("五笔字型"));
        QVERIFY(platform::switchInputMethod(bus_, window.inputMethod().toStdString()));
        QCOMPARE(currentInputMethod(), QStringLiteral("wbx"));
    }

    void theSearchBoxSwitchesAsItTakesTheFocusAndBackAsItLeaves() {
        QVERIFY(fcitx_.state() == QProcess::Running);
        // The station asks the session bus: this test's own.
        QVERIFY(QDBusConnection::sessionBus().interface()->isServiceRegistered(kFcitxService).value());
        callFake(QStringLiteral("SetCurrentIM"), {QStringLiteral("keyboard-us")});
        callFake(QStringLiteral("TakeCalls"));

        QTemporaryDir dir;
        app::Station station(core::ProgramFolders::at(dir.path().toStdString()));
        ui::TForm1 window(station);
        QSignalSpy started(&station, &app::Station::startupFinished);
        window.show();
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTRY_VERIFY(!started.isEmpty());
        QComboBox* box = window.searchPanel()->searchBox();
        QWidget* button = window.searchPanel()->searchButton();
        button->setFocus(Qt::TabFocusReason);
        station.searchInputMethod().setChosen(QStringLiteral("拼音"));
        QTest::qWait(50);
        switches_.clear();

        // In and out, twice: each time the previous one comes back.
        const QStringList in{QStringLiteral("CurrentInputMethod"), QStringLiteral("SetCurrentIM pinyin")};
        const QStringList out{QStringLiteral("SetCurrentIM keyboard-us")};
        box->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(switches(), in);
        button->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(switches(), in + out);
        box->setFocus(Qt::MouseFocusReason);
        QTRY_COMPARE(switches(), in + out + in);

        // Another window taking over leaves its input method alone; coming
        // back switches on again, and leaving then brings the first one back.
        QWidget other;
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QTest::qWait(100);
        QCOMPARE(switches(), in + out + in);
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QTRY_COMPARE(switches(), in + out + in + QStringList{QStringLiteral("SetCurrentIM pinyin")});
        button->setFocus(Qt::TabFocusReason);
        QTRY_COMPARE(switches(), in + out + in + QStringList{QStringLiteral("SetCurrentIM pinyin")} + out);

        // Numbers are keyed in without switching; a name that is not set up
        // here switches nothing either.
        switches_.clear();
        station.search().setNumberMode(true);
        box->setFocus(Qt::TabFocusReason);
        button->setFocus(Qt::TabFocusReason);
        station.search().setNumberMode(false);
        station.searchInputMethod().choose(QStringLiteral("双拼"));
        box->setFocus(Qt::TabFocusReason);
        button->setFocus(Qt::TabFocusReason);
        QTest::qWait(200);
        QCOMPARE(switches(), QStringList());
        QCOMPARE(currentInputMethod(), QStringLiteral("keyboard-us"));
    }

    void withoutFcitxIBusListsItsEnginesAndSwitchesTheGlobalOne() {
        const QString compiler = QStandardPaths::findExecutable(QStringLiteral("glib-compile-schemas"));
        if (compiler.isEmpty()) QSKIP("glib-compile-schemas is not installed");
        fcitx_.kill();
        fcitx_.waitForFinished();
        QTRY_VERIFY(!bus_.interface()->isServiceRegistered(kFcitxService).value());
        // IBus's setting, from a schema of the test's own with the engines as its default.
        QVERIFY(QDir(dir_.path()).mkpath(QStringLiteral("schemas")));
        QFile schema(dir_.filePath(QStringLiteral("schemas/org.freedesktop.ibus.gschema.xml")));
        QVERIFY(schema.open(QIODevice::WriteOnly));
        schema.write("<schemalist><schema id=\"org.freedesktop.ibus.general\" path=\"/desktop/ibus/general/\">"
                     "<key name=\"preload-engines\" type=\"as\"><default>['xkb:us::eng', 'libpinyin', 'gone-away']"
                     "</default></key></schema></schemalist>\n");
        schema.close();
        QCOMPARE(QProcess::execute(compiler, {dir_.filePath(QStringLiteral("schemas"))}), 0);
        qputenv("GSETTINGS_SCHEMA_DIR", dir_.filePath(QStringLiteral("schemas")).toLocal8Bit());
        qputenv("GSETTINGS_BACKEND", "memory");
        qputenv("IBUS_ADDRESS", address_.toLocal8Bit());  // its own bus is this one here
        ibus_.setChildProcessModifier(dieWithTheTest);
        ibus_.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--fake-ibus"), address_});
        QVERIFY(ibus_.waitForStarted());
        QTRY_VERIFY(bus_.interface()->isServiceRegistered(QStringLiteral("org.freedesktop.IBus")).value());

        // The setting's engines the daemon knows, by their long names.
        QCOMPARE(platform::installedInputMethods(bus_), (std::vector<std::string>{"English (US)", "智能拼音"}));

        QTemporaryDir dir;
        app::Station station(core::ProgramFolders::at(dir.path().toStdString()));
        auto& method = station.searchInputMethod();
        method.setChosen(QStringLiteral("智能拼音"));
        ibusCalls();
        switches_.clear();
        const QStringList in{QStringLiteral("GlobalEngine"), QStringLiteral("SetGlobalEngine libpinyin")};
        method.focusIn();
        QTRY_COMPARE(ibusCalls(), in);
        method.focusOut(false);
        QTRY_COMPARE(ibusCalls(), in + QStringList{QStringLiteral("SetGlobalEngine xkb:us::eng")});
        ibus_.kill();
        ibus_.waitForFinished();
        qunsetenv("IBUS_ADDRESS");
    }

private:
    // The IBus stand-in's calls since the test last cleared them.
    QStringList ibusCalls() {
        QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.IBus"),
                                                           QStringLiteral("/org/freedesktop/IBus"),
                                                           QStringLiteral("org.freedesktop.IBus"), QStringLiteral("TakeCalls"));
        switches_ << bus_.call(call, QDBus::Block, 3000).arguments().value(0).toStringList();
        return switches_;
    }

    // The stand-in's switching calls since the test last cleared them.
    QStringList switches() {
        auto reply = callFake(QStringLiteral("TakeCalls"));
        for (const QString& call : reply.arguments().value(0).toStringList())
            if (call == QStringLiteral("CurrentInputMethod") || call.startsWith(QStringLiteral("SetCurrentIM")))
                switches_ << call;
        return switches_;
    }
    QDBusMessage callFake(const QString& method, const QList<QVariant>& arguments = {}) {
        QDBusMessage call = QDBusMessage::createMethodCall(kFcitxService, QStringLiteral("/controller"),
                                                           QStringLiteral("org.fcitx.Fcitx.Controller1"), method);
        call.setArguments(arguments);
        return bus_.call(call, QDBus::Block, 3000);
    }

    QString currentInputMethod() {
        QDBusMessage ask = QDBusMessage::createMethodCall(kFcitxService, QStringLiteral("/controller"),
                                                          QStringLiteral("org.fcitx.Fcitx.Controller1"),
                                                          QStringLiteral("CurrentInputMethod"));
        QDBusMessage reply = bus_.call(ask, QDBus::Block, 3000);
        return reply.arguments().value(0).toString();
    }

    QTemporaryDir dir_;
    QString marker_;
    QProcess daemon_;
    QProcess fcitx_;
    QProcess ibus_;
    QString address_;
    QDBusConnection bus_{QStringLiteral("unset")};
    QStringList switches_;
};

int main(int argc, char** argv) {
    if (argc == 3 && (std::string_view(argv[1]) == "--fake-fcitx5" || std::string_view(argv[1]) == "--fake-ibus"))
        return serveFakeFcitx(argc, argv);
    QApplication application(argc, argv);
    InputMethodsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "inputmethods_test.moc"
