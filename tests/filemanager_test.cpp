#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include "app/station.h"
#include "platform/drives.h"
#include "player/cueplayer.h"
#include "storage/explorerorder.h"
#include "storage/filemanager.h"
#include "storage/folderpath.h"
#include "storage/localupkeep.h"
#include "support/fixture.h"
#include "support/mounts.h"

namespace zorvik::storage {
namespace {

using testing::RemovableMounts;
using testing::Scratch;
namespace fs = std::filesystem;

// Runs events until `done` holds or five seconds pass.
bool waitFor(const std::function<bool()>& done) {
    QDeadlineTimer deadline(5000);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QTest::qWait(5);
    }
    return true;
}

QStringList names(const FileListModel& list) {
    QStringList out;
    for (int row = 0; row < list.count(); ++row) out << list.item(row).name;
    return out;
}

QStringList childNames(const FolderTreeModel& tree, const QModelIndex& parent) {
    QStringList out;
    for (int row = 0; row < tree.rowCount(parent); ++row) out << tree.index(row, 0, parent).data().toString();
    return out;
}

// A file manager over scratch folders: C: and D: map into the scratch folder.
class FileManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        s.mapDrives({{'C', "c"}, {'D', "d"}});
        fm.setConfirm([this](const QString& text, const QString& caption) {
            questions << caption + QStringLiteral("|") + text;
            return answer;
        });
        QObject::connect(&fm, &FileManager::message, &fm, [this](const QString& text) { messages << text; });
        QObject::connect(&fm, &FileManager::countTextChanged, &fm, [this](const QString& text) { count = text; });
        // The cue of a change, as it is asked for.
        QObject::connect(&fm, &FileManager::changeDone, &fm, [this] { cueAfterChange = cues.pending(); });
    }

    // Until every reading and change is done and no status refresh is pending.
    bool settle() { return waitFor([this] { return !fm.busy() && !refreshTimer().isActive(); }); }
    QTimer& refreshTimer() { return *fm.findChild<QTimer*>(QStringLiteral("Timer5")); }

    Scratch s;
    player::CuePlayer cues{QString::fromStdString(s.at("cues/"))};
    FileManager fm{s.jobs(), s.drives(), cues};
    bool answer = true;
    QStringList questions;
    QStringList messages;
    QString count;
    int cueAfterChange = 0;
};

TEST_F(FileManagerTest, UDiskManagementShowsTheLastRemovableDriveWhateverItsSize) {
    RemovableMounts drives{s.drives()};
    const std::string big = drives.mount("16m");
    const std::string small = drives.mount("5m");  // too small for the device selectors
    if (big.empty() || small.empty()) GTEST_SKIP() << drives.why();
    const QString last = drives.rootOf(small);
    ASSERT_GT(last, drives.rootOf(big)) << "mounted later, lettered later";
    fs::create_directories(small + "/My Music");
    std::ofstream(small + "/readme.txt") << "x";

    QSignalSpy forward(&fm, &FileManager::forwardChanged);
    fm.manageRemovableDisk();
    EXPECT_EQ(fm.root(), last);
    EXPECT_TRUE(fm.isForward());
    EXPECT_TRUE(refreshTimer().isActive());
    ASSERT_TRUE(settle());
    EXPECT_EQ(names(fm.list()), (QStringList{QStringLiteral("My Music"), QStringLiteral("readme.txt")}));
    EXPECT_EQ(count, QStringLiteral("2 个对象"));
    EXPECT_EQ(fm.folderLabel(), last);
    EXPECT_TRUE(fm.folderLabelShown());
    EXPECT_EQ(childNames(fm.tree(), fm.tree().index(0, 0)), QStringList{QStringLiteral("My Music")});
    EXPECT_EQ(fm.tree().index(0, 0).data().toString(),
              QStringLiteral("可移动磁盘 (") + last.left(2) + QStringLiteral(")"));
    EXPECT_TRUE(messages.isEmpty());

    // Without a removable drive: the message, and nothing else changes.
    drives.unmount(small);
    drives.unmount(big);
    forward.clear();
    fm.manageRemovableDisk();
    EXPECT_EQ(messages, QStringList{QStringLiteral("U 盘没有插好,或已经退出!")});
    EXPECT_EQ(fm.root(), last);
    EXPECT_EQ(forward.size(), 0);
    EXPECT_FALSE(refreshTimer().isActive());
}

