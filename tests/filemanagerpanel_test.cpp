#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPalette>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <filesystem>
#include <fstream>

#include "app/station.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "storage/foldertree.h"
#include "support/mounts.h"
#include "ui/categorytabs.h"
#include "ui/filemanagerpanel.h"
#include "ui/mainwindow.h"
#include "ui/orderpanel.h"
#include "ui/resultspanel.h"

using namespace zorvik;
namespace fs = std::filesystem;

namespace {

// A program folder whose settings map drives into a scratch folder.
void writeSettings(const QTemporaryDir& dir, const std::string& drives) {
    QDir(dir.path()).mkpath(QStringLiteral("数据文件"));
    QFile ini(dir.filePath(QStringLiteral("数据文件/Corlen.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write(QByteArray::fromStdString(platform::utf8ToGb18030("[Drives]\r\n" + drives)));
}

QModelIndex rowNamed(const QAbstractItemModel& model, const QModelIndex& parent, const QString& name) {
    for (int row = 0; row < model.rowCount(parent); ++row)
        if (model.index(row, 0, parent).data().toString() == name) return model.index(row, 0, parent);
    return {};
}

// Shows the window and waits for the station's start-up to end.
bool showStarted(app::Station& station, ui::TForm1& window) {
    QSignalSpy started(&station, &app::Station::startupFinished);
    window.show();
    return QTest::qWaitForWindowExposed(&window) && (!started.isEmpty() || started.wait(3000));
}

// Answers the next message box with `button`, and keeps its text.
void answerNextBox(QMessageBox::StandardButton button, QString* text) {
    QTimer::singleShot(50, qApp, [button, text] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (text) *text = box->windowTitle() + QStringLiteral("|") + box->text();
            box->button(button)->click();  // done() would leave no button clicked
        }
    });
}

}  // namespace

class FileManagerPanelTest : public QObject {
    Q_OBJECT
private Q_SLOTS:

    // The file manager on a customer's card, worked as the operator works it.
    void onARemovableDrive() {
        platform::DriveTable mounted;
        testing::RemovableMounts drives{mounted};
        const std::string card = drives.mount("16m");
        if (card.empty()) QSKIP(drives.why().c_str());
        fs::create_directories(card + "/My Music");
        fs::create_directories(card + "/video");
        std::ofstream(card + "/My Music/歌.mp3") << "x";
        std::ofstream(card + "/readme.txt") << "x";

        QTemporaryDir dir;
        app::Station station(core::ProgramFolders::at(dir.path().toStdString()));
        ui::TForm1 window(station);
        QVERIFY(showStarted(station, window));
        // The card's letter as the station gave it.
        QString root;
        for (const auto& d : station.driveTable().drives())
            if (d.type == platform::DriveType::Removable && d.root == card) root = platform::MountWatcher::rootOf(d.letter);
        QVERIFY(!root.isEmpty());
        auto* panel = window.fileManagerPanel();
        auto* results = window.resultsPanel();
        QVERIFY(!panel->isVisible());
        QVERIFY(!panel->folderLabel()->isVisible());
        QCOMPARE(panel->removableDiskButton()->text(), QStringLiteral("U盘管理"));
        QCOMPARE(panel->localDiskButton()->toolTip(), QStringLiteral("打开本地磁盘"));

        // "U盘管理": the file manager in place of the result list.
        QTest::mouseClick(panel->removableDiskButton(), Qt::LeftButton);
        QVERIFY(panel->isVisible());
        QVERIFY(!results->resultView()->isVisible());
        QTRY_COMPARE(results->countLabel()->text(), QStringLiteral("3 个对象"));
        QTRY_VERIFY(panel->folderLabel()->isVisible());  // the status refresh, 10 ms later
        QCOMPARE(panel->folderLabel()->text(), root);
        QCOMPARE(panel->pathBox()->currentText(), root);
        QCOMPARE(panel->pathBox()->itemText(0), QStringLiteral("我的电脑"));
        QVERIFY(panel->pathBox()->findText(QStringLiteral("D:\\")) > 0);
        QVERIFY(panel->pathBox()->findText(root) > 0);
        auto* tree = panel->folderTree();
        auto* list = panel->fileList();
        const QModelIndex top = tree->model()->index(0, 0);
        QCOMPARE(top.data().toString(), QStringLiteral("可移动磁盘 (") + root.left(2) + QStringLiteral(")"));
        QTRY_COMPARE(tree->model()->rowCount(top), 2);
        QVERIFY(tree->isExpanded(top));

        // A click in the tree lists that folder.
        const QModelIndex video = rowNamed(*tree->model(), top, QStringLiteral("video"));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualRect(video).center());
        QTRY_COMPARE(panel->folderLabel()->text(), root + QStringLiteral("video"));
        QTRY_COMPARE(results->countLabel()->text(), QStringLiteral("0 个对象"));
        // A right click selects too.
        QTest::mouseClick(tree->viewport(), Qt::RightButton, {}, tree->visualRect(top).center());
        QTRY_COMPARE(list->model()->rowCount(), 3);

