#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QFile>
#include <QDir>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <string_view>
#include <sys/prctl.h>

#include "core/errors.h"
#include "core/settings.h"
#include "platform/inputmethods.h"
#include "platform/textcodec.h"
#include "player/cueplayer.h"
#include "ui/parameterswindow.h"

using namespace zorvik;

namespace {

// What a message box said, answered as soon as it shows.
struct Answered {
    QString text;
    QString caption;
    int boxes = 0;
};

void answerMessageBoxes(Answered& answered) {
    auto* poll = new QTimer(qApp);
    int tries = 0;
    QObject::connect(poll, &QTimer::timeout, poll, [poll, &answered, tries]() mutable {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            answered.text = box->text();
            answered.caption = box->windowTitle();
            ++answered.boxes;
            box->done(QMessageBox::Ok);
        }
        if (++tries > 200 || answered.boxes > 0) poll->deleteLater();
    });
    poll->start(10);
}

class ErrorCatcher {
public:
    ErrorCatcher() {
        core::setErrorSink([this](const std::string& m) { messages.push_back(QString::fromStdString(m)); });
    }
    ~ErrorCatcher() { core::setErrorSink({}); }
    QStringList messages;
};

// A program folder of its own: settings file and a cue player that plays nothing.
struct Fixture {
    QTemporaryDir dir;
    QString iniPath = dir.filePath(QStringLiteral("Corlen.ini"));
    core::Settings settings{iniPath.toStdString()};
    player::CuePlayer cues{dir.filePath(QStringLiteral("cues/"))};

    void writeIni(const std::string& utf8) {
        QFile f(iniPath);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QByteArray::fromStdString(platform::utf8ToGb18030(utf8)));
    }
    QByteArray iniBytes() const {
        QFile f(iniPath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QString read(const char* section, const char* key) const {
        return QString::fromStdString(settings.read(section, key));
    }
    // Any other cue first, so that the one an action requests shows.
    void forgetCue() { cues.request(core::Cues::Error); }
};

QStringList utf8List(std::initializer_list<const char*> items) {
    QStringList list;
    for (const char* item : items) list << QString::fromUtf8(item);
    return list;
}

const char* const kCaptions[] = {"音乐：　　　　元/首", "MTV：　　　　元/首", "电影：　　　　元/部",
                                 "连续剧：　　　元/集", "图片：　　　　元/个", "电子书：　　　元/部",
                                 "游戏：　　　　元/个", "伦理片：　　　元/部", "小品：　　　　元/个",
                                 "演唱会：　　　元/个", "铃声：　　　　元/个", "其它：　　　　元/个"};

}  // namespace

class ParametersWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionSizeAndLayout() {
        Fixture s;
        ui::TCanSHuForm window(s.settings, s.cues, {});
        QCOMPARE(window.objectName(), QStringLiteral("CanSHuForm"));
        QCOMPARE(window.windowTitle(), QStringLiteral("参数设置"));
        QCOMPARE(window.minimumSize(), QSize(404, 518));
        QCOMPARE(window.maximumSize(), QSize(404, 518));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(window.size(), QSize(404, 518));
        QCOMPARE(window.windowModality(), Qt::NonModal);
        QVERIFY(window.isWindow());

        QStringList groups;
        int lastBottom = 0;
        for (const char* name : {"inputMethodGroup", "optionGroup", "priceGroup"}) {
            auto* group = window.findChild<QGroupBox*>(QLatin1String(name));
            QVERIFY(group);
            groups << group->title();
            QVERIFY(group->geometry().top() >= lastBottom);  // top to bottom, apart
            QVERIFY(window.rect().contains(group->geometry()));
            lastBottom = group->geometry().bottom();
        }
        QCOMPARE(groups, (QStringList{QStringLiteral("输入法设置"), QStringLiteral("选择框设置"),
                                      QStringLiteral("单价设置")}));
        auto* methodGroup = window.findChild<QGroupBox*>(QStringLiteral("inputMethodGroup"));
        QCOMPARE(methodGroup->findChild<QLabel*>()->text(), QStringLiteral("输入法:"));
        QCOMPARE(window.inputMethodBox()->parentWidget(), methodGroup);
        QCOMPARE(window.syncDownloadBox()->text(), QStringLiteral("同步下载"));
        QCOMPARE(window.numberSearchBox()->text(), QStringLiteral("编号查找"));
        QVERIFY(!window.syncDownloadBox()->isChecked());
        QVERIFY(!window.numberSearchBox()->isChecked());
        QCOMPARE(window.saveButton()->text(), QStringLiteral("保存设置并退出"));
        QVERIFY(window.saveButton()->geometry().top() > lastBottom);