TEST_F(FileManagerTest, LocalDiskIsMadeWhenMissingAndShownEmpty) {
    ASSERT_FALSE(fs::exists(s.at("d/歌曲下载")));
    fm.openLocalDisk();
    EXPECT_TRUE(fs::is_directory(s.at("d/歌曲下载")));
    EXPECT_EQ(fm.root(), QStringLiteral("D:\\歌曲下载"));
    EXPECT_TRUE(fm.isForward());
    ASSERT_TRUE(settle());
    EXPECT_EQ(fm.list().count(), 0);
    EXPECT_EQ(count, QStringLiteral("0 个对象"));
    EXPECT_EQ(fm.folderLabel(), QStringLiteral("D:\\歌曲下载"));
    EXPECT_EQ(fm.tree().index(0, 0).data().toString(), QStringLiteral("歌曲下载"));
}

TEST_F(FileManagerTest, PathBoxTakesOnlyDrivePaths) {
    s.makeFolder("d/x");
    fm.setRoot(QStringLiteral("D:\\x"));
    for (const QString& path : {QStringLiteral("我的电脑"), QString(), QStringLiteral("D:"), QStringLiteral("x\\y"),
                                QStringLiteral("D:\\x\\..\\..\\etc"), QStringLiteral("D:\\..")}) {
        messages.clear();
        fm.choosePath(path);
        EXPECT_EQ(messages, QStringList{QStringLiteral("不是合法路径！请选择磁盘盘符。")}) << path.toStdString();
        EXPECT_EQ(fm.root(), QStringLiteral("D:\\x"));
    }
    messages.clear();
    fm.choosePath(QStringLiteral("d:\\"));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(fm.root(), QStringLiteral("D:\\"));
    EXPECT_EQ(fm.folder(), QStringLiteral("D:\\"));
    ASSERT_TRUE(settle());
    EXPECT_EQ(names(fm.list()), QStringList{QStringLiteral("x")});
}

TEST_F(FileManagerTest, StatusRefreshFoldsABurstIntoOneRun) {
    s.write("d/歌曲下载/a.mp3");
    fm.openLocalDisk();
    ASSERT_TRUE(settle());
    EXPECT_EQ(refreshTimer().objectName(), QStringLiteral("Timer5"));
    EXPECT_EQ(refreshTimer().interval(), 10);
    EXPECT_TRUE(refreshTimer().isSingleShot());

    // A request while one is pending keeps the first deadline.
    QSignalSpy runs(&refreshTimer(), &QTimer::timeout);
    fm.requestStatusRefresh();
    QTest::qSleep(6);
    fm.requestStatusRefresh();
    EXPECT_LE(refreshTimer().remainingTime(), 5);
    ASSERT_TRUE(waitFor([this] { return !refreshTimer().isActive(); }));
    EXPECT_EQ(cues.pending(), core::Cues::Select);
    ASSERT_TRUE(settle());
    EXPECT_EQ(runs.size(), 1);
    EXPECT_EQ(count, QStringLiteral("1 个对象"));

    // The file manager shows its folder as it was last read: no watching.
    s.write("d/歌曲下载/b.mp3");
    QTest::qWait(50);  // a watcher would have told by now; nothing marks that none did
    EXPECT_EQ(fm.list().count(), 1);
    fm.requestStatusRefresh();
    ASSERT_TRUE(settle());
    EXPECT_EQ(fm.list().count(), 2);
}

