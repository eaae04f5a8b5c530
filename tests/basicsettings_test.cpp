#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>

#include "app/station.h"
#include "library/layout.h"
#include "library/listing.h"
#include "library/resultlist.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "support/fixture.h"
#include "ui/basicsettingspanel.h"
#include "ui/searchpanel.h"

using namespace zorvik;

namespace {

const std::vector<std::string> kInputMethods{"中文(简体) - 微软拼音", "五笔"};

// The station, the search group with the quick drive boxes and the panel, in
// a client area as the main window holds them.
struct Rig {
    Rig() {
        QDir().mkpath(QString::fromStdString(folders.data));
        station = std::make_unique<app::Station>(folders);
        client.resize(1010, 666);
        search = new ui::SearchPanel(*station, &client);
        panel = new ui::BasicSettingsPanel(*station, *search, kInputMethods, &client);
        panel->setFolderOpener([this](const std::string& path) {
            opened.push_back(path);
            return true;
        });
    }

    std::string settingsFile() const { return testing::readFile(folders.settingsFile()); }
    QString read(const char* key) const { return QString::fromStdString(station->settings().read(key, key)); }
    QComboBox* quick(int n) const { return search->quickDriveBoxes()[static_cast<size_t>(n - 1)]; }
    QComboBox* box(int n) const { return panel->driveBoxes()[static_cast<size_t>(n - 1)]; }
    QPushButton* button(int n) const { return panel->openButtons()[static_cast<size_t>(n - 1)]; }
    // The letter the walks use for drive n.
    QString letter(int n) const {
        return QString::fromStdString(station->libraryDrives()[static_cast<size_t>(n - 1)]);
    }
    bool hasCategoryFolders(const char* driveFolder) const {
        for (const auto& c : library::kCategories)
            if (!std::filesystem::is_directory(scratch.at(std::string(driveFolder) + "/Brask搜歌库/" +
                                                           std::string(c.folder))))
                return false;
        return true;
    }

    testing::Scratch scratch;
    core::ProgramFolders folders = core::ProgramFolders::at(scratch.path());
    std::unique_ptr<app::Station> station;
    QWidget client;
    ui::SearchPanel* search;
    ui::BasicSettingsPanel* panel;
    std::vector<std::string> opened;
};

// What the operator does in the folder dialog once it shows: the dialog's
// title, and whether it was there at all, end up in `title`.
struct DialogHand {
    explicit DialogHand(std::function<void(QFileDialog*)> act) {
        auto* poll = new QTimer(&owner);
        QObject::connect(poll, &QTimer::timeout, &owner, [this, poll, act = std::move(act)] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible()) return;
            poll->stop();
            title = dialog->windowTitle();
            act(dialog);
        });
        poll->start(20);
    }
    QObject owner;
    QString title;
};

// Types a folder into the dialog's name field and presses Enter.
void typeFolder(QFileDialog* dialog, const QString& folder) {
    auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (!field) {
        dialog->reject();
        QFAIL("the dialog has no name field");
    }
    field->setText(folder);  // typed in one go: no completion list comes up to take the Enter
    QTest::keyClick(field, Qt::Key_Return);
}

void choose(QComboBox* box, const QString& item) {
    const int index = box->findText(item);
    QVERIFY2(index >= 0, qPrintable(item));
    box->setCurrentIndex(index);  // what a click in the drop-down list does
}

}  // namespace

class BasicSettingsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:

    void choosingEInSettingsBox1SetsUpDrive1() {
        Rig rig;
        rig.scratch.mapDrives(rig.station->driveTable(), {{'E', "e"}});
        QSignalSpy quickHandling(rig.quick(1), &QComboBox::editTextChanged);
        QCOMPARE(rig.station->cues().pending(), 0);

        choose(rig.box(1), QStringLiteral("E"));

        QCOMPARE(rig.read("PanFu1"), QStringLiteral("E"));
        QVERIFY(rig.settingsFile().find("[PanFu1]\r\nPanFu1=E\r\n") != std::string::npos);
        QCOMPARE(rig.quick(1)->currentText(), QStringLiteral("E"));
        QCOMPARE(quickHandling.count(), 0);  // the quick box's own handling stayed quiet
        QCOMPARE(rig.letter(1), QStringLiteral("E"));  // but the walks follow it
        QCOMPARE(rig.button(1)->text(), QStringLiteral("打开E盘资源库"));
        QVERIFY(!rig.button(1)->isHidden());
        for (int n = 2; n <= 6; ++n) QVERIFY(rig.button(n)->isHidden());
        QVERIFY(rig.hasCategoryFolders("e"));
        QCOMPARE(rig.station->cues().pending(), int(core::Cues::Select));
    }

    void settingsBoxTextDecidesButtonAndQuickBox_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("buttonShown");
        QTest::addColumn<QString>("quickBox");
        QTest::addColumn<QString>("walkLetter");
        // Drive 2 was E before each change.
        QTest::newRow("a letter") << QStringLiteral("K") << QStringLiteral("K") << true << QStringLiteral("K")
                                  << QStringLiteral("K");
        QTest::newRow("the blank entry") << QStringLiteral(" ") << QStringLiteral(" ") << false
                                         << QStringLiteral("E") << QStringLiteral("E");
        QTest::newRow("emptied by hand") << QString() << QString() << false << QStringLiteral("E")
                                         << QStringLiteral("E");
    }

    void settingsBoxTextDecidesButtonAndQuickBox() {
        QFETCH(QString, text);
        QFETCH(QString, stored);
        QFETCH(bool, buttonShown);
        QFETCH(QString, quickBox);
        QFETCH(QString, walkLetter);
        Rig rig;
        rig.scratch.mapDrives(rig.station->driveTable(), {{'E', "e"}, {'K', "k"}});
        choose(rig.box(2), QStringLiteral("E"));
        QVERIFY(!rig.button(2)->isHidden());

        if (text.isEmpty()) {
            rig.box(2)->lineEdit()->selectAll();
            QTest::keyClick(rig.box(2)->lineEdit(), Qt::Key_Backspace);
        } else {
            choose(rig.box(2), text);
        }

        QCOMPARE(rig.box(2)->currentText(), text);
        QVERIFY(rig.settingsFile().find("[PanFu2]\r\nPanFu2=" + stored.toStdString() + "\r\n") !=
                std::string::npos);
        QCOMPARE(rig.read("PanFu2"), stored.trimmed());  // a blank reads back empty
        QCOMPARE(!rig.button(2)->isHidden(), buttonShown);
        if (buttonShown) QCOMPARE(rig.button(2)->text(), QStringLiteral("打开") + text + QStringLiteral("盘资源库"));
        QCOMPARE(rig.quick(2)->currentText(), quickBox);
        QCOMPARE(rig.letter(2), walkLetter);
        QCOMPARE(rig.hasCategoryFolders("k"), text == QStringLiteral("K"));
        QCOMPARE(rig.station->cues().pending(), int(core::Cues::Select));
    }

    void typingGThenHIntoQuickBox3() {
        Rig rig;
        rig.scratch.mapDrives(rig.station->driveTable(), {{'G', "g"}, {'H', "h"}});
        rig.client.show();
        rig.client.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&rig.client));
        QLineEdit* edit = rig.quick(3)->lineEdit();

        QTest::keyClicks(edit, QStringLiteral("g"));
        QCOMPARE(rig.quick(3)->currentText(), QStringLiteral("G"));
        QCOMPARE(rig.read("PanFu3"), QStringLiteral("G"));  // every typed character is stored
        QCOMPARE(rig.letter(3), QStringLiteral("G"));
        QVERIFY(rig.hasCategoryFolders("g"));
        QCOMPARE(rig.station->cues().pending(), int(core::Cues::Select));
        QVERIFY(rig.search->searchBox()->hasFocus());

        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("H"));
        QCOMPARE(rig.quick(3)->currentText(), QStringLiteral("H"));  // not "GH", which names no drive
        QCOMPARE(rig.read("PanFu3"), QStringLiteral("H"));
        QCOMPARE(rig.letter(3), QStringLiteral("H"));
        QVERIFY(rig.hasCategoryFolders("h"));
        QVERIFY(rig.search->searchBox()->hasFocus());

        // A character that is no drive letter is refused and changes nothing.
        const std::string before = rig.settingsFile();
        QSignalSpy changes(rig.quick(3), &QComboBox::editTextChanged);
        QTest::keyClicks(edit, QStringLiteral("1:"));
        QCOMPARE(rig.quick(3)->currentText(), QStringLiteral("H"));
        QCOMPARE(changes.count(), 0);
        QCOMPARE(rig.settingsFile(), before);
    }

    void quickBoxChoicesFromTheList() {
        Rig rig;
        rig.scratch.mapDrives(rig.station->driveTable(), {{'E', "e"}});
        choose(rig.quick(2), QStringLiteral(" "));  // a fresh box: its first entry counts as a change too
        QVERIFY(rig.settingsFile().find("[PanFu2]\r\nPanFu2= \r\n") != std::string::npos);
        QCOMPARE(rig.station->cues().pending(), int(core::Cues::Select));

        choose(rig.quick(1), QStringLiteral("E"));
        QCOMPARE(rig.read("PanFu1"), QStringLiteral("E"));
        QCOMPARE(rig.letter(1), QStringLiteral("E"));
        QVERIFY(rig.hasCategoryFolders("e"));
        QCOMPARE(rig.box(1)->currentText(), QString());  // the settings box does not follow

        QTest::keyClicks(rig.quick(1)->lineEdit(), QStringLiteral("f"));
        QCOMPARE(rig.letter(1), QStringLiteral("F"));
        choose(rig.quick(1), QStringLiteral("E"));  // the list entry that was current before typing
        QCOMPARE(rig.quick(1)->currentText(), QStringLiteral("E"));
        QCOMPARE(rig.letter(1), QStringLiteral("E"));

        choose(rig.quick(1), QStringLiteral(" "));
        QVERIFY(rig.settingsFile().find("PanFu1= \r\n") != std::string::npos);
        QCOMPARE(rig.read("PanFu1"), QString());
        QCOMPARE(rig.letter(1), QStringLiteral(" "));
        for (const auto& root : library::searchRoots(rig.station->libraryDrives(), 0))
            QVERIFY(!rig.station->driveTable().toNative(root));  // blank drives name nothing
    }

    void aLetterThatNamesNoFolderIsOfferedOne() {
        Rig rig;
        const std::string shop = rig.scratch.makeFolder("shop");
        rig.scratch.write("shop/Brask搜歌库/1-音乐/3021 月亮.mp3", "x");
        rig.client.show();
        QVERIFY(!rig.station->driveTable().drive('E'));

        // The operator types E into settings box 1 and presses Enter; the
        // dialog asks for E's folder and the operator types it in.
        QTest::keyClicks(rig.box(1)->lineEdit(), QStringLiteral("e"));
        DialogHand hand([&](QFileDialog* d) { typeFolder(d, QString::fromStdString(shop)); });
        QTest::keyClick(rig.box(1), Qt::Key_Return);
        QCOMPARE(hand.title, QStringLiteral("选择E盘对应的文件夹"));

        QVERIFY(rig.settingsFile().find("[Drives]\r\nE=" + shop + "\r\n") != std::string::npos);
        QCOMPARE(rig.station->driveTable().toNative("E:\\x").value_or(""), shop + "/x");
        QCOMPARE(rig.panel->driveFolderLabels()[0]->toolTip(), QStringLiteral("E盘：") + QString::fromStdString(shop));
        QVERIFY(rig.hasCategoryFolders("shop"));
        QCOMPARE(rig.read("PanFu1"), QStringLiteral("E"));
        QCOMPARE(rig.quick(1)->currentText(), QStringLiteral("E"));

        // The next search walks the new folder.
        QSignalSpy finished(&rig.station->search(), &search::SearchController::finished);
        rig.station->search().selectTab(0);
        rig.station->search().setText(QStringLiteral("3021"));
        QVERIFY(rig.station->search().start());
        QVERIFY(finished.wait(5000));
        QCOMPARE(rig.station->results().count(), 1);
        QCOMPARE(QString::fromStdString(rig.station->results().path(0)),
                 QStringLiteral("E:\\Brask搜歌库\\1-音乐\\3021 月亮.mp3"));

        // A letter already naming a folder is not asked about; a dialog put
        // away leaves the letter unmapped and is not shown again for it.
        QTest::keyClicks(rig.box(2)->lineEdit(), QStringLiteral("d"));
        QTest::keyClick(rig.box(2), Qt::Key_Return);
        QTest::qWait(100);
        QVERIFY(!QApplication::activeModalWidget());
        QTest::keyClicks(rig.box(3)->lineEdit(), QStringLiteral("f"));
        DialogHand away([](QFileDialog* d) { QTest::keyClick(d, Qt::Key_Escape); });
        QFocusEvent tabbedAway(QEvent::FocusOut, Qt::TabFocusReason);  // leaving the box settles it too
        QApplication::sendEvent(rig.box(3), &tabbedAway);
        QTRY_COMPARE(away.title, QStringLiteral("选择F盘对应的文件夹"));
        QTRY_VERIFY(!QApplication::activeModalWidget());
        QVERIFY(!rig.station->driveTable().drive('F'));
        QCOMPARE(rig.panel->driveFolderLabels()[2]->text(), QStringLiteral("F盘：未对应文件夹"));
        QTest::keyClick(rig.box(3), Qt::Key_Return);
        QTest::qWait(100);
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(rig.settingsFile().find("F=") == std::string::npos);
    }

    void aMissingLibraryDiskGetsNoFolders() {
        Rig rig;
        const std::string gone = rig.scratch.at("gone/disk");
        rig.station->driveTable().setFixed({{'E', gone}});
        choose(rig.box(1), QStringLiteral("E"));
        choose(rig.quick(2), QStringLiteral("E"));
        QCOMPARE(rig.read("PanFu1"), QStringLiteral("E"));  // stored all the same
        QCOMPARE(rig.panel->driveFolderLabels()[0]->toolTip(),
                 QStringLiteral("E盘：") + QString::fromStdString(gone) + QStringLiteral("（不存在）"));
        QVERIFY(!std::filesystem::exists(rig.scratch.at("gone")));
    }

    void startUpFillRunsNoChangeHandling() {
        Rig rig;  // the settings file is written before the station starts
        const std::string settings = "[PanFu1]\r\nPanFu1=E\r\n[PanFu4]\r\nPanFu4=GH\r\n[Drives]\r\nE=" +
                                     rig.scratch.makeFolder("e") + "\r\n";
        rig.scratch.write("数据文件/Corlen.ini", platform::utf8ToGb18030(settings));
        QSignalSpy quickHandling(rig.quick(1), &QComboBox::editTextChanged);

        rig.station->create();

        QCOMPARE(rig.quick(1)->currentText(), QStringLiteral("E"));
        QCOMPARE(rig.quick(4)->currentText(), QStringLiteral("GH"));  // shown as stored
        QCOMPARE(rig.quick(2)->currentText(), QString());
        QCOMPARE(quickHandling.count(), 0);
        QCOMPARE(rig.station->cues().pending(), 0);
        QCOMPARE(rig.settingsFile(), platform::utf8ToGb18030(settings));
        QVERIFY(!std::filesystem::exists(rig.scratch.at("e/Brask搜歌库")));
        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(rig.box(n)->currentText(), QString());  // settings boxes start empty
            QVERIFY(rig.button(n)->isHidden());
        }
        rig.station->destroy();
    }

    void eachOpenLibraryButtonOpensItsOwnDrive() {
        Rig rig;
        const char* letters[] = {"E", "F", "G", "H", "I", "J"};
        rig.scratch.mapDrives(rig.station->driveTable(), {{'E', "e"}, {'F', "f"}, {'G', "g"}, {'H', "h"}, {'I', "i"}, {'J', "j"}});
        rig.client.show();
        for (int n = 1; n <= 6; ++n) choose(rig.box(n), QLatin1String(letters[n - 1]));
        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(rig.button(n)->text(),
                     QStringLiteral("打开") + QLatin1String(letters[n - 1]) + QStringLiteral("盘资源库"));
            QTest::mouseClick(rig.button(n), Qt::LeftButton);
            QCOMPARE(rig.opened.size(), size_t(n));
            QCOMPARE(QString::fromStdString(rig.opened.back()), QLatin1String(letters[n - 1]) + QStringLiteral(":\\Brask搜歌库\\"));
        }
    }

    void theInputMethodChoiceIsStored() {
        Rig rig;
        QComboBox* box = rig.panel->inputMethodBox();
        QCOMPARE(box->count(), 2);
        QCOMPARE(box->itemText(0), QStringLiteral("中文(简体) - 微软拼音"));
        QCOMPARE(box->currentText(), QString());  // nothing chosen at start
        QVERIFY(!std::filesystem::exists(rig.folders.settingsFile()));

        box->setCurrentIndex(1);
        QCOMPARE(QString::fromStdString(rig.station->settings().read("ShuRuFa", "shurufa1")), QStringLiteral("五笔"));
        QCOMPARE(rig.station->cues().pending(), int(core::Cues::Select));
    }

    void thePanelCoversTheWindowWithItsTextsAndHidesWhenDone() {
        Rig rig;
        auto* later = new QFrame(&rig.client);  // a region made after the panel
        later->setGeometry(0, 0, 1010, 666);
        rig.client.show();
        QCOMPARE(rig.panel->parentWidget(), &rig.client);
        QCOMPARE(rig.panel->objectName(), QStringLiteral("basicSettingsPanel"));
        QCOMPARE(rig.panel->geometry(), QRect(0, -24, 1009, 681));
        QVERIFY(rig.panel->isHidden());

        rig.panel->showOverWindow();
        QVERIFY(rig.panel->isVisible());
        QWidget* top = rig.client.childAt(500, 300);
        QVERIFY(top == rig.panel || rig.panel->isAncestorOf(top));

        QStringList labels;
        for (auto* label : rig.panel->findChildren<QLabel*>()) labels << label->text();
        const QStringList expected{
            QStringLiteral("基 本 设 置"), QStringLiteral("（四步，请仔细设置）"),
            QStringLiteral("第一步:选择歌曲所在盘符:"),
            QStringLiteral("1.如你的歌曲保存在E盘,就选 E ,至少要设置一个，最多可设置六个，请勿多设，乱设,重设 "),
            QStringLiteral("2.不能选择光驱盘符,等不可写磁盘盘符"),
            QStringLiteral("第二步：在下面选择您喜欢的输入法:"), QStringLiteral("输入法选择框:"),
            QStringLiteral("第三步：进入所选盘符目录，移动影音文件到相应文件夹"),
            QStringLiteral("1.注：最重要的一步"), QStringLiteral("2.资源库和软件一起购买的可省去这一步。"),
            QStringLiteral("第四步：点击 确定设置完毕"), QStringLiteral("1.基本设置到此圆满完成。"),
            QStringLiteral("歌库盘符1:"), QStringLiteral("歌库盘符6:")};
        for (const auto& text : expected) QVERIFY2(labels.contains(text), qPrintable(text));

        const QStringList names{QStringLiteral("ComboBox6"), QStringLiteral("ComboBox7"), QStringLiteral("ComboBox8"),
                                QStringLiteral("ComboBox19"), QStringLiteral("ComboBox23"),
                                QStringLiteral("ComboBox24")};
        for (int n = 1; n <= 6; ++n) {
            QCOMPARE(rig.box(n)->objectName(), names[n - 1]);
            QVERIFY(rig.box(n)->isEditable());
            QCOMPARE(rig.box(n)->count(), 24);
            QCOMPARE(rig.quick(n)->count(), 24);
            QCOMPARE(rig.box(n)->itemText(0), QStringLiteral(" "));
            QCOMPARE(rig.box(n)->itemText(23), QStringLiteral("Z"));
            QCOMPARE(rig.button(n)->text(), QStringLiteral("打开E盘资源库"));
        }

        const QString instructions = rig.panel->instructions()->toPlainText();
        for (const auto& c : library::kCategories)
            QVERIFY2(instructions.contains(QString::fromUtf8(c.folder.data(), qsizetype(c.folder.size()))),
                     c.folder.data());
        QVERIFY(instructions.contains(QStringLiteral("重新启动")));
        QVERIFY(rig.panel->instructions()->isReadOnly());

        QTest::mouseClick(rig.panel->doneButton(), Qt::LeftButton);
        QVERIFY(rig.panel->isHidden());
        QCOMPARE(rig.client.focusWidget(), rig.search->searchBox());  // the keyboard goes on with a search
    }

    void theFolderTreePictureIsAnEmbeddedJpeg() {
        QVERIFY(QImageReader::supportedImageFormats().contains("jpeg"));
        QImageReader reader(QStringLiteral(":/pictures/foldertree.jpg"));
        QCOMPARE(reader.format(), QByteArray("jpeg"));
        const QImage image = ui::BasicSettingsPanel::folderTreeImage();
        QVERIFY(!image.isNull());
        QCOMPARE(image.size(), ui::BasicSettingsPanel::kFolderTreeSize);
        // Drawn, not blank: dark text and lines on a light ground.
        int darkest = 255;
        int lightest = 0;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2) {
                const int grey = qGray(image.pixel(x, y));
                darkest = std::min(darkest, grey);
                lightest = std::max(lightest, grey);
            }
        QVERIFY(darkest < 64);
        QVERIFY(lightest > 240);

        // Decoded when the panel is first shown, not with every start.
        Rig rig;
        QVERIFY(rig.panel->folderTreePicture()->pixmap().isNull());
        rig.panel->showOverWindow();
        rig.client.show();
        QCOMPARE(rig.panel->folderTreePicture()->pixmap().size(), ui::BasicSettingsPanel::kFolderTreeSize);
    }
};

QTEST_MAIN(BasicSettingsTest)
#include "basicsettings_test.moc"