        // Each field stands in its caption in place of the full-width blanks,
        // between the category's name and the unit, left column then right.
        auto* priceGroup = window.findChild<QGroupBox*>(QStringLiteral("priceGroup"));
        for (int i = 0; i < 12; ++i) {
            auto* name = priceGroup->findChild<QLabel*>(QStringLiteral("priceCaption%1").arg(i + 1));
            auto* unit = priceGroup->findChild<QLabel*>(QStringLiteral("priceUnit%1").arg(i + 1));
            QVERIFY(name && unit);
            const QString caption = QString::fromUtf8(kCaptions[i]);
            QCOMPARE(name->text() + unit->text(), QString(caption).remove(QChar(0x3000)));
            QVERIFY2(caption.startsWith(name->text()) && caption.endsWith(unit->text()), qPrintable(caption));
            QLineEdit* field = window.priceField(i);
            QCOMPARE(field->parentWidget(), priceGroup);
            QVERIFY2(field->x() >= name->x() + name->fontMetrics().horizontalAdvance(name->text()), qPrintable(caption));
            QVERIFY2(field->geometry().right() < unit->x(), qPrintable(caption));
            QCOMPARE(name->y(), unit->y());
            QVERIFY(name->geometry().united(unit->geometry()).contains(field->geometry().center()));
            const bool left = field->geometry().right() < priceGroup->width() / 2;
            QCOMPARE(left, i < 6);
            if (i % 6 > 0) QVERIFY(field->y() > window.priceField(i - 1)->y());
            QVERIFY(priceGroup->rect().contains(name->geometry().united(unit->geometry())));
        }
    }

    void fieldsShowDefaultsOrStoredTextsAndThePricesFollow() {
        struct Case {
            const char* ini;
            QStringList texts;
            orders::UnitPriceTable prices;
        };
        const Case cases[] = {
            {"",
             utf8List({"0.1", "0.2", "1", "0.2", "0.1", "0.5", "5", "1", "1", "1", "0.1", "1"}),
             {1000, 2000, 10000, 2000, 1000, 5000, 50000, 10000, 10000, 10000, 1000, 10000}},
            {"[DanJa]\r\nyy=0.15\r\nmtv=0.25\r\ndy=3\r\nlxj=.4\r\ntp=0.05\r\ndzs=1\r\nyx=8\r\n"
             "llp=2\r\nxp=1.5\r\nych=2.5\r\nls=0.2\r\nqt=0\r\n",
             utf8List({"0.15", "0.25", "3", ".4", "0.05", "1", "8", "2", "1.5", "2.5", "0.2", "0"}),
             {1500, 2500, 30000, 4000, 500, 10000, 80000, 20000, 15000, 25000, 2000, 0}},
            {"[DanJa]\r\ndy=3\r\n",
             utf8List({"0.1", "0.2", "3", "0.2", "0.1", "0.5", "5", "1", "1", "1", "0.1", "1"}),
             {1000, 2000, 30000, 2000, 1000, 5000, 50000, 10000, 10000, 10000, 1000, 10000}},
        };
        for (const auto& c : cases) {
            Fixture s;
            if (*c.ini) s.writeIni(c.ini);
            ErrorCatcher errors;
            ui::TCanSHuForm window(s.settings, s.cues, {});
            QStringList shown;
            for (int i = 0; i < 12; ++i) shown << window.priceField(i)->text();
            QCOMPARE(shown, c.texts);
            QCOMPARE(window.unitPrices(), c.prices);
            QCOMPARE(errors.messages, QStringList());
        }
    }

    void aStoredPriceThatIsNoNumberIsNamedOnceAndKeepsItsDefault() {
        Fixture s;
        s.writeIni("[DanJa]\r\nyy=abc\r\nmtv=0.3\r\nqt=4\r\n");
        ErrorCatcher errors;
        ui::TCanSHuForm window(s.settings, s.cues, {});
        QCOMPARE(errors.messages,
                 QStringList{QStringLiteral("音乐单价“abc”不是有效的数字，本次按默认单价 0.1 元/首 计算")});
        QCOMPARE(window.priceField(0)->text(), QStringLiteral("0.1"));
        QCOMPARE(window.unitPrices()[0], 1000);
        QCOMPARE(window.priceField(1)->text(), QStringLiteral("0.3"));
        QCOMPARE(window.unitPrices()[1], 3000);
        QCOMPARE(window.unitPrices()[11], 40000);
    }

    void tickBoxesWriteTheirSettingAndPlayCue2() {
        Fixture s;
        ui::TCanSHuForm window(s.settings, s.cues, {});
        struct Case {
            QCheckBox* box;
            const char* section;
        };
        const Case cases[] = {{window.syncDownloadBox(), "TongBuXZ"}, {window.numberSearchBox(), "BianHaoCZ"}};
        for (const auto& c : cases) {
            for (const char* expected : {"true", "false", "true"}) {
                s.forgetCue();
                QTest::mouseClick(c.box, Qt::LeftButton);
                QCOMPARE(s.read(c.section, c.section), QLatin1String(expected));
                QCOMPARE(s.cues.pending(), static_cast<int>(core::Cues::Select));
            }
        }
        QCOMPARE(s.read("TongBuXZ", "TongBuXZ"), QStringLiteral("true"));
        QCOMPARE(s.read("BianHaoCZ", "BianHaoCZ"), QStringLiteral("true"));
    }

    void startUpSetsTheBoxesAndAChangeWritesItBack() {
        Fixture s;
        ui::TCanSHuForm window(s.settings, s.cues, {});
        s.forgetCue();
        window.setOptionBoxes(false, false);  // no change: nothing to write
        QVERIFY(!QFile::exists(s.iniPath));
        QCOMPARE(s.cues.pending(), static_cast<int>(core::Cues::Error));

        window.setOptionBoxes(true, false);
        QVERIFY(window.syncDownloadBox()->isChecked());
        QVERIFY(!window.numberSearchBox()->isChecked());
        QCOMPARE(s.read("TongBuXZ", "TongBuXZ"), QStringLiteral("true"));
        QCOMPARE(s.read("BianHaoCZ", "BianHaoCZ"), QString());
        QCOMPARE(s.cues.pending(), static_cast<int>(core::Cues::Select));

        window.setOptionBoxes(false, true);
        QCOMPARE(s.read("TongBuXZ", "TongBuXZ"), QStringLiteral("false"));
        QCOMPARE(s.read("BianHaoCZ", "BianHaoCZ"), QStringLiteral("true"));
    }

    void theInputMethodComesFromTheFileOrTheFirstInstalledOne() {
        const std::vector<std::string> installed{"拼音", "五笔字型", "Keyboard - English (US)"};
        struct Case {
            const char* ini;
            std::vector<std::string> methods;
            QString chosen;
            int shownIndex;
        };
        const Case cases[] = {
            {"", installed, QStringLiteral("拼音"), 0},
            {"[ShuRuFa]\r\nshurufa1=五笔字型\r\n", installed, QStringLiteral("五笔字型"), 1},
            // A name stored on another machine stays the choice; the box shows no entry.
            {"[ShuRuFa]\r\nshurufa1=中文 (简体) - 微软拼音\r\n", installed, QStringLiteral("中文 (简体) - 微软拼音"), -1},
            {"", {}, QString(), -1},  // none stored, none installed: no error, an empty box
            {"[ShuRuFa]\r\nshurufa1=拼音\r\n", {}, QStringLiteral("拼音"), -1},
        };
        for (const auto& c : cases) {
            Fixture s;
            if (*c.ini) s.writeIni(c.ini);
            const QByteArray before = s.iniBytes();
            ErrorCatcher errors;
            ui::TCanSHuForm window(s.settings, s.cues, c.methods);
            QCOMPARE(window.inputMethodBox()->count(), static_cast<int>(c.methods.size()));
            QCOMPARE(window.inputMethod(), c.chosen);
            QCOMPARE(window.inputMethodBox()->currentIndex(), c.shownIndex);
            QCOMPARE(errors.messages, QStringList());
            QCOMPARE(s.iniBytes(), before);  // creation writes nothing
        }
    }

    void choosingAnInputMethodStoresItAtOnceAndTellsTheSearchBox() {
        Fixture s;
        ui::TCanSHuForm window(s.settings, s.cues, {"拼音", "五笔字型"});
        QSignalSpy chosen(&window, &ui::TCanSHuForm::inputMethodChosen);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        s.forgetCue();
        QTest::keyClick(window.inputMethodBox(), Qt::Key_Down);  // the operator picks the next entry
        QCOMPARE(window.inputMethodBox()->currentText(), QStringLiteral("五笔字型"));
        QCOMPARE(s.read("ShuRuFa", "shurufa1"), QStringLiteral("五笔字型"));
        QCOMPARE(window.inputMethod(), QStringLiteral("五笔字型"));
        QCOMPARE(chosen.size(), 1);
        QCOMPARE(chosen.at(0).at(0).toString(), QStringLiteral("五笔字型"));
        QCOMPARE(s.cues.pending(), static_cast<int>(core::Cues::Select));
        QVERIFY(window.isVisible());  // no save needed, nothing closes

        window.chooseInputMethod(QStringLiteral("拼音"));
        QCOMPARE(window.inputMethodBox()->currentIndex(), 0);
        QCOMPARE(s.read("ShuRuFa", "shurufa1"), QStringLiteral("拼音"));
        QCOMPARE(chosen.size(), 2);
    }

    void savingRefusesABadFieldKeepsTheWindowOpenAndWritesNothing() {
        struct Case {
            int field;
            QString text;
            QString message;
        };
        const QString tail = QStringLiteral("\n请输入不小于 0 的数字，如 0.5。设置未保存。");
        const Case cases[] = {
            {2, QStringLiteral("abc"), QStringLiteral("电影单价“abc”不是有效的数字") + tail},
            {7, QString(), QStringLiteral("伦理片单价为空") + tail},
            {11, QStringLiteral("-1"), QStringLiteral("其它单价“-1”不能为负数") + tail},
        };
        for (const auto& c : cases) {
            Fixture s;
            s.writeIni("[DanJa]\r\nyy=0.1\r\n");
            const QByteArray before = s.iniBytes();
            ui::TCanSHuForm window(s.settings, s.cues, {});
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            window.priceField(0)->setText(QStringLiteral("0.5"));
            window.priceField(c.field)->setText(c.text);
            s.forgetCue();

            Answered answered;
            answerMessageBoxes(answered);
            QTest::mouseClick(window.saveButton(), Qt::LeftButton);
            QCOMPARE(answered.boxes, 1);
            QCOMPARE(answered.text, c.message);
            QVERIFY(window.isVisible());
            QCOMPARE(s.iniBytes(), before);
            QCOMPARE(window.focusWidget(), window.priceField(c.field));
            QCOMPARE(s.cues.pending(), static_cast<int>(core::Cues::Error));
        }
    }

    void savingGoodTextsSaysWhenTheyApplyHidesAndKeepsThePricesInUse() {
        Fixture s;
        s.writeIni("[PiFu]\r\nPiFu=2\r\n");
        ui::TCanSHuForm window(s.settings, s.cues, {});
        const orders::UnitPriceTable inUse = window.unitPrices();
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QStringList typed =
            utf8List({"0.3", "0.2", "2", "0.2", "0.1", "0.5", "6", "1", "1", "1", "0.1", "1.25"});
        for (int i = 0; i < 12; ++i) window.priceField(i)->setText(typed[i]);
        s.forgetCue();

        Answered answered;
        answerMessageBoxes(answered);
        QTest::mouseClick(window.saveButton(), Qt::LeftButton);
        QCOMPARE(answered.boxes, 1);
        QCOMPARE(answered.text, QStringLiteral("新设置将在下次开启软件后生效！"));
        QVERIFY(!window.isVisible());
        QCOMPARE(s.cues.pending(), static_cast<int>(core::Cues::Select));
        QCOMPARE(window.unitPrices(), inUse);  // the tally keeps the old prices until the next start
        QCOMPARE(s.read("PiFu", "PiFu"), QStringLiteral("2"));
        const char* keys[] = {"yy", "mtv", "dy", "lxj", "tp", "dzs", "yx", "llp", "xp", "ych", "ls", "qt"};
        for (int i = 0; i < 12; ++i) QCOMPARE(s.read("DanJa", keys[i]), typed[i]);

        // The next start charges what was saved.
        ui::TCanSHuForm next(s.settings, s.cues, {});
        QCOMPARE(next.unitPrices()[0], 3000);
        QCOMPARE(next.unitPrices()[6], 60000);
        QCOMPARE(next.unitPrices()[11], 12500);
    }

    void closingOnlyHidesAndNeverHoldsTheProgramOpen() {
        Fixture s;
        ui::TCanSHuForm window(s.settings, s.cues, {});
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.close());
        QVERIFY(!window.isVisible());
        QVERIFY(!window.testAttribute(Qt::WA_DeleteOnClose));
        QVERIFY(!window.testAttribute(Qt::WA_QuitOnClose));
    }
};