TEST_F(FileManagerTest, DeleteTakesTheSelectedFilesOnlyAfterTheQuestion) {
    RemovableMounts drives{s.drives()};
    const std::string card = drives.mount("16m");
    if (card.empty()) GTEST_SKIP() << drives.why();
    for (const char* name : {"a.mp3", "b.3gp", "c.jpg", "d.mp3"}) std::ofstream(card + "/" + name) << name;
    fs::create_directories(card + "/文件夹");
    std::ofstream(card + "/文件夹/inside.mp3") << "x";
    fm.manageRemovableDisk();
    ASSERT_TRUE(settle());
    ASSERT_EQ(names(fm.list()), (QStringList{QStringLiteral("文件夹"), QStringLiteral("a.mp3"), QStringLiteral("b.3gp"),
                                            QStringLiteral("c.jpg"), QStringLiteral("d.mp3")}));
    ASSERT_EQ(count, QStringLiteral("5 个对象"));

    // Nothing selected: said so, nothing asked.
    fm.deleteSelected({});
    EXPECT_EQ(messages, QStringList{QStringLiteral("没有选择文件!")});
    EXPECT_TRUE(questions.isEmpty());

    // Cancel keeps everything.
    answer = false;
    fm.deleteSelected({1, 2});
    EXPECT_EQ(questions, QStringList{QStringLiteral("删除文件|亲爱的,你确定不要我了吗?")});
    ASSERT_TRUE(settle());
    EXPECT_TRUE(fs::exists(card + "/a.mp3"));

    // Three files and the folder: the files go, the folder stays whole.
    answer = true;
    fm.deleteSelected({3, 0, 1, 2});
    ASSERT_TRUE(settle());
    for (const char* name : {"a.mp3", "b.3gp", "c.jpg"}) EXPECT_FALSE(fs::exists(card + "/" + name)) << name;
    EXPECT_TRUE(fs::exists(card + "/d.mp3"));
    EXPECT_TRUE(fs::exists(card + "/文件夹/inside.mp3"));
    EXPECT_EQ(names(fm.list()), (QStringList{QStringLiteral("文件夹"), QStringLiteral("d.mp3")}));
    EXPECT_EQ(count, QStringLiteral("2 个对象"));
    EXPECT_EQ(cueAfterChange, core::Cues::Deleted);
}

// A customer's card as cards are formatted: exFAT, names without regard to case.
TEST_F(FileManagerTest, WorksOnAnExfatCard) {
    RemovableMounts drives{s.drives()};
    const std::string card = drives.mountExfat(32);
    if (card.empty()) GTEST_SKIP() << drives.why();
    std::ofstream(card + "/abc.MP3") << "a";
    std::ofstream(card + "/x.mp3") << "x";
    fs::create_directories(card + "/新建文件夹1");
    fm.manageRemovableDisk();
    ASSERT_TRUE(settle());
    ASSERT_EQ(names(fm.list()), (QStringList{QStringLiteral("新建文件夹1"), QStringLiteral("abc.MP3"), QStringLiteral("x.mp3")}));

    // Only the letter case changes: the card finds "abc.mp3" already, and it is the file itself.
    auto& list = fm.list();
    list.setData(list.index(list.rowOf(QStringLiteral("abc.MP3")), FileListModel::Name), QStringLiteral("abc.mp3"),
                 Qt::EditRole);
    ASSERT_TRUE(settle());
    EXPECT_TRUE(messages.isEmpty()) << messages.join(QStringLiteral("; ")).toStdString();
    EXPECT_EQ(names(list), (QStringList{QStringLiteral("新建文件夹1"), QStringLiteral("abc.mp3"), QStringLiteral("x.mp3")}));
    // Another file's name in other letters is taken all the same.
    list.setData(list.index(list.rowOf(QStringLiteral("x.mp3")), FileListModel::Name), QStringLiteral("ABC.mp3"),
                 Qt::EditRole);
    ASSERT_TRUE(settle());
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(testing::readFile(card + "/x.mp3"), "x");

    fm.deleteSelected({list.rowOf(QStringLiteral("x.mp3")), list.rowOf(QStringLiteral("新建文件夹1"))});
    fm.newFolder();
    ASSERT_TRUE(settle());
    EXPECT_EQ(names(list), (QStringList{QStringLiteral("新建文件夹1"), QStringLiteral("新建文件夹2"), QStringLiteral("abc.mp3")}));
}

TEST_F(FileManagerTest, NewFolderTakesTheFirstFreeNumber) {
    s.makeFolder("d/歌曲下载/新建文件夹1");
    s.makeFolder("d/歌曲下载/新建文件夹3");
    s.write("d/歌曲下载/新建文件夹4");  // a file takes its name too
    fm.openLocalDisk();
    ASSERT_TRUE(settle());

    for (const char* made : {"新建文件夹2", "新建文件夹5"}) {
        fm.newFolder();
        ASSERT_TRUE(settle());
        EXPECT_TRUE(fs::is_directory(s.at(std::string("d/歌曲下载/") + made))) << made;
    }
    EXPECT_FALSE(fs::exists(s.at("d/歌曲下载/新建文件夹")));
    // The tree is read again from its top, the list in the status refresh.
    EXPECT_EQ(childNames(fm.tree(), fm.tree().index(0, 0)),
              (QStringList{QStringLiteral("新建文件夹1"), QStringLiteral("新建文件夹2"), QStringLiteral("新建文件夹3"),
                           QStringLiteral("新建文件夹5")}));
    EXPECT_EQ(count, QStringLiteral("5 个对象"));
    EXPECT_EQ(cues.pending(), core::Cues::Select);

    // In the folder selected in the tree; a gap is filled again.
    fs::remove(s.at("d/歌曲下载/新建文件夹1"));
    fm.showFolder(QStringLiteral("D:\\歌曲下载\\新建文件夹3"));
    fm.newFolder();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(fs::is_directory(s.at("d/歌曲下载/新建文件夹3/新建文件夹1")));
    EXPECT_FALSE(fs::exists(s.at("d/歌曲下载/新建文件夹1")));
}

