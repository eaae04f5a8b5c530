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
#include <utility>
#include <string_view>
#include <sys/prctl.h>

#include "app/station.h"
#include "core/errors.h"
#include "core/settings.h"
#include "platform/inputmethods.h"
#include "platform/textcodec.h"
#include "player/cueplayer.h"
#include "ui/mainwindow.h"
#include "ui/parameterswindow.h"
#include "ui/searchpanel.h"

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
    void forgetCue() { cues.request(player::Error); }
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

        // Each field sits in its caption, over the full-width blanks, left column then right.
        auto* priceGroup = window.findChild<QGroupBox*>(QStringLiteral("priceGroup"));
        for (int i = 0; i < 12; ++i) {
            auto* label = priceGroup->findChild<QLabel*>(QStringLiteral("priceCaption%1").arg(i + 1));
            QVERIFY(label);
            const QString caption = QString::fromUtf8(kCaptions[i]);
            QCOMPARE(label->text(), caption);
            QLineEdit* field = window.priceField(i);
            QCOMPARE(field->parentWidget(), priceGroup);
            const QFontMetrics metrics(label->font());
            const int captionStart = label->x();
            const int unitStart = captionStart + metrics.horizontalAdvance(caption.left(caption.indexOf(u'元')));
            QVERIFY2(field->x() >= captionStart + metrics.horizontalAdvance(caption.left(caption.indexOf(u'：') + 1)),
                     qPrintable(caption));
            QVERIFY2(field->geometry().right() < unitStart + 1, qPrintable(caption));
            QVERIFY(label->geometry().contains(field->geometry().center()));
            const bool left = field->geometry().right() < priceGroup->width() / 2;
            QCOMPARE(left, i < 6);
            if (i % 6 > 0) QVERIFY(field->y() > window.priceField(i - 1)->y());
            QVERIFY(priceGroup->rect().contains(label->geometry()));
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
                QCOMPARE(s.cues.pending(), static_cast<int>(player::Select));
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
        QCOMPARE(s.cues.pending(), static_cast<int>(player::Error));

        window.setOptionBoxes(true, false);
        QVERIFY(window.syncDownloadBox()->isChecked());
        QVERIFY(!window.numberSearchBox()->isChecked());
        QCOMPARE(s.read("TongBuXZ", "TongBuXZ"), QStringLiteral("true"));
        QCOMPARE(s.read("BianHaoCZ", "BianHaoCZ"), QString());
        QCOMPARE(s.cues.pending(), static_cast<int>(player::Select));

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
            // A name stored on another machine stays the choice, and shows as it is.
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
            if (c.shownIndex < 0) QCOMPARE(window.inputMethodBox()->placeholderText(), c.chosen);
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
        QCOMPARE(s.cues.pending(), static_cast<int>(player::Select));
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
            QCOMPARE(s.cues.pending(), static_cast<int>(player::Error));
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
        QCOMPARE(s.cues.pending(), static_cast<int>(player::Select));
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
        core::Settings settings(dir.filePath(QStringLiteral("Corlen.ini")).toStdString());
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
