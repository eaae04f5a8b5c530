// Times the copy engine against cp, with the GUI event loop running.
//
//   zorvik_copybench LIBRARY STAGING DEVICE ROUNDS [EXFAT_CARD]
//
// LIBRARY (mapped as E:) holds, in Brask搜歌库/3-电影/, the files that
// bench/copy.sh makes: plain512.mp4, pref512bk2009.mp4 (a 407,552-byte block
// followed by the bytes of plain512.mp4) and list1.mp4 ... list5.mp4.
// STAGING (mapped as D:) gets 歌曲下载/清单1 ... 清单5. DEVICE is the mount
// point of the customer's device, lettered as a removable drive; its folders
// are found or made as choosing it in a device selector does. EXFAT_CARD, if
// given, is the mount point of an exFAT card (exfat-fuse on a loop device),
// lettered and prepared the same way, for the plain file once more.
//
// Each engine copy is CopyLane::startBatch() to batchFinished on a shown
// window that follows the lanes' displays; each cp copy is cp followed by
// sync of the file and its folder, because the engine flushes both. Copies
// on the device are deleted between runs, and the two alternate. The event
// loop runs throughout, cp's runs included, and a 2 ms precise timer on the
// GUI thread records its longest gap: during cp it shows what the machine's
// own load costs the GUI thread, apart from the engine.
// Figures are printed as "key value"; the last two lines are
// "prefixed_ratio X" (the prefixed file through the engine / cp with sync of
// its plain bytes) and "ratio X" for the plain file (engine / cp with sync,
// best against best).

#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "orders/copylane.h"
#include "orders/destinations.h"
#include "platform/drives.h"
#include "player/cueplayer.h"
#include "stallwatch.h"

extern char** environ;

using namespace zorvik;
namespace fs = std::filesystem;

namespace {

using bench::Clock;
using bench::SchedTimes;
using bench::secondsSince;
using bench::StallWatch;

constexpr long kPrefixBlock = 407552;
constexpr const char* kFilmFolder = "Brask搜歌库/3-电影/";
constexpr const char* kFilmDrivePath = "E:\\Brask搜歌库\\3-电影\\";

[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "zorvik_copybench: %s\n", what.c_str());
    std::exit(1);
}

// The five list tabs as far as a copy shows on them: progress text and bar.
struct Tabs {
    QWidget window;
    std::array<QLabel*, 5> texts{};
    std::array<QProgressBar*, 5> bars{};

    Tabs() {
        auto* layout = new QVBoxLayout(&window);
        for (size_t i = 0; i < 5; ++i) {
            texts[i] = new QLabel(&window);
            bars[i] = new QProgressBar(&window);
            layout->addWidget(texts[i]);
            layout->addWidget(bars[i]);
        }
        window.resize(520, 300);
        window.show();
    }
    void follow(orders::CopyLane& lane) {
        const auto i = static_cast<size_t>(lane.list() - 1);
        QObject::connect(&lane, &orders::CopyLane::displayChanged, texts[i], [this, i, &lane] {
            texts[i]->setText(lane.doneShown()       ? QStringLiteral("done")
                              : lane.progress() ? lane.progress()->name
                                                : QString());
            bars[i]->setVisible(lane.barShown());
            bars[i]->setMaximum(std::max(lane.barMaximum(), 1));
            bars[i]->setValue(lane.barPosition());
        });
    }
};