TEST_F(FileManagerTest, RenameInPlaceGoesThroughTheFileSystem) {
    s.write("d/歌曲下载/a.mp3", "a");
    s.write("d/歌曲下载/b.mp3", "b");
    s.makeFolder("d/歌曲下载/旧");
    fm.openLocalDisk();
    ASSERT_TRUE(settle());
    auto& list = fm.list();
    auto rename = [&](const char* from, const QString& to) {
        const int row = list.rowOf(QString::fromUtf8(from));
        EXPECT_FALSE(list.setData(list.index(row, FileListModel::Name), to, Qt::EditRole));
        return settle();
    };

    ASSERT_TRUE(rename("a.mp3", QStringLiteral("新名.mp3")));
    EXPECT_EQ(testing::readFile(s.at("d/歌曲下载/新名.mp3")), "a");
    EXPECT_TRUE(list.rowOf(QStringLiteral("新名.mp3")) >= 0);
    EXPECT_TRUE(messages.isEmpty());

    // A name taken, a name Windows refuses, an empty name: the file stays.
    ASSERT_TRUE(rename("b.mp3", QStringLiteral("新名.mp3")));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages[0].startsWith(QStringLiteral("文件无法重命名：D:\\歌曲下载\\b.mp3\n"))) << messages[0].toStdString();
    // Names that would lead out of the folder, or that a card cannot hold,
    // get the words the shop's Windows used.
    const std::pair<QString, QString> refused[] = {
        {QStringLiteral("x/../../b.mp3"), QStringLiteral("文件名不能包含下列任何字符：\\ / : * ? \" < > |")},
        {QStringLiteral("..\\..\\b.mp3"), QStringLiteral("文件名不能包含下列任何字符：\\ / : * ? \" < > |")},
        {QStringLiteral("两\n行.mp3"), QStringLiteral("文件名不能包含下列任何字符：\\ / : * ? \" < > |")},
        {QStringLiteral(".."), QStringLiteral("必须键入文件名。")},
        {QStringLiteral("."), QStringLiteral("必须键入文件名。")},
    };
    for (const auto& [name, text] : refused) {
        messages.clear();
        ASSERT_TRUE(rename("b.mp3", name));
        ASSERT_EQ(messages.size(), 1) << name.toStdString();
        EXPECT_EQ(messages[0], text) << name.toStdString();
    }
    messages.clear();
    ASSERT_TRUE(rename("b.mp3", QString()));
    EXPECT_TRUE(messages.isEmpty());
    EXPECT_EQ(list.count(), 3);
    EXPECT_GE(list.rowOf(QStringLiteral("b.mp3")), 0);
    EXPECT_EQ(testing::readFile(s.at("d/歌曲下载/b.mp3")), "b");
    EXPECT_EQ(testing::readFile(s.at("d/歌曲下载/新名.mp3")), "a");

    // A folder renamed shows under its new name in the tree too.
    ASSERT_TRUE(rename("旧", QStringLiteral("新")));
    EXPECT_EQ(childNames(fm.tree(), fm.tree().index(0, 0)), QStringList{QStringLiteral("新")});
}

