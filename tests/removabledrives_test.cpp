#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/drives.h"
#include "platform/mountwatcher.h"
#include "storage/removabledrives.h"
#include "support/fixture.h"

namespace zorvik::storage {
namespace {

using platform::DriveTable;
using platform::MountWatcher;
namespace fs = std::filesystem;

constexpr std::int64_t kMB = 1024 * 1024;

// Drives answer on jobs: waits until every size and space query has come back.
void settle(RemovableDrives& monitor) {
    QDeadlineTimer deadline(5000);
    while (monitor.busy() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QCoreApplication::processEvents();
}

TEST(DeviceEntries, TextsAndSizes) {
    EXPECT_EQ(deviceEntry(QStringLiteral("G:\\")), QStringLiteral("可移动磁盘：G:\\"));
    EXPECT_EQ(deviceRootOf(QStringLiteral("可移动磁盘：H:\\")), QStringLiteral("H:\\"));
    EXPECT_EQ(deviceRootOf(QStringLiteral("请选择可移动磁盘")), std::nullopt);
    EXPECT_EQ(deviceRootOf(QStringLiteral("可移动磁盘：")), std::nullopt);
    EXPECT_EQ(deviceRootOf(QString()), std::nullopt);
    EXPECT_EQ(deviceRootOf(QStringLiteral("可移动磁盘：G:")), std::nullopt);
    EXPECT_EQ(deviceRootOf(QStringLiteral("可移动磁盘：G:\\x")), std::nullopt);
    EXPECT_EQ(deviceRootOf(QStringLiteral("可移动磁盘：中:\\")), std::nullopt);
    EXPECT_EQ(deviceRootOf(QStringLiteral("可移动磁盘：h:\\")), QStringLiteral("H:\\"));
    for (const char16_t* text : {u"可移动磁盘：\\tmp", u"可移动磁盘：..\\x", u"x可移动磁盘：G:\\", u"可移动磁盘:G:\\"})
        EXPECT_EQ(deviceRootOf(QString::fromUtf16(text)), std::nullopt) << QString::fromUtf16(text).toStdString();

    struct Case {
        std::int64_t bytes;
        std::int64_t megabytes;
    };
    const Case cases[] = {{0, 0},
                          {kMB - 1, 0},
                          {kMB, 1},
                          {10 * kMB, 10},
                          {11 * kMB - 1, 10},
                          {11 * kMB, 11},
                          {std::int64_t{64} * 1024 * kMB + kMB / 2, 65536}};  // past 32 bits
    for (const auto& c : cases) EXPECT_EQ(wholeMegabytes(c.bytes), c.megabytes) << c.bytes;

    EXPECT_EQ(diskSpaceLine(12 * kMB + kMB / 2, 16 * kMB), QStringLiteral("可用空间：12 MB 总大小：16 MB"));
    EXPECT_EQ(diskSpaceLine(std::int64_t{5000} * kMB, std::int64_t{30000} * kMB),
              QStringLiteral("可用空间：5000 MB 总大小：30000 MB"));  // no digit grouping
}

TEST(RemovableDrives, WithoutDrivesNothingIsOfferedAndTheNoticeShows) {
    DriveTable drives;
    core::JobRegistry jobs;
    RemovableDrives monitor{jobs, drives};
    QString chosen;
    monitor.setChosenDevice([&chosen] { return chosen; });
    EXPECT_TRUE(monitor.showsDiskNotice());
    EXPECT_EQ(monitor.diskText(), QStringLiteral("可移动磁盘 未连接 或 未选择"));

    // A letter the drive table does not know has no size: 0 MB, not offered.
    EXPECT_FALSE(bigEnoughToOffer(drives, QStringLiteral("Q:\\")));
    QSignalSpy added(&monitor, &RemovableDrives::entryAdded);
    QSignalSpy removed(&monitor, &RemovableDrives::deviceRemoved);
    monitor.applyDriveChanges({QStringLiteral("Q:\\")}, {});
    settle(monitor);
    EXPECT_TRUE(monitor.entries().isEmpty());
    EXPECT_EQ(added.size(), 0);

    // A drive that was never offered still goes away as a drive.
    monitor.applyDriveChanges({}, {QStringLiteral("Q:\\")});
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed[0][0].toString(), QStringLiteral("Q:\\"));

    // Choosing a device that is not offered (C: is a big fixed drive) does
    // not make a space line out of it.
    chosen = QStringLiteral("C:\\");
    monitor.refreshDiskSpaceLine();
    EXPECT_TRUE(monitor.showsDiskNotice());
}

TEST(RemovableDrives, ALetterHandedOnInOneChangeIsWithdrawnThenOfferedAgain) {
    testing::Scratch s;
    DriveTable table;
    table.setRemovableMounts({s.makeFolder("first")});
    QString root = MountWatcher::rootOf(table.drives().back().letter);
    RemovableDrives monitor{s.jobs(), table};
    monitor.driveArrived(root);
    settle(monitor);
    ASSERT_EQ(monitor.entries(), QStringList{deviceEntry(root)});

    QStringList log;
    QObject::connect(&monitor, &RemovableDrives::deviceRemoved, &monitor,
                     [&log](const QString& r) { log << QStringLiteral("gone ") + r; });
    QObject::connect(&monitor, &RemovableDrives::entryRemoved, &monitor,
                     [&log](const QString& e) { log << QStringLiteral("removed ") + e; });
    QObject::connect(&monitor, &RemovableDrives::entryAdded, &monitor,
                     [&log](const QString& e) { log << QStringLiteral("added ") + e; });
    table.setRemovableMounts({s.makeFolder("second")});  // the letter now names another folder
    monitor.applyDriveChanges({root}, {root});
    settle(monitor);
    EXPECT_EQ(log, (QStringList{QStringLiteral("gone ") + root, QStringLiteral("removed ") + deviceEntry(root),
                                QStringLiteral("added ") + deviceEntry(root)}));
    EXPECT_EQ(monitor.entries(), QStringList{deviceEntry(root)});
    table.setRemovableMounts(platform::readRemovableMounts());
}

// However the drives' answers come in, the selectors list them in letter
// order, so a card is at the same place on every start.
TEST(RemovableDrives, EntriesStandInDriveLetterOrder) {
    testing::Scratch s;
    DriveTable table;
    table.setRemovableMounts({s.makeFolder("one"), s.makeFolder("two"), s.makeFolder("three")});
    const auto drives = table.drives();
    ASSERT_GE(drives.size(), 3u);
    QStringList roots;
    for (const auto& d : drives)
        if (d.type == platform::DriveType::Removable) roots << MountWatcher::rootOf(d.letter);
    ASSERT_EQ(roots.size(), 3);
    roots.sort();
    RemovableDrives monitor{s.jobs(), table};
    for (int i : {2, 0, 1}) {  // the last letter answers first
        monitor.driveArrived(roots[i]);
        settle(monitor);
    }
    EXPECT_EQ(monitor.entries(),
              (QStringList{deviceEntry(roots[0]), deviceEntry(roots[1]), deviceEntry(roots[2])}));
    table.setRemovableMounts(platform::readRemovableMounts());
}

// Real removable drives: small tmpfs file systems mounted below
// /media/<user>/, where the desktop's automounter puts them.
class RealDrives : public ::testing::Test {
protected:
    void SetUp() override {
        if (::geteuid() != 0) GTEST_SKIP() << "mounting a removable drive needs root";
        fs::create_directories("/media/root");
        base_ = std::make_unique<QTemporaryDir>(QStringLiteral("/media/root/zorvik-test-XXXXXX"));
        if (!base_->isValid()) GTEST_SKIP() << "cannot make a folder below /media/root";
    }

