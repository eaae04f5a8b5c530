#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "app/station.h"
#include "platform/drives.h"
#include "platform/textcodec.h"
#include "support/fixture.h"

// A library disk that stops answering (spun down, failing): the counter goes
// on, and what needs the disk follows once it answers.
namespace zorvik::app {
namespace {

using testing::Scratch;
namespace fs = std::filesystem;

#ifdef ZORVIK_SLOWPHONE_PATH
// The tests' slow FUSE disk over a backing folder, holding every call while
// its gate file exists.
class HeldDisk {
public:
    HeldDisk(const std::string& backing, const std::string& mountPoint, const std::string& gate)
        : mountPoint_(mountPoint), gate_(gate) {
        if (::geteuid() != 0 || ::access("/dev/fuse", R_OK | W_OK) != 0) return;
        std::ofstream(gate_) << "held";
        daemon_ = ::fork();
        if (daemon_ == 0) {
            ::execl(ZORVIK_SLOWPHONE_PATH, ZORVIK_SLOWPHONE_PATH, backing.c_str(), mountPoint.c_str(), "--delay-ms",
                    "0", "--gate", gate.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
        for (int i = 0; i < 200 && !mounted(); ++i) ::usleep(20000);
    }
    ~HeldDisk() {
        release();
        if (daemon_ > 0) {
            ::umount2(mountPoint_.c_str(), MNT_DETACH);
            ::kill(daemon_, SIGTERM);
            ::waitpid(daemon_, nullptr, 0);
        }
    }
    bool mounted() const {
        std::ifstream table("/proc/self/mountinfo");
        std::string line;
        while (std::getline(table, line))
            if (line.find(" " + mountPoint_ + " ") != std::string::npos) return true;
        return false;
    }
    void release() { fs::remove(gate_); }

private:
    std::string mountPoint_;
    std::string gate_;
    pid_t daemon_ = -1;
};

// Lets the disk go after a while if the test itself is stuck waiting for it,
// and says so: a GUI call that waits for the held disk never returns before.
class Watchdog {
public:
    explicit Watchdog(HeldDisk& disk)
        : thread_([this, &disk] {
              std::unique_lock lock(mutex_);
              if (!done_.wait_for(lock, std::chrono::seconds(10), [this] { return finished_; })) {
                  stuck_ = true;
                  disk.release();
              }
          }) {}
    ~Watchdog() { finish(); }
    // True when the watchdog had to let the disk go.
    bool finish() {
        {
            std::lock_guard lock(mutex_);
            finished_ = true;
        }
        done_.notify_all();
        if (thread_.joinable()) thread_.join();
        return stuck_;
    }

private:
    std::mutex mutex_;
    std::condition_variable done_;
    bool finished_ = false;
    std::atomic<bool> stuck_{false};
    std::thread thread_;
};

TEST(SlowLibrary, TheCounterGoesOnWhileTheLibraryDiskDoesNotAnswer) {
    Scratch s;
    const std::string music = "E:\\Brask搜歌库\\1-音乐\\";
    for (const char* name : {"3011老歌.mp3", "3012新歌.mp3", "3013情歌.mp3"})
        s.write(std::string("back/Brask搜歌库/1-音乐/") + name, std::string(20480, 'm'));
    HeldDisk disk(s.at("back"), s.makeFolder("e"), s.at("gate"));
    if (!disk.mounted()) GTEST_SKIP() << "needs root, /dev/fuse and zorvik_slowphone";
    s.write("prog/数据文件/Corlen.ini",
            platform::utf8ToGb18030("[Drives]\r\nD=" + s.makeFolder("d") + "\r\nE=" + s.at("e") +
                                    "\r\n[PanFu1]\r\nPanFu1=E\r\n"));
    s.write("prog/数据文件/清单1.txt", platform::utf8ToGb18030(music + "3011老歌.mp3\r\n" + music + "3012新歌.mp3\r\n" +
                                                          music + "3013情歌.mp3\r\n"));
    s.write("prog/数据文件/清单2.txt", platform::utf8ToGb18030(music + "3013情歌.mp3\r\n"));
    s.write("prog/数据文件/热门推荐.txt", platform::utf8ToGb18030("003C," + music + "3012新歌.mp3\r\n"));

    Watchdog watchdog(disk);
    Station station(core::ProgramFolders::at(s.at("prog")));
    QSignalSpy started(&station, &Station::startupFinished);
    station.create();
    station.firstShow();
    ASSERT_TRUE(started.wait(3000));
    auto& rows = station.orderBook().rows();
    auto sizeText = [&rows](int row) {
        return rows.data(rows.index(row, orders::OrderRows::Size), Qt::DisplayRole).toString();
    };
    // Start-up, a list switch there and back, an add and the hot ranking, all
    // while the disk holds every call: the rows are there, their sizes not yet.
    ASSERT_EQ(rows.count(), 3);
    EXPECT_TRUE(rows.sizing());
    station.orderBook().switchTo(2);
    EXPECT_EQ(rows.count(), 1);
    station.orderBook().switchTo(1);
    station.orderBook().add({music + "3014.mp3"});
    ASSERT_EQ(rows.count(), 4);
    ASSERT_TRUE(station.readyListings().showHotRanking());
    auto& results = station.results();
    EXPECT_EQ(results.data(results.index(0, library::ResultList::Size), Qt::DisplayRole).toString(), QString());
    QTest::qWait(100);  // the tally and whatever else follows the changes
    EXPECT_EQ(sizeText(0), QString());
    EXPECT_FALSE(watchdog.finish()) << "the GUI thread waited for the held library disk";

    disk.release();
    for (int i = 0; i < 500 && rows.sizing(); ++i) QTest::qWait(10);
    EXPECT_EQ(sizeText(0), QStringLiteral("0.02"));
    EXPECT_EQ(sizeText(3), QStringLiteral("0.00"));  // no such file
    for (int i = 0; i < 300 && station.tally().sizeText() != QStringLiteral("0.06"); ++i) QTest::qWait(10);
    EXPECT_EQ(station.tally().sizeText(), QStringLiteral("0.06"));
    for (int i = 0; i < 300 && results.data(results.index(0, library::ResultList::Size), Qt::DisplayRole).toString().isEmpty(); ++i)
        QTest::qWait(10);
    EXPECT_EQ(results.data(results.index(0, library::ResultList::Size), Qt::DisplayRole).toString(),
              QStringLiteral("0.02"));
    station.closeQuery();
    station.close();
    station.jobsEnded();
}
#endif

}  // namespace
}  // namespace zorvik::app