// A reading that lands while a name is typed in the list must not put the
// old name back into the editor: only rows whose details changed are redrawn.
TEST(FileListRefresh, AReadingOfTheSameFolderRedrawsOnlyTheRowsThatChanged) {
    FileListModel list;
    const QString folder = QStringLiteral("G:\\My Music");
    auto items = [](std::initializer_list<std::pair<const char*, std::int64_t>> sized) {
        std::vector<FileItem> out;
        for (const auto& [name, size] : sized) out.push_back({QString::fromUtf8(name), false, size, 1000});
        return out;
    };
    list.show(folder, items({{"a.mp3", 1}, {"b.mp3", 2}, {"c.mp3", 3}, {"d.mp3", 4}}));
    QSignalSpy changed(&list, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&list, &QAbstractItemModel::modelReset);

    list.show(folder, items({{"a.mp3", 1}, {"b.mp3", 2}, {"c.mp3", 3}, {"d.mp3", 4}}));
    EXPECT_EQ(changed.size(), 0);

    list.show(folder, items({{"a.mp3", 1}, {"b.mp3", 20}, {"c.mp3", 30}, {"d.mp3", 4}}));
    ASSERT_EQ(changed.size(), 1);
    EXPECT_EQ(changed[0][0].value<QModelIndex>().row(), 1);
    EXPECT_EQ(changed[0][1].value<QModelIndex>().row(), 2);
    EXPECT_EQ(list.item(2).size, 30);

    // A file gone and one come: rows are taken out and put in, the rest left alone.
    list.show(folder, items({{"a.mp3", 1}, {"c.mp3", 30}, {"d.mp3", 4}, {"e.mp3", 5}}));
    EXPECT_EQ(changed.size(), 1);
    EXPECT_EQ(names(list), (QStringList{QStringLiteral("a.mp3"), QStringLiteral("c.mp3"), QStringLiteral("d.mp3"), QStringLiteral("e.mp3")}));
    EXPECT_EQ(reset.size(), 0);
}

TEST_F(FileManagerTest, TreeAndListFollowEachOther) {
    s.write("d/歌曲下载/A/B/song.mp3");
    s.write("d/歌曲下载/A/x.txt");
    fm.openLocalDisk();
    ASSERT_TRUE(settle());
    QSignalSpy revealed(&fm.tree(), &FolderTreeModel::revealed);

    // Opening folders in the list: the list shows them, the tree reads its way down to them.
    fm.openItem(fm.list().rowOf(QStringLiteral("A")));
    ASSERT_TRUE(settle());
    EXPECT_EQ(fm.folder(), QStringLiteral("D:\\歌曲下载\\A"));
    EXPECT_EQ(names(fm.list()), (QStringList{QStringLiteral("B"), QStringLiteral("x.txt")}));
    fm.openItem(fm.list().rowOf(QStringLiteral("B")));
    ASSERT_TRUE(settle());
    ASSERT_FALSE(revealed.isEmpty());
    const auto index = revealed.last()[0].value<QModelIndex>();
    EXPECT_EQ(fm.tree().folderOf(index), QStringLiteral("D:\\歌曲下载\\A\\B"));
    EXPECT_EQ(names(fm.list()), QStringList{QStringLiteral("song.mp3")});
    fm.openItem(0);  // a file opens nothing
    EXPECT_EQ(fm.folder(), QStringLiteral("D:\\歌曲下载\\A\\B"));

    // A reading overtaken by the next never shows.
    fm.showFolder(QStringLiteral("D:\\歌曲下载\\A"));
    fm.showFolder(QStringLiteral("D:\\歌曲下载"));
    ASSERT_TRUE(settle());
    EXPECT_EQ(fm.list().folder(), QStringLiteral("D:\\歌曲下载"));
    EXPECT_EQ(names(fm.list()), QStringList{QStringLiteral("A")});
}

TEST_F(FileManagerTest, AListingOrARemovedDriveSendsItBack) {
    fm.openLocalDisk();
    ASSERT_TRUE(settle());
    ASSERT_TRUE(fm.folderLabelShown());
    fm.driveRemoved();
    EXPECT_FALSE(fm.isForward());
    EXPECT_FALSE(fm.folderLabelShown());
    EXPECT_EQ(fm.root(), QStringLiteral("C:\\"));

    // In the station: a search or browse listing, and a drive going away.
    Scratch prog;
    app::Station station(core::ProgramFolders::at(prog.at("prog")));
    auto& manager = station.fileManager();
    manager.openLocalDisk();
    ASSERT_TRUE(manager.isForward());
    station.listings().startListing();
    EXPECT_FALSE(manager.isForward());
    manager.openLocalDisk();
    station.removableDrives().driveRemoved(QStringLiteral("Q:\\"));  // never offered: all the same
    EXPECT_FALSE(manager.isForward());
    EXPECT_EQ(manager.root(), QStringLiteral("C:\\"));
}