// ---- fcitx5's controller, played by a second copy of this program on a private bus

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
        auto entry = [](const char* unique, const char* name) {
            return FakeEntry{QLatin1String(unique), QString::fromUtf8(name), {}, {}, {}, QStringLiteral("zh_CN"), false};
        };
        // More than the group holds, as fcitx5 knows every keyboard layout.
        return {entry("keyboard-us", "Keyboard - English (US)"), entry("keyboard-de", "Keyboard - German"),
                entry("pinyin", "拼音"),          entry("shuangpin", "双拼"),
                entry("wbx", "五笔字型"),         entry("keyboard-us-intl", "Keyboard - English (US)")};
    }
    QString CurrentInputMethodGroup() { return QStringLiteral("默认"); }
    // Two results ("sa(ss)"): answered by hand, QtDBus exports no custom output arguments.
    void InputMethodGroupInfo(const QString& group, const QDBusMessage& call) {
        QList<FakeGroupItem> items;
        if (group == QStringLiteral("默认"))
            for (const char* name : {"keyboard-us", "pinyin", "wbx", "keyboard-us-intl", "gone-away"})
                items.append({QLatin1String(name), {}});
        call.setDelayedReply(true);
        bus.send(call.createReply({group == QStringLiteral("默认") ? QStringLiteral("us") : QString(),
                                   QVariant::fromValue(items)}));
    }
    QString CurrentInputMethod() { return current; }
    void SetCurrentIM(const QString& name) { current = name; }
};