// Runs `argv` and waits for it; false unless it exits with 0.
bool run(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return false;
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

using Command = std::vector<std::string>;

// Runs each job (commands one after another) on a thread of its own, all at
// once, while the GUI event loop runs; seconds from the start to the end of
// each command, by job. A command that fails ends the bench.
std::vector<std::vector<double>> runJobs(const std::vector<std::vector<Command>>& jobs) {
    std::vector<std::vector<double>> ends(jobs.size());
    std::atomic<int> left{static_cast<int>(jobs.size())};
    std::atomic<bool> failed{false};
    QEventLoop loop;
    std::vector<std::thread> threads;
    const auto t0 = Clock::now();
    for (size_t j = 0; j < jobs.size(); ++j) {
        threads.emplace_back([&, j] {
            for (const auto& command : jobs[j]) {
                if (!run(command)) failed = true;
                ends[j].push_back(secondsSince(t0));
            }
            if (--left == 0)
                QMetaObject::invokeMethod(
                    &loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
        });
    }
    loop.exec();
    for (auto& t : threads) t.join();
    if (failed) fail("a command failed: " + jobs[0][0][0]);
    return ends;
}

// Bytes [offset, end) of `a` equal the whole of `b`.
bool sameBytes(const std::string& a, long offset, const std::string& b) {
    struct Map {
        void* data = MAP_FAILED;
        size_t size = 0;
        explicit Map(const std::string& path) {
            int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
            struct stat st {};
            if (fd < 0 || ::fstat(fd, &st) != 0) {
                if (fd >= 0) ::close(fd);
                return;
            }
            size = static_cast<size_t>(st.st_size);
            if (size > 0) data = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
            ::close(fd);
        }
        ~Map() {
            if (data != MAP_FAILED) ::munmap(data, size);
        }
        const char* bytes() const { return static_cast<const char*>(data); }
    };
    Map x(a), y(b);
    if (x.data == MAP_FAILED || y.data == MAP_FAILED || x.size < static_cast<size_t>(offset))
        return false;
    return x.size - static_cast<size_t>(offset) == y.size &&
           std::memcmp(x.bytes() + offset, y.bytes(), y.size) == 0;
}

void removeIfThere(const std::string& path) {
    std::error_code ignored;
    fs::remove(path, ignored);
}

// Nothing but finished copies in the device folder: no temporary files left.
void checkNoTemporaries(const std::string& folder) {
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().starts_with("."))
            fail("a temporary file was left: " + e.path().string());
}

struct Setup {
    std::string library;       // native, with trailing slash, the film folder
    std::string staging;       // native root of D:
    std::string device;        // native mount point
    std::string deviceFolder;  // native folder the films land in
    orders::DestinationRecord record;
    const platform::DriveTable* drives = nullptr;  // main's, mapping D:, E: and the device
};

// Best of the rounds, and their median to show how steady the machine was.
struct Best {
    double value = std::numeric_limits<double>::infinity();
    std::vector<double> all;
    void take(double v) {
        value = std::min(value, v);
        all.push_back(v);
    }
    double median() const {
        auto sorted = all;
        std::sort(sorted.begin(), sorted.end());
        const size_t n = sorted.size();
        return n == 0 ? 0 : n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
};

class Bench {
public:
    Bench(const Setup& setup, player::CuePlayer& cues) : s_(setup) {
        for (int n = 1; n <= 5; ++n) {
            auto lane = std::make_unique<orders::CopyLane>(jobs_, *s_.drives, n, cues);
            lane->setFolders(s_.record);
            tabs_.follow(*lane);
            lanes_.push_back(std::move(lane));
        }
    }

    // Another device: every list copies to it from now on.
    void copyTo(const orders::DestinationRecord& record, const std::string& deviceFolder) {
        for (auto& lane : lanes_) lane->setFolders(record);
        deviceFolder_ = deviceFolder;
    }

    // Copies one entry on list 1 through the engine; seconds to batchFinished.
    double engineOne(const std::string& name, double& stall) {
        return engineMany({{1, name}}, stall)[0];
    }

    // Starts each (list, file) at once; seconds from the first start to each
    // list's batchFinished, by list, in the order given.
    std::vector<double> engineMany(const std::vector<std::pair<int, std::string>>& jobs,
                                   double& stall) {
        std::vector<double> ends(jobs.size(), -1);
        size_t left = jobs.size();
        QEventLoop loop;
        std::vector<QMetaObject::Connection> connections;
        const auto t0 = Clock::now();
        for (size_t j = 0; j < jobs.size(); ++j) {
            auto& lane = *lanes_[static_cast<size_t>(jobs[j].first - 1)];
            connections.push_back(
                QObject::connect(&lane, &orders::CopyLane::batchFinished, &loop, [&, j] {
                    if (ends[j] >= 0) return;
                    ends[j] = secondsSince(t0);
                    if (--left == 0) loop.quit();
                }));
        }
        watch_.reset();
        for (const auto& [list, name] : jobs)
            lanes_[static_cast<size_t>(list - 1)]->startBatch({std::string(kFilmDrivePath) + name});
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, [&loop] { loop.exit(1); });
        limit.start(300000);
        if (loop.exec() != 0) fail("a copy did not finish in 5 minutes");
        stall = watch_.longest();
        stallTimes_ = watch_.longestTimes();
        for (auto& c : connections) QObject::disconnect(c);
        return ends;
    }

    // cp of a library file to `target` on the device, then sync of both.
    double cpOne(const std::string& sourceName, const std::string& target, double& stall,
                 double* cpOnly = nullptr) {
        watch_.reset();
        const auto ends = runJobs({{{"cp", s_.library + sourceName, target}, {"sync", target, folder()}}});
        stall = watch_.longest();
        stallTimes_ = watch_.longestTimes();
        if (cpOnly) *cpOnly = ends[0][0];
        return ends[0][1];
    }

    // The media bytes of the prefixed file by dd, skipping the block, then sync.
    double ddPlain(const std::string& sourceName, const std::string& target, double& stall) {
        watch_.reset();
        const auto ends =
            runJobs({{{"dd", "if=" + s_.library + sourceName, "of=" + target, "bs=1M",
                       "skip=" + std::to_string(kPrefixBlock), "iflag=skip_bytes", "status=none"},
                      {"sync", target, folder()}}});
        stall = watch_.longest();
        stallTimes_ = watch_.longestTimes();
        return ends[0][1];
    }

    // cp + sync of each (source, target) at once; seconds to each one's end.
    std::vector<double> cpMany(const std::vector<std::pair<std::string, std::string>>& copies,
                               double& stall) {
        std::vector<std::vector<Command>> jobs;
        for (const auto& [source, target] : copies)
            jobs.push_back({{"cp", s_.library + source, target}, {"sync", target, folder()}});
        watch_.reset();
        const auto ends = runJobs(jobs);
        stall = watch_.longest();
        stallTimes_ = watch_.longestTimes();
        std::vector<double> out;
        for (const auto& e : ends) out.push_back(e.back());
        return out;
    }

    StallWatch& watch() { return watch_; }
    // How the GUI thread spent the last run's longest gap.
    SchedTimes stallTimes() const { return stallTimes_; }

private:
    const std::string& folder() const { return deviceFolder_.empty() ? s_.deviceFolder : deviceFolder_; }

    const Setup& s_;
    std::string deviceFolder_;
    Tabs tabs_;
    StallWatch watch_;
    SchedTimes stallTimes_;
    core::JobRegistry jobs_;  // declared before the lanes, which register with it
    std::vector<std::unique_ptr<orders::CopyLane>> lanes_;
};

// Other work on the machine skews every figure here; the load says how much.
std::string loadAverage() {
    char text[128] = {};
    if (FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (!std::fgets(text, sizeof text, f)) text[0] = 0;
        std::fclose(f);
    }
    std::string s(text);
    while (!s.empty() && s.back() == '\n') s.pop_back();
    return s + " on " + std::to_string(std::thread::hardware_concurrency()) + " CPUs";
}

std::string ms(double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds * 1000);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    // The offscreen platform warns on every layout change of a shown window.
    static const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (!text.contains(QStringLiteral("propagateSizeHints"))) previous(type, context, text);
        });
    QApplication app(argc, argv);
    if (argc != 5 && argc != 6) {
        std::fprintf(stderr, "usage: zorvik_copybench LIBRARY STAGING DEVICE ROUNDS [EXFAT_CARD]\n");
        return 2;
    }
    const std::string exfatCard = argc == 6 ? argv[5] : std::string();
    const std::string libraryRoot = argv[1];
    const std::string stagingRoot = argv[2];
    const std::string device = argv[3];
    const int rounds = std::max(1, std::atoi(argv[4]));

    Setup s;
    s.library = libraryRoot + "/" + kFilmFolder;
    s.staging = stagingRoot;
    s.device = device;
    for (int n = 1; n <= 5; ++n)
        fs::create_directories(stagingRoot + "/歌曲下载/清单" + std::to_string(n));
    platform::DriveTable drives;
    s.drives = &drives;
    drives.setFixed({{'D', stagingRoot}, {'E', libraryRoot}});
    std::vector<platform::RemovableMount> mounts{device};
    if (!exfatCard.empty()) mounts.push_back(exfatCard);
    const auto changes = drives.setRemovableMounts(mounts);
    if (changes.arrived.size() != mounts.size()) fail("a device did not get a drive letter");
    const std::string root = std::string(1, changes.arrived[0].letter) + ":\\";
    const auto folders = orders::discoverDeviceFolders(drives, root);
    if (folders.anyFailed()) fail("the device folders could not be made");
    s.record = folders.record;
    const auto videoFolder = drives.toNative(s.record[1]);
    if (!videoFolder) fail("the video folder maps to nothing");
    s.deviceFolder = *videoFolder;
    std::printf("device %s (%s), films to %s\n", root.c_str(), device.c_str(), s.record[1].c_str());
    std::printf("load average at the start %s\n", loadAverage().c_str());

    const std::string plainName = "plain512.mp4";
    const std::string prefixedName = "pref512bk2009.mp4";
    const std::string plainTarget = s.deviceFolder + "/" + plainName;
    const std::string prefixedTarget = s.deviceFolder + "/pref512.mp4";  // the marker goes
    const std::string stagingFolder1 = stagingRoot + "/歌曲下载/清单1";
    for (const auto& name : {plainName, prefixedName})
        if (!fs::is_regular_file(s.library + name)) fail("missing " + s.library + name);
    const auto plainBytes = fs::file_size(s.library + plainName);
    if (fs::file_size(s.library + prefixedName) != plainBytes + kPrefixBlock)
        fail("the prefixed file has the wrong size");

    player::CuePlayer cues(QString::fromStdString(stagingRoot + "/no-cues/"));
    Bench bench(s, cues);
    double stall = 0;
    double longestStall = 0;
    SchedTimes longestStallTimes;
    auto noteStall = [&] {
        if (stall > longestStall) longestStallTimes = bench.stallTimes();
        longestStall = std::max(longestStall, stall);
    };

    // The event loop alone, for scale.
    bench.watch().reset();
    {
        QEventLoop idle;
        QTimer::singleShot(500, &idle, &QEventLoop::quit);
        idle.exec();
    }
    const double idleGap = bench.watch().longest();
    std::printf("idle_longest_gap %.6f\n", idleGap);

    // Warm-up, and the check that every copy gives the bytes it should.
    removeIfThere(plainTarget);
    bench.engineOne(plainName, stall);
    if (!sameBytes(plainTarget, 0, s.library + plainName))
        fail("the engine's copy differs from the source");
    checkNoTemporaries(s.deviceFolder);
    removeIfThere(plainTarget);
    bench.cpOne(plainName, plainTarget, stall);
    if (!sameBytes(plainTarget, 0, s.library + plainName))
        fail("cp's copy differs from the source");
    removeIfThere(plainTarget);
    removeIfThere(prefixedTarget);
    bench.engineOne(prefixedName, stall);
    if (!sameBytes(prefixedTarget, 0, s.library + plainName))
        fail("the engine's plain copy differs from the media bytes");
    if (!fs::is_empty(stagingFolder1)) fail("something passed through the staging folder");
    checkNoTemporaries(s.deviceFolder);
    removeIfThere(prefixedTarget);

    // 1. The plain file.
    std::printf(
        "== 1. plain file, %.1f MiB, %d rounds alternating (engine: fsync of file and folder; "
        "cp: cp + sync FILE FOLDER)\n",
        static_cast<double>(plainBytes) / (1 << 20), rounds);
    Best engineBest, cpBest, cpOnlyBest, pairedRatio;
    double cpStall = 0;  // the same gaps while cp runs instead: what the machine itself costs
    double engineStall = 0;
    for (int r = 1; r <= rounds; ++r) {
        double engine = 0, cp = 0, cpOnly = 0;
        auto doEngine = [&] {
            engine = bench.engineOne(plainName, stall);
            noteStall();
            engineStall = stall;
            if (!fs::exists(plainTarget)) fail("the engine copied nothing");
            removeIfThere(plainTarget);
        };
        auto doCp = [&] {
            cp = bench.cpOne(plainName, plainTarget, stall, &cpOnly);
            cpStall = std::max(cpStall, stall);
            removeIfThere(plainTarget);
        };
        if (r % 2) {
            doEngine();
            doCp();
        } else {
            doCp();
            doEngine();
        }
        engineBest.take(engine);
        cpBest.take(cp);
        cpOnlyBest.take(cpOnly);
        pairedRatio.take(engine / cp);
        std::printf("round %d: engine %.3f s (stall %s ms), cp+sync %.3f s (cp alone %.3f s)\n", r,
                    engine, ms(engineStall).c_str(), cp, cpOnly);
    }
    const double mib = static_cast<double>(plainBytes) / (1 << 20);
    std::printf("plain_engine_best %.6f\n", engineBest.value);
    std::printf("plain_cp_sync_best %.6f\n", cpBest.value);
    std::printf("plain_cp_alone_best %.6f\n", cpOnlyBest.value);
    std::printf("plain_engine_median %.6f\n", engineBest.median());
    std::printf("plain_cp_sync_median %.6f\n", cpBest.median());
    // Each round's two runs are next to each other: their ratio rides out
    // load that comes and goes over the rounds.
    std::printf("plain_round_ratio_median %.3f\n", pairedRatio.median());
    std::printf("plain_engine_mib_s %.0f\n", mib / engineBest.value);
    std::printf("plain_cp_sync_mib_s %.0f\n", mib / cpBest.value);
    const double ratio = engineBest.value / cpBest.value;

    // 2. The same bytes from a prefixed file.
    std::printf(
        "== 2. prefixed file (%ld-byte block + the same bytes), %d rounds alternating "
        "(engine straight from the library file; cp of the plain file; dd skipping the block)\n",
        kPrefixBlock, rounds);
    Best prefixedBest, prefixedCpBest, prefixedDdBest;
    for (int r = 1; r <= rounds; ++r) {
        double engine = 0, cp = 0, dd = 0;
        auto doEngine = [&] {
            engine = bench.engineOne(prefixedName, stall);
            noteStall();
            engineStall = stall;
            if (!fs::exists(prefixedTarget)) fail("the engine copied nothing");
            removeIfThere(prefixedTarget);
        };
        auto doOthers = [&] {
            cp = bench.cpOne(plainName, prefixedTarget, stall);
            cpStall = std::max(cpStall, stall);
            removeIfThere(prefixedTarget);
            dd = bench.ddPlain(prefixedName, prefixedTarget, stall);
            cpStall = std::max(cpStall, stall);
            removeIfThere(prefixedTarget);
        };
        if (r % 2) {
            doEngine();
            doOthers();
        } else {
            doOthers();
            doEngine();
        }
        prefixedBest.take(engine);
        prefixedCpBest.take(cp);
        prefixedDdBest.take(dd);
        std::printf("round %d: engine %.3f s (stall %s ms), cp+sync %.3f s, dd+sync %.3f s\n", r,
                    engine, ms(engineStall).c_str(), cp, dd);
    }
    std::printf("prefixed_engine_best %.6f\n", prefixedBest.value);
    std::printf("prefixed_cp_sync_best %.6f\n", prefixedCpBest.value);
    std::printf("prefixed_dd_sync_best %.6f\n", prefixedDdBest.value);
    std::printf("prefixed_engine_over_cp %.3f\n", prefixedBest.value / prefixedCpBest.value);

    // 3. Five lists at once.
    std::vector<std::pair<int, std::string>> jobs;
    std::vector<std::pair<std::string, std::string>> copies;
    std::vector<std::string> targets;
    for (int n = 1; n <= 5; ++n) {
        const std::string name = "list" + std::to_string(n) + ".mp4";
        if (!fs::is_regular_file(s.library + name)) fail("missing " + s.library + name);
        jobs.emplace_back(n, name);
        targets.push_back(s.deviceFolder + "/" + name);
        copies.emplace_back(name, targets.back());
    }
    auto clearTargets = [&] {
        for (const auto& t : targets) removeIfThere(t);
    };
    clearTargets();
    const int manyRounds = std::max(3, rounds);
    std::printf(
        "== 3. five lists at once, one %.1f MiB file each, %d rounds alternating "
        "(five CopyLanes vs five cp + sync in parallel)\n",
        static_cast<double>(fs::file_size(s.library + "list1.mp4")) / (1 << 20), manyRounds);
    Best manyEngineBest, manyCpBest;
    std::vector<double> manyEngineEnds, manyCpEnds;
    double manyStall = 0, manyCpStall = 0;
    for (int r = 1; r <= manyRounds; ++r) {
        std::vector<double> engineEnds, cpEnds;
        auto doEngine = [&] {
            engineEnds = bench.engineMany(jobs, stall);
            noteStall();
            engineStall = stall;
            manyStall = std::max(manyStall, stall);
            for (size_t i = 0; i < targets.size(); ++i)
                if (r == 1 && !sameBytes(targets[i], 0, s.library + copies[i].first))
                    fail("a list's copy differs from its source");
            checkNoTemporaries(s.deviceFolder);
            clearTargets();
        };
        auto doCp = [&] {
            cpEnds = bench.cpMany(copies, stall);
            cpStall = std::max(cpStall, stall);
            manyCpStall = std::max(manyCpStall, stall);
            clearTargets();
        };
        if (r % 2) {
            doEngine();
            doCp();
        } else {
            doCp();
            doEngine();
        }
        const double engineTotal = *std::max_element(engineEnds.begin(), engineEnds.end());
        const double cpTotal = *std::max_element(cpEnds.begin(), cpEnds.end());
        if (engineTotal < manyEngineBest.value) manyEngineEnds = engineEnds;
        if (cpTotal < manyCpBest.value) manyCpEnds = cpEnds;
        manyEngineBest.take(engineTotal);
        manyCpBest.take(cpTotal);
        std::printf("round %d: engine %.3f s (lists end", r, engineTotal);
        for (double e : engineEnds) std::printf(" %.3f", e);
        std::printf("; stall %s ms), cp %.3f s (ends", ms(engineStall).c_str(), cpTotal);
        for (double e : cpEnds) std::printf(" %.3f", e);
        std::printf(")\n");
    }
    std::printf("five_engine_best %.6f\n", manyEngineBest.value);
    for (size_t i = 0; i < manyEngineEnds.size(); ++i)
        std::printf("five_engine_list%zu_end %.6f\n", i + 1, manyEngineEnds[i]);
    std::printf("five_cp_best %.6f\n", manyCpBest.value);
    for (size_t i = 0; i < manyCpEnds.size(); ++i)
        std::printf("five_cp_%zu_end %.6f\n", i + 1, manyCpEnds[i]);
    std::printf("five_engine_over_cp %.3f\n", manyEngineBest.value / manyCpBest.value);
    std::printf("five_longest_gap %.6f\n", manyStall);
    std::printf("five_cp_longest_gap %.6f\n", manyCpStall);

    // 3b. The plain file onto an exFAT card, through exfat-fuse as the shop's
    // cards are on this machine.
    Best exfatEngineBest, exfatCpBest;
    if (!exfatCard.empty()) {
        const std::string exfatRoot = std::string(1, changes.arrived[1].letter) + ":\\";
        const auto exfatFolders = orders::discoverDeviceFolders(drives, exfatRoot);
        if (exfatFolders.anyFailed()) fail("the exFAT card's folders could not be made");
        const auto exfatVideo = drives.toNative(exfatFolders.record[1]);
        if (!exfatVideo) fail("the exFAT card's video folder maps to nothing");
        bench.copyTo(exfatFolders.record, *exfatVideo);
        const std::string exfatTarget = *exfatVideo + "/" + plainName;
        removeIfThere(exfatTarget);
        bench.engineOne(plainName, stall);  // warm-up, and the bytes checked once
        if (!sameBytes(exfatTarget, 0, s.library + plainName)) fail("the engine's copy on exFAT differs");
        checkNoTemporaries(*exfatVideo);
        removeIfThere(exfatTarget);
        std::printf("== 3b. plain file onto an exFAT card (%s, exfat-fuse), %d rounds alternating\n",
                    exfatCard.c_str(), rounds);
        for (int r = 1; r <= rounds; ++r) {
            double engine = 0, cp = 0;
            auto doEngine = [&] {
                engine = bench.engineOne(plainName, stall);
                noteStall();
                if (!fs::exists(exfatTarget)) fail("the engine copied nothing onto exFAT");
                removeIfThere(exfatTarget);
            };
            auto doCp = [&] {
                cp = bench.cpOne(plainName, exfatTarget, stall);
                cpStall = std::max(cpStall, stall);
                removeIfThere(exfatTarget);
            };
            if (r % 2) {
                doEngine();
                doCp();
            } else {
                doCp();
                doEngine();
            }
            exfatEngineBest.take(engine);
            exfatCpBest.take(cp);
            std::printf("round %d: engine %.3f s, cp+sync %.3f s\n", r, engine, cp);
        }
        std::printf("exfat_engine_best %.6f\n", exfatEngineBest.value);
        std::printf("exfat_cp_sync_best %.6f\n", exfatCpBest.value);
        std::printf("exfat_ratio %.3f\n", exfatEngineBest.value / exfatCpBest.value);
    }

    // 4. The GUI thread meanwhile.
    std::printf(
        "== 4. GUI thread: longest gap of a 2 ms timer over every timed engine copy, and over "
        "every cp run\n");
    std::printf("longest_gap %.6f\n", longestStall);
    std::printf("longest_gap_gui_on_cpu %.6f\n", longestStallTimes.onCpu);
    std::printf("longest_gap_gui_waiting_for_cpu %.6f\n", longestStallTimes.waiting);
    std::printf("cp_longest_gap %.6f\n", cpStall);

    std::printf("== summary (targets: ratio <= 1.1, prefixed <= 1.1; the stall is reported)\n");
    std::printf("load average     %s\n", loadAverage().c_str());
    std::printf(
        "plain %.0f MiB     engine %.3f s vs cp+sync %.3f s, ratio %.3f%s (medians %.3f / %.3f "
        "s)\n",
        mib, engineBest.value, cpBest.value, ratio, ratio <= 1.1 ? "  [met]" : "  [MISSED]",
        engineBest.median(), cpBest.median());
    std::printf("                 median of the rounds' own ratios %.3f\n", pairedRatio.median());
    std::printf(
        "prefixed         engine %.3f s vs cp+sync of the plain bytes %.3f s (dd %.3f s), x%.3f\n",
        prefixedBest.value, prefixedCpBest.value, prefixedDdBest.value,
        prefixedBest.value / prefixedCpBest.value);
    if (!exfatCard.empty())
        std::printf("exFAT card       engine %.3f s vs cp+sync %.3f s onto the same card, ratio %.3f\n",
                    exfatEngineBest.value, exfatCpBest.value, exfatEngineBest.value / exfatCpBest.value);
    std::printf("five lists       engine %.3f s vs five cp+sync %.3f s, x%.3f\n",
                manyEngineBest.value, manyCpBest.value, manyEngineBest.value / manyCpBest.value);
    std::printf(
        "longest stall    %s ms: GUI thread on a CPU %s ms, waiting for one %s ms (five lists %s "
        "ms; while cp runs instead %s ms; idle loop %s ms)\n",
        ms(longestStall).c_str(), ms(longestStallTimes.onCpu).c_str(),
        ms(longestStallTimes.waiting).c_str(), ms(manyStall).c_str(), ms(cpStall).c_str(),
        ms(idleGap).c_str());
    std::printf("prefixed_ratio %.3f\n", prefixedBest.value / prefixedCpBest.value);
    std::printf("ratio %.3f\n", ratio);
    return 0;
}