TEST(FileOrder, AsAChineseWindowsFileViewSortsThem) {
    const ExplorerOrder order;
    const QStringList sorted{
        QStringLiteral("_x"),        QStringLiteral("2.mp3"),     QStringLiteral("9.mp3"),
        QStringLiteral("010.mp3"),   QStringLiteral("10.mp3"),    QStringLiteral("a.mp3"),
        QStringLiteral("A1.mp3"),    QStringLiteral("a2.mp3"),    QStringLiteral("a10.mp3"),
        QStringLiteral("B.mp3"),     QStringLiteral("阿姨.mp3"),  QStringLiteral("北京.mp3"),
        QStringLiteral("新建文件夹2"), QStringLiteral("新建文件夹10"), QStringLiteral("中国.mp3"),
        QStringLiteral("中国A.mp3"), QStringLiteral("中国人.mp3")};
    for (qsizetype i = 0; i + 1 < sorted.size(); ++i) {
        EXPECT_TRUE(order(sorted[i], sorted[i + 1])) << sorted[i].toStdString() << " < " << sorted[i + 1].toStdString();
        EXPECT_FALSE(order(sorted[i + 1], sorted[i])) << sorted[i + 1].toStdString();
    }
    EXPECT_FALSE(order(QStringLiteral("a.mp3"), QStringLiteral("a.mp3")));

    // Folders before files, hidden ones left out.
    Scratch s;
    for (const char* name : {"b.mp3", "A.txt", ".hidden.mp3"}) s.write(std::string("f/") + name);
    for (const char* name : {"zz", "新建文件夹", ".cache"}) s.makeFolder(std::string("f/") + name);
    auto items = readFileItems(s.drives(), QString::fromStdString(s.at("f")));
    ASSERT_TRUE(items);
    QStringList listed;
    for (const auto& item : *items) listed << item.name;
    EXPECT_EQ(listed, (QStringList{QStringLiteral("zz"), QStringLiteral("新建文件夹"), QStringLiteral("A.txt"),
                                   QStringLiteral("b.mp3")}));
    EXPECT_FALSE(readFileItems(s.drives(), QString::fromStdString(s.at("missing"))));
    EXPECT_EQ(kilobyteText(0), QStringLiteral("0 KB"));
    EXPECT_EQ(kilobyteText(1), QStringLiteral("1 KB"));
    EXPECT_EQ(kilobyteText(1025), QStringLiteral("2 KB"));
    EXPECT_EQ(kilobyteText(std::int64_t{5000} * 1024 * 1024), QStringLiteral("5,120,000 KB"));
}

TEST(FolderPaths, DrivePathForms) {
    EXPECT_EQ(folderForm(QStringLiteral("g:\\Music\\")), QStringLiteral("G:\\Music"));
    EXPECT_EQ(folderForm(QStringLiteral("G:")), QStringLiteral("G:\\"));
    EXPECT_EQ(folderForm(QStringLiteral("G:\\\\")), QStringLiteral("G:\\"));
    EXPECT_EQ(childPath(QStringLiteral("G:\\"), QStringLiteral("a")), QStringLiteral("G:\\a"));
    EXPECT_EQ(childPath(QStringLiteral("G:\\a"), QStringLiteral("b")), QStringLiteral("G:\\a\\b"));
    EXPECT_EQ(foldersDownTo(QStringLiteral("D:\\歌曲下载\\A")),
              (QStringList{QStringLiteral("D:\\"), QStringLiteral("D:\\歌曲下载"), QStringLiteral("D:\\歌曲下载\\A")}));
    EXPECT_TRUE(foldersDownTo(QStringLiteral("我的电脑")).isEmpty());
}