        // Opening a folder of the list selects it in the tree.
        const QModelIndex music = rowNamed(*list->model(), {}, QStringLiteral("My Music"));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(music).center());
        QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(music).center());
        QTRY_COMPARE(tree->currentIndex().data().toString(), QStringLiteral("My Music"));
        QTRY_COMPARE(list->model()->rowCount(), 1);

        // F2, a new name and Enter rename the file on the card, and search nothing.
        list->setFocus();
        list->setCurrentIndex(list->model()->index(0, 0));
        QTest::keyClick(list, Qt::Key_F2);
        auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
        QVERIFY(editor);
        QCOMPARE(editor->text(), QStringLiteral("歌.mp3"));
        QTRY_COMPARE(editor->selectedText(), QStringLiteral("歌"));
        editor->setText(QStringLiteral("新歌.mp3"));  // typed through an input method
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_VERIFY(fs::exists(card + "/My Music/新歌.mp3"));
        QTRY_COMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("新歌.mp3"));
        QVERIFY(station.listings().readyText() != QStringLiteral("正 在 搜 索 ..."));
        QVERIFY(panel->isVisible());

        // A press on the category tabs brings the result list back.
        QTest::mousePress(window.categoryTabs(), Qt::LeftButton, {}, window.categoryTabs()->tabRect(1).center());
        QTest::mouseRelease(window.categoryTabs(), Qt::LeftButton, {}, window.categoryTabs()->tabRect(1).center());
        QTRY_VERIFY(results->resultView()->isVisible());
        QVERIFY(!panel->isVisible());
        QVERIFY(!panel->folderLabel()->isVisible());
        QCOMPARE(results->countLabel()->text(), QStringLiteral("0 个对象"));

        // A removed drive puts the result list in front and roots the file manager at C:\.
        QTest::mouseClick(panel->removableDiskButton(), Qt::LeftButton);
        QVERIFY(panel->isVisible());
        drives.unmount(card);
        QTRY_VERIFY(results->resultView()->isVisible());
        QVERIFY(!panel->isVisible());
        QCOMPARE(station.fileManager().root(), QStringLiteral("C:\\"));
    }

    // A folder picked while the 图片 line of list 3 is selected becomes list 3's picture folder, and nothing else changes.
    void pickerChoiceChangesOnlyThatLine() {
        QTemporaryDir dir;
        const QString card = dir.filePath(QStringLiteral("card"));
        QDir().mkpath(card + QStringLiteral("/DCIM"));
        writeSettings(dir, "F=" + card.toStdString() + "\r\n");
        app::Station station(core::ProgramFolders::at(dir.path().toStdString()));
        ui::TForm1 window(station);
        QVERIFY(showStarted(station, window));
        QTRY_VERIFY(window.orderPanel()->page(3).destination->count() == 5);

        auto* orders = window.orderPanel();
        orders->tabs()->setCurrentIndex(2);
        QCOMPARE(station.orderBook().active(), 3);
        std::array<QStringList, 6> before;
        for (int n = 1; n <= 5; ++n)
            for (int i = 0; i < 5; ++i) before[static_cast<size_t>(n)] << orders->page(n).destination->itemText(i);
        auto* box = orders->page(3).destination;
        box->setCurrentIndex(2);
        Q_EMIT box->activated(2);
        auto* picker = orders->folderPicker();
        QVERIFY(picker->isVisible());
        auto* folders = qobject_cast<storage::FolderTreeModel*>(picker->model());
        QVERIFY(folders);
        // Before any device is chosen the picker shows the computer's drives.
        QVERIFY(rowNamed(*folders, {}, QStringLiteral("本地磁盘 (F:)")).isValid());
        folders->setRoot(QStringLiteral("F:\\"));
        picker->expand(folders->index(0, 0));
        QModelIndex dcim;
        QTRY_VERIFY((dcim = rowNamed(*folders, folders->index(0, 0), QStringLiteral("DCIM"))).isValid() &&
                    !picker->visualRect(dcim).isEmpty());
        QTest::mouseClick(picker->viewport(), Qt::LeftButton, {}, picker->visualRect(dcim).center());

        QVERIFY(!picker->isVisible());
        QCOMPARE(box->itemText(2), QStringLiteral("图片：F:\\DCIM"));
        QCOMPARE(box->currentText(), QStringLiteral("图片：F:\\DCIM"));
        QCOMPARE(station.devices().destinations(3).folder(2), std::string("F:\\DCIM"));
        for (int n = 1; n <= 5; ++n)
            for (int i = 0; i < 5; ++i)
                if (n != 3 || i != 2)
                    QCOMPARE(orders->page(n).destination->itemText(i), before[static_cast<size_t>(n)][i]);
    }

    // The path box by keyboard: its list closed with Esc leaves all as it was,
    // Enter takes a typed path and searches nothing. The folder label stands
    // clear of the buttons, and the selected folder shows its expand arrow.
    void thePathBoxByKeyboardAndTheFolderLabel() {
        QTemporaryDir dir;
        const QString e = dir.filePath(QStringLiteral("e"));
        QDir().mkpath(e + QStringLiteral("/a"));
        QDir().mkpath(dir.filePath(QStringLiteral("d/歌曲下载")));
                writeSettings(dir, "D=" + dir.filePath(QStringLiteral("d")).toStdString() + "\r\nE=" + e.toStdString() + "\r\n");
        app::Station station(core::ProgramFolders::at(dir.path().toStdString()));
        ui::TForm1 window(station);
        QVERIFY(showStarted(station, window));
        auto* panel = window.fileManagerPanel();
        auto* results = window.resultsPanel();
        QTest::mouseClick(panel->localDiskButton(), Qt::LeftButton);
        const QString local = QStringLiteral("D:\\歌曲下载");
        QTRY_COMPARE(panel->folderLabel()->text(), local);
        const QString count = results->countLabel()->text();
        QVERIFY(count.endsWith(QStringLiteral(" 个对象")) && !count.startsWith(QLatin1Char('0')));

        // The label is whole and no button lies over it.
        QLabel* label = panel->folderLabel();
        QVERIFY(label->isVisible());
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->contentsRect().width(),
                 qPrintable(QString::number(label->width())));
        const QRect labelAt(label->mapTo(&window, QPoint()), label->size());
        for (auto* button : window.findChildren<QPushButton*>()) {
            if (!button->isVisible()) continue;
            const QRect at(button->mapTo(&window, QPoint()), button->size());
            QVERIFY2(!at.intersects(labelAt), qPrintable(button->text()));
        }

        // The selected folder, a folder with folders in it, has its arrow.
        auto* tree = panel->folderTree();
        const QModelIndex top = tree->model()->index(0, 0);
        QCOMPARE(tree->currentIndex(), top);
        QVERIFY(tree->model()->hasChildren(top));
        // As under a skin whose highlight is its text's colour: the arrow is
        // light on the dark highlight.
        QPalette skin = tree->palette();
        for (auto role : {QPalette::Highlight, QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
            skin.setColor(role, QColor(0, 0, 128));
        skin.setColor(QPalette::HighlightedText, Qt::white);
        tree->setPalette(skin);
        const QRect row = tree->visualRect(top);
        QVERIFY2(row.left() >= tree->indentation() / 2, "no room for the arrow");
        const QImage drawn = tree->viewport()->grab().toImage();
        int light = 0;
        for (int x = 0; x < row.left(); ++x)
            for (int y = row.top(); y <= row.bottom(); ++y)
                if (QColor(drawn.pixel(x, y)).lightness() > 160) ++light;
        QVERIFY2(light > 3, "the selected folder's arrow is not seen");

        // Its list opened and closed with Esc: the same root, the same folder.
        QComboBox* box = panel->pathBox();
        box->setFocus();
        box->showPopup();
        QTRY_VERIFY(box->view()->isVisible());
        box->view()->setCurrentIndex(box->model()->index(box->findText(QStringLiteral("E:\\")), 0));
        QTest::keyClick(box->view(), Qt::Key_Escape);
        QTRY_VERIFY(!box->view()->isVisible());
        QTest::qWait(50);
        QCOMPARE(station.fileManager().root(), local);
        QCOMPARE(label->text(), local);
        QCOMPARE(results->countLabel()->text(), count);
        QVERIFY(!window.findChildren<QMessageBox*>().count());

        // The window's Enter shortcut acts only in the active window.
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        // A typed path and Enter, a folder or a drive of the list: taken, and
        // nothing searched.
        for (const QString& typed : {QStringLiteral("E:\\a"), QStringLiteral("E:\\")}) {
            box->setFocus();
            QTest::keyClick(box->lineEdit(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(box->lineEdit(), typed);
            QCOMPARE(box->currentText(), typed);
            // Through the window, as the keyboard sends it, shortcuts and all.
            QTest::keyClick(window.windowHandle(), Qt::Key_Return);
            QTRY_COMPARE(station.fileManager().root(), typed);
            QCOMPARE(label->text(), typed);
            QVERIFY(panel->isVisible());
            QVERIFY(station.listings().readyText() != QStringLiteral("正 在 搜 索 ..."));
        }
    }

    // "彻底删除选中的文件" asks first; "删除多余文件" shows the new free space.
    void deletingAsksAndTheDGroupCleans() {
        QTemporaryDir dir;
        const QString e = dir.filePath(QStringLiteral("e"));
        QDir().mkpath(e);
        writeSettings(dir, "D=" + dir.filePath(QStringLiteral("d")).toStdString() + "\r\nE=" + e.toStdString() + "\r\n");
        QDir().mkpath(dir.filePath(QStringLiteral("d/歌曲下载")));
        for (const char* name : {"e/1.mp3", "e/2.mp3", "d/歌曲下载/old.mp3"}) {
            QFile f(dir.filePath(QString::fromUtf8(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        app::Station station(core::ProgramFolders::at(dir.path().toStdString()));
        ui::TForm1 window(station);
        QVERIFY(showStarted(station, window));

        station.results().append({"E:\\1.mp3", "E:\\2.mp3"});
        station.resultSelection().select(station.results().index(1, 0),
                                         QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        QString asked;
        answerNextBox(QMessageBox::Cancel, &asked);
        window.resultsPanel()->deleteSelectedForGood();
        QCOMPARE(asked, QStringLiteral("删除文件|你确定要删除所选文件吗?"));
        QCOMPARE(station.results().count(), 2);
        answerNextBox(QMessageBox::Ok, nullptr);
        window.resultsPanel()->deleteSelectedForGood();
        QCOMPARE(station.results().count(), 1);
        QCOMPARE(window.resultsPanel()->countLabel()->text(), QStringLiteral("1 个对象"));
        QTRY_VERIFY(!QFile::exists(e + QStringLiteral("/2.mp3")));
        QVERIFY(QFile::exists(e + QStringLiteral("/1.mp3")));

        QSignalSpy cleaned(&station.localFolder(), &storage::LocalFolderUpkeep::cleaned);
        window.diskDLabel()->setText(QString());
        QTest::mouseClick(window.cleanLocalFolderButton(), Qt::LeftButton);
        QVERIFY(cleaned.wait(2000));
        QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("d/歌曲下载/old.mp3"))));
        QVERIFY(window.diskDLabel()->text().startsWith(QStringLiteral("D盘可用空:")));
    }
};

QTEST_MAIN(FileManagerPanelTest)
#include "filemanagerpanel_test.moc"