    void TearDown() override {
        for (const auto& point : mounted_) ::umount2(point.c_str(), MNT_DETACH);
        mounted_.clear();
        base_.reset();
    }

    // Mounts a tmpfs of `size` ("16m") and returns its mount point; empty
    // with the reason in failure_ when it cannot.
    std::string mount(const std::string& size) {
        std::string point = base_->path().toStdString() + "/" + size;
        fs::create_directories(point);
        std::string options = "size=" + size;
        if (::mount("tmpfs", point.c_str(), "tmpfs", 0, options.c_str()) != 0) {
            failure_ = "cannot mount tmpfs: " + std::string(std::strerror(errno));
            return {};
        }
        mounted_.push_back(point);
        return point;
    }

    void unmount(const std::string& point) {
        ASSERT_EQ(::umount2(point.c_str(), MNT_DETACH), 0) << std::strerror(errno);
        std::erase(mounted_, point);
    }

    // The drive path ("G:\") the drive table gives a mount point; empty while
    // it has none.
    QString rootOf(const std::string& point) const {
        for (const auto& d : table_.drives())
            if (d.type == platform::DriveType::Removable && d.root == point) return MountWatcher::rootOf(d.letter);
        return {};
    }

    // Whether the watcher has reported every mount point in `points` in the
    // given column of drivesChanged (0 arrived, 1 removed). Other programs
    // may mount things meanwhile, so the reports are searched, not counted.
    bool reported(const QSignalSpy& spy, int column, const std::vector<std::string>& points,
                         const std::vector<QString>& roots = {}) const {
        for (size_t i = 0; i < points.size(); ++i) {
            QString root = i < roots.size() ? roots[i] : rootOf(points[i]);
            if (root.isEmpty()) return false;
            bool found = false;
            for (const auto& change : spy) found = found || change[column].toStringList().contains(root);
            if (!found) return false;
        }
        return true;
    }

