#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include "ui/focusselect.h"

using namespace zorvik;

// Typing right after the program, Tab or a label gives a box the focus
// replaces its text, as on the shop's Windows station; a click does not.
class FocusSelectTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void typingReplacesThePromptWhateverGaveTheFocus_data() {
        QTest::addColumn<bool>("combo");
        QTest::addColumn<int>("reason");
        QTest::addColumn<QString>("expected");
        for (bool combo : {false, true}) {
            const char* kind = combo ? "combo" : "edit";
            QTest::addRow("%s, by code", kind) << combo << int(Qt::OtherFocusReason) << QStringLiteral("3021");
            QTest::addRow("%s, by Tab", kind) << combo << int(Qt::TabFocusReason) << QStringLiteral("3021");
            QTest::addRow("%s, by a label", kind) << combo << int(Qt::ShortcutFocusReason) << QStringLiteral("3021");
            QTest::addRow("%s, by a click", kind) << combo << int(Qt::MouseFocusReason)
                                                  << QStringLiteral("这里输入查找编号3021");
        }
    }
    void typingReplacesThePromptWhateverGaveTheFocus() {
        QFETCH(bool, combo);
        QFETCH(int, reason);
        QFETCH(QString, expected);
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        auto* other = new QLineEdit(&window);
        layout->addWidget(other);
        QWidget* target = nullptr;
        QLineEdit* edit = nullptr;
        if (combo) {
            auto* box = new QComboBox(&window);
            box->setEditable(true);
            box->setEditText(QStringLiteral("这里输入查找编号"));
            ui::selectAllOnFocus(box);
            target = box;
            edit = box->lineEdit();
        } else {
            edit = new QLineEdit(QStringLiteral("这里输入查找编号"), &window);
            ui::selectAllOnFocus(edit);
            target = edit;
        }
        layout->addWidget(target);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        other->setFocus();
        edit->setCursorPosition(edit->text().size());
        edit->deselect();
        target->setFocus(static_cast<Qt::FocusReason>(reason));
        QTest::keyClicks(target, QStringLiteral("3021"));
        QCOMPARE(edit->text(), expected);
    }
};

QTEST_MAIN(FocusSelectTest)
#include "focusselect_test.moc"
