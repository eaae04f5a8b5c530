#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>


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
    explicit ErrorCatcher(core::ErrorReports& errors) {
        QObject::connect(&errors, &core::ErrorReports::reported, &errors,
                         [this](const QString& m) { messages.push_back(m); });
    }
    QStringList messages;
};

// A program folder of its own: settings file and a cue player that plays nothing.
struct Fixture {
    QTemporaryDir dir;
    QString iniPath = dir.filePath(QStringLiteral("Corlen.ini"));
    core::ErrorReports errors;
    core::Settings settings{iniPath.toStdString(), errors};
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
            ErrorCatcher errors(s.errors);
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
        ErrorCatcher errors(s.errors);
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
            // A name stored on another machine stays the choice, and shows as it is.
            {"[ShuRuFa]\r\nshurufa1=中文 (简体) - 微软拼音\r\n", installed, QStringLiteral("中文 (简体) - 微软拼音"), -1},
            {"", {}, QString(), -1},  // none stored, none installed: no error, an empty box
            {"[ShuRuFa]\r\nshurufa1=拼音\r\n", {}, QStringLiteral("拼音"), -1},
        };
        for (const auto& c : cases) {
            Fixture s;
            if (*c.ini) s.writeIni(c.ini);
            const QByteArray before = s.iniBytes();
            ErrorCatcher errors(s.errors);
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

QTEST_MAIN(ParametersWindowTest)
#include "parameterswindow_test.moc"