    // The entries of `entries` whose drive is one of these mount points, in
    // their order: other programs' drives, which may even take over a letter
    // one of ours had, are left out.
    QStringList onlyOf(const QStringList& entries, const std::vector<std::string>& points) const {
        QStringList mine;
        for (const auto& e : entries) {
            auto root = deviceRootOf(e);
            auto drive = root ? table_.drive(root->at(0).toLatin1()) : std::nullopt;
            if (drive && std::find(points.begin(), points.end(), drive->root) != points.end()) mine << e;
        }
        return mine;
    }

    template <class Done>
    static bool waitUntil(QSignalSpy& spy, Done done, int timeoutMs = 5000) {
        QDeadlineTimer deadline(timeoutMs);
        while (!done()) {
            if (deadline.hasExpired()) return false;
            spy.wait(static_cast<int>(std::max<qint64>(1, deadline.remainingTime())));
        }
        return true;
    }

    DriveTable table_;  // this test's own, as a station's is
    core::JobRegistry jobs_;
    std::unique_ptr<QTemporaryDir> base_;
    std::vector<std::string> mounted_;
    std::string failure_;
};

TEST_F(RealDrives, MountsAndUnmountsArriveAsDriveEvents) {
    MountWatcher watcher{table_};
    ASSERT_TRUE(watcher.isWatching());
    QSignalSpy changes(&watcher, &MountWatcher::drivesChanged);

    std::string point = mount("16m");
    if (point.empty()) GTEST_SKIP() << failure_;
    ASSERT_TRUE(waitUntil(changes, [&] { return reported(changes, 0, {point}); })) << "no arrival reported";
    QString root = rootOf(point);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[G-Z]:\\\\$")).match(root).hasMatch())
        << root.toStdString();
    EXPECT_EQ(table_.toNative(root.toStdString()), point + "/");
    EXPECT_FALSE(reported(changes, 1, {point}, {root}));

    unmount(point);
    ASSERT_TRUE(waitUntil(changes, [&] { return reported(changes, 1, {point}, {root}); }))
        << "no removal reported";
    EXPECT_EQ(rootOf(point), QString());
}

TEST_F(RealDrives, AMediumTakingAFreedLetterReplacesTheOldEntry) {
    MountWatcher watcher{table_};
    RemovableDrives monitor{jobs_, table_};
    QObject::connect(&watcher, &MountWatcher::drivesChanged, &monitor, &RemovableDrives::applyDriveChanges);
    QSignalSpy changes(&watcher, &MountWatcher::drivesChanged);

    std::string first = mount("16m");
    if (first.empty()) GTEST_SKIP() << failure_;
    ASSERT_TRUE(waitUntil(changes, [&] { return reported(changes, 0, {first}); }));
    QString old = rootOf(first);

    // Out and in before the watcher looks: one change takes the drive away
    // and, usually, hands its letter straight to the new one.
    unmount(first);
    std::string second = mount("11m");
    if (second.empty()) GTEST_SKIP() << failure_;
    ASSERT_TRUE(waitUntil(changes, [&] { return reported(changes, 0, {second}); }));
    settle(monitor);
    QString now = rootOf(second);
    EXPECT_TRUE(reported(changes, 1, {first}, {old}));
    EXPECT_EQ(monitor.entries().count(deviceEntry(now)), 1);
    // Whoever took the old letter (other programs mount too), no entry is
    // left naming a drive that is not there, and none is listed twice.
    for (const auto& entry : monitor.entries()) {
        auto root = deviceRootOf(entry);
        ASSERT_TRUE(root);
        EXPECT_EQ(table_.type(root->at(0).toLatin1()), platform::DriveType::Removable)
            << entry.toStdString();
        EXPECT_EQ(monitor.entries().count(entry), 1) << entry.toStdString();
    }
}

TEST_F(RealDrives, CardsBackInAnotherOrderGetTheLettersTheyHad) {
    MountWatcher watcher{table_};
    QSignalSpy changes(&watcher, &MountWatcher::drivesChanged);
    std::string a = mount("16m");
    if (a.empty()) GTEST_SKIP() << failure_;
    std::string b = mount("17m");
    ASSERT_TRUE(waitUntil(changes, [&] { return reported(changes, 0, {a, b}); }));
    const QString letterA = rootOf(a), letterB = rootOf(b);
    EXPECT_LT(letterA, letterB);  // in mount order

    unmount(a);
    unmount(b);
    ASSERT_TRUE(waitUntil(changes, [&] { return reported(changes, 1, {a, b}, {letterA, letterB}); }));
    ASSERT_EQ(mount("17m"), b);
    ASSERT_TRUE(waitUntil(changes, [&] { return !rootOf(b).isEmpty(); }));
    EXPECT_EQ(rootOf(b), letterB);
    ASSERT_EQ(mount("16m"), a);
    ASSERT_TRUE(waitUntil(changes, [&] { return !rootOf(a).isEmpty(); }));
    EXPECT_EQ(rootOf(a), letterA);
}

TEST_F(RealDrives, OnlyDrivesOfMoreThanTenMegabytesAreOffered) {
    MountWatcher watcher{table_};
    RemovableDrives monitor{jobs_, table_};
    QObject::connect(&watcher, &MountWatcher::drivesChanged, &monitor, &RemovableDrives::applyDriveChanges);
    QSignalSpy changes(&watcher, &MountWatcher::drivesChanged);
    QSignalSpy added(&monitor, &RemovableDrives::entryAdded);

    struct Case {
        const char* size;
        bool offered;
    };
    const Case cases[] = {{"8m", false}, {"10m", false}, {"11m", true}, {"16m", true}};
    std::vector<std::string> points;
    for (const auto& c : cases) {
        points.push_back(mount(c.size));
        if (points.back().empty()) GTEST_SKIP() << failure_;
    }
    ASSERT_TRUE(waitUntil(changes, [&] { return reported(changes, 0, points); })) << "arrivals not reported";
    settle(monitor);

    for (size_t i = 0; i < points.size(); ++i) {
        QString entry = deviceEntry(rootOf(points[i]));
        EXPECT_EQ(monitor.entries().count(entry), cases[i].offered ? 1 : 0) << cases[i].size;
        bool signalled = false;
        for (const auto& a : added) signalled = signalled || a[0].toString() == entry;
        EXPECT_EQ(signalled, cases[i].offered) << cases[i].size;
    }
}

TEST_F(RealDrives, StartUpFillOffersTheRemovableDrivesPresentOnce) {
    std::string small = mount("8m");
    std::string early = mount("16m");
    if (small.empty() || early.empty()) GTEST_SKIP() << failure_;
    table_.setFixed({{'E', early}});  // the same big disk, as a fixed drive
    table_.setRemovableMounts(platform::readRemovableMounts());

    MountWatcher watcher{table_};
    RemovableDrives monitor{jobs_, table_};
    QObject::connect(&watcher, &MountWatcher::drivesChanged, &monitor, &RemovableDrives::applyDriveChanges);
    QSignalSpy changes(&watcher, &MountWatcher::drivesChanged);
    QSignalSpy filled(&monitor, &RemovableDrives::startupFilled);

    // A drive announced before the fill runs is offered at once.
    std::string late = mount("11m");
    if (late.empty()) GTEST_SKIP() << failure_;
    ASSERT_TRUE(waitUntil(changes, [&] { return reported(changes, 0, {late}); }));
    settle(monitor);
    QString lateEntry = deviceEntry(rootOf(late));
    EXPECT_EQ(onlyOf(monitor.entries(), {small, early, late}), QStringList{lateEntry});

    const QTimer* fill = monitor.findChild<QTimer*>(QStringLiteral("UZTTimer3"));
    ASSERT_TRUE(fill);
    monitor.start();
    EXPECT_TRUE(fill->isActive());
    EXPECT_EQ(fill->interval(), 1000);
    EXPECT_TRUE(fill->isSingleShot());
    ASSERT_TRUE(filled.wait(3000));
    settle(monitor);
    EXPECT_FALSE(fill->isActive());

    const QStringList& entries = monitor.entries();
    EXPECT_EQ(entries.count(deviceEntry(rootOf(early))), 1);
    EXPECT_EQ(entries.count(lateEntry), 1);  // not offered a second time by the fill
    EXPECT_EQ(entries.count(deviceEntry(rootOf(small))), 0);
    for (const char* fixed : {"C:\\", "D:\\", "E:\\"})
        EXPECT_FALSE(entries.contains(deviceEntry(QString::fromLatin1(fixed)))) << fixed;

    // The fill runs once.
    monitor.start();
    EXPECT_FALSE(fill->isActive());
}

TEST_F(RealDrives, DiskSpaceLineOfTheActiveListsDevice) {
    MountWatcher watcher{table_};
    RemovableDrives monitor{jobs_, table_};
    QObject::connect(&watcher, &MountWatcher::drivesChanged, &monitor, &RemovableDrives::applyDriveChanges);
    QSignalSpy changes(&watcher, &MountWatcher::drivesChanged);
    QString chosen;
    monitor.setChosenDevice([&chosen] { return chosen; });
    QSignalSpy text(&monitor, &RemovableDrives::diskTextChanged);

    std::string point = mount("16m");
    std::string small = mount("8m");
    if (point.empty() || small.empty()) GTEST_SKIP() << failure_;
    ASSERT_TRUE(waitUntil(changes, [&] { return reported(changes, 0, {point, small}); }));
    settle(monitor);
    {
        std::ofstream fill(point + "/fill.bin", std::ios::binary);
        std::string block(static_cast<size_t>(kMB / 2), 'x');
        for (int n = 0; n < 7; ++n) fill << block;  // 3.5 MB: 12.5 MB stay free
    }

    // A burst of repaints costs one refresh.
    chosen = rootOf(point);
    monitor.requestDiskSpaceLine();
    monitor.requestDiskSpaceLine();
    EXPECT_EQ(monitor.findChild<QTimer*>(QStringLiteral("UPangTimer3"))->interval(), 20);
    ASSERT_TRUE(text.wait(2000));
    settle(monitor);
    EXPECT_FALSE(monitor.findChild<QTimer*>(QStringLiteral("UPangTimer3"))->isActive());
    ASSERT_EQ(text.size(), 1);
    EXPECT_EQ(monitor.diskText(), QStringLiteral("可用空间：12 MB 总大小：16 MB"));
    EXPECT_FALSE(monitor.showsDiskNotice());
    EXPECT_EQ(text[0][0].toString(), monitor.diskText());
    EXPECT_FALSE(text[0][1].toBool());

    // A copy job asks from its worker thread.
    {
        std::ofstream more(point + "/more.bin", std::ios::binary);
        more << std::string(static_cast<size_t>(2 * kMB), 'x');
    }
    std::thread([&monitor] { monitor.requestDiskSpaceLine(); }).join();
    ASSERT_TRUE(text.wait(2000));
    EXPECT_EQ(monitor.diskText(), QStringLiteral("可用空间：10 MB 总大小：16 MB"));

    // An unchanged line is not sent again: repaints would never end.
    text.clear();
    monitor.refreshDiskSpaceLine();
    settle(monitor);
    EXPECT_EQ(text.size(), 0);

    struct Case {
        const char* what;
        QString chosen;
    };
    const Case cases[] = {{"none chosen", QString()},
                          {"an unoffered drive", rootOf(small)},
                          {"a letter naming nothing", QStringLiteral("Q:\\")}};
    for (const auto& c : cases) {
        chosen = rootOf(point);
        monitor.refreshDiskSpaceLine();
        settle(monitor);
        ASSERT_FALSE(monitor.showsDiskNotice()) << c.what;
        chosen = c.chosen;
        monitor.refreshDiskSpaceLine();
        EXPECT_TRUE(monitor.showsDiskNotice()) << c.what;
        EXPECT_EQ(monitor.diskText(), QStringLiteral("可移动磁盘 未连接 或 未选择")) << c.what;
    }
}

}  // namespace
}  // namespace zorvik::storage