// "彻底删除选中的文件" deletes the file of the selected row, whichever row
// was pressed last, and takes that row and its path out together.
TEST(DeleteForGood, TheSelectedRowsFileGoesWithItsRow) {
    Scratch s;
    app::Station station(core::ProgramFolders::at(s.at("prog")));
    s.mapDrives(station.driveTable(), {{'E', "e"}});
    std::vector<std::string> paths;
    for (int n = 1; n <= 5; ++n) {
        const std::string name = "Brask搜歌库\\1-音乐\\" + std::to_string(n) + "号.mp3";
        s.write("e/" + name, std::to_string(n));
        paths.push_back("E:\\" + name);
    }
    station.results().append(std::vector<std::string>(paths));
    station.makeResultCurrent(3);  // the row last pressed: row 4
    station.resultSelection().select(station.results().index(1, 0),
                                     QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    QSignalSpy done(&station.fileManager(), &FileManager::changeDone);
    station.deleteResultForGood();
    ASSERT_TRUE(done.wait(2000));

    EXPECT_FALSE(fs::exists(s.at("e/Brask搜歌库/1-音乐/2号.mp3")));
    for (int n : {1, 3, 4, 5})
        EXPECT_TRUE(fs::exists(s.at("e/Brask搜歌库/1-音乐/" + std::to_string(n) + "号.mp3"))) << n;
    ASSERT_EQ(station.results().count(), 4);
    EXPECT_EQ(station.results().path(1), paths[2]);
    EXPECT_EQ(station.currentItem(), paths[3]);  // deleting changes no current item
    station.makeResultCurrent(1);
    EXPECT_EQ(station.currentItem(), paths[2]);

    // Nothing selected: nothing happens.
    station.resultSelection().clear();
    station.deleteResultForGood();
    EXPECT_EQ(station.results().count(), 4);
}

// "删除多余文件": media files lying directly in the local download folder,
// by the substring rule; subfolders and the staging folders are not entered.
TEST(LocalFolderUpkeep, DeleteSuperfluousFilesAndTheNewFreeSpace) {
    Scratch s;
    s.mapDrives({{'D', "d"}});
    for (const char* name : {"a.mp3", "b.rmvb", "c.jpg", "d.wma", "e.lrc", "g.rmv", "h", "歌曲A/f.mp3", "清单1/x.mp3"})
        s.write(std::string("d/歌曲下载/") + name, "x");
    LocalFolderUpkeep upkeep{s.jobs(), s.drives()};
    QSignalSpy cleaned(&upkeep, &LocalFolderUpkeep::cleaned);
    QSignalSpy messages(&upkeep, &LocalFolderUpkeep::message);
    upkeep.deleteSuperfluousFiles();
    upkeep.deleteSuperfluousFiles();  // pressed again while at work: nothing more
    ASSERT_TRUE(cleaned.wait(2000));
    ASSERT_TRUE(upkeep.waitUntil(std::chrono::steady_clock::now() + std::chrono::seconds(2)));
    QCoreApplication::processEvents();
    EXPECT_EQ(cleaned.size(), 1);
    for (const char* gone : {"a.mp3", "b.rmvb", "g.rmv"})
        EXPECT_FALSE(fs::exists(s.at(std::string("d/歌曲下载/") + gone))) << gone;
    for (const char* kept : {"c.jpg", "d.wma", "e.lrc", "h", "歌曲A/f.mp3", "清单1/x.mp3"})
        EXPECT_TRUE(fs::exists(s.at(std::string("d/歌曲下载/") + kept))) << kept;
    const auto space = platform::diskSpace(s.drives(), "D:\\");
    ASSERT_TRUE(space);
    EXPECT_TRUE(upkeep.diskDText().startsWith(QStringLiteral("D盘可用空:"))) << upkeep.diskDText().toStdString();
    EXPECT_TRUE(upkeep.diskDText().endsWith(QStringLiteral(" MB")));
    EXPECT_NEAR(upkeep.diskDText().mid(6).chopped(3).toLongLong(), space->available / 1024 / 1024, 64);
    EXPECT_EQ(messages.size(), 0);

    // Without drive D: only the fault, nothing deleted.
    s.drives().setFixed({{'D', s.at("no-such-folder")}});
    s.write("d/歌曲下载/again.mp3");
    upkeep.deleteSuperfluousFiles();
    ASSERT_EQ(messages.size(), 1);
    EXPECT_EQ(messages[0][0].toString(), QStringLiteral("D盘不存在,或D盘无法读写,请检查磁盘!"));
    EXPECT_EQ(upkeep.diskDText(), QStringLiteral("D盘不存在,或D盘无法读写"));
    EXPECT_FALSE(upkeep.busy());  // refused at once: no job was started
    QCoreApplication::processEvents();
    EXPECT_EQ(cleaned.size(), 1);  // only the first press's
    EXPECT_TRUE(fs::exists(s.at("d/歌曲下载/again.mp3")));
}

}  // namespace
}  // namespace zorvik::storage