namespace {

int serveFakeFcitx(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    qDBusRegisterMetaType<FakeEntry>();
    qDBusRegisterMetaType<QList<FakeEntry>>();
    qDBusRegisterMetaType<FakeGroupItem>();
    qDBusRegisterMetaType<QList<FakeGroupItem>>();
    QDBusConnection bus = QDBusConnection::connectToBus(QString::fromLocal8Bit(argv[2]), QStringLiteral("fake"));
    FakeController controller(bus);
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
        // The bus answers a call that starts a service only once the program it
        // started has ended, so a mark would be there already.
        QVERIFY(!QFile::exists(marker_));

        // The stand-in does start for a plain call, so the check above can see one.
        QDBusMessage plain = QDBusMessage::createMethodCall(kFcitxService, QStringLiteral("/controller"),
                                                            QStringLiteral("org.fcitx.Fcitx.Controller1"),
                                                            QStringLiteral("CurrentInputMethod"));
        bus_.call(plain, QDBus::Block, 3000);
        QVERIFY(QFile::exists(marker_));
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
        core::Settings settings(dir.filePath(QStringLiteral("Corlen.ini")).toStdString());
        QVERIFY(settings.write("ShuRuFa", "shurufa1", "五笔字型"));
        player::CuePlayer cues(dir.filePath(QStringLiteral("cues/")));
        ui::TCanSHuForm window(settings, cues, platform::installedInputMethods(bus_));
        QCOMPARE(window.inputMethodBox()->count(), 4);
        QCOMPARE(window.inputMethodBox()->currentText(), QStringLiteral("五笔字型"));
        QVERIFY(platform::switchInputMethod(bus_, window.inputMethod().toStdString()));
        QCOMPARE(currentInputMethod(), QStringLiteral("wbx"));
    }

private:
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
    QString address_;
    QDBusConnection bus_{QStringLiteral("unset")};
};

int main(int argc, char** argv) {
    if (argc == 3 && std::string_view(argv[1]) == "--fake-fcitx5") return serveFakeFcitx(argc, argv);
    QApplication application(argc, argv);
    int failures = 0;
    {
        ParametersWindowTest windowTest;
        failures += QTest::qExec(&windowTest, argc, argv);
    }
    {
        InputMethodsTest inputMethodsTest;
        failures += QTest::qExec(&inputMethodsTest, argc, argv);
    }
    return failures;
}

#include "parameterswindow_test.moc"
