#include <gtest/gtest.h>

#include <sys/fsuid.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "library/walk.h"
#include "platform/disks.h"
#include "platform/drives.h"
#include "platform/fileops.h"
#include "platform/wildcard.h"
#include "support/fixture.h"

namespace zorvik::library {
namespace {

namespace fs = std::filesystem;
using testing::Scratch;

// The walk order spelled out one folder at a time from std::filesystem:
// files that match in name order, then each subfolder in name order. The
// hook runs before every folder, so `hitsBefore[i]` is what the visitor has
// seen when the hook runs for the i-th time.
struct Expected {
    std::vector<std::string> hits;
    std::vector<size_t> hitsBefore;
};

void expectWalk(const fs::path& native, const std::string& drivePath, const platform::Wildcard& pattern,
                Expected& out) {
    out.hitsBefore.push_back(out.hits.size());
    std::error_code ec;
    std::vector<std::string> files, folders;
    for (fs::directory_iterator it(native, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        std::error_code statError;
        const auto own = it->symlink_status(statError);
        if (fs::is_symlink(own)) {
            if (fs::is_regular_file(fs::status(it->path(), statError))) files.push_back(name);
        } else if (fs::is_directory(own)) {
            if (name.front() != '.') folders.push_back(name);
        } else if (fs::is_regular_file(own)) {
            files.push_back(name);
        }
    }
    std::sort(files.begin(), files.end(), platform::nameLess);
    std::sort(folders.begin(), folders.end(), platform::nameLess);
    for (const auto& f : files)
        if (pattern.matches(f)) out.hits.push_back(drivePath + f);
    for (const auto& f : folders) expectWalk(native / f, drivePath + f + "\\", pattern, out);
}

Expected expectWalk(const platform::DriveTable& drives, const std::vector<std::string>& roots, std::string_view pattern) {
    Expected out;
    platform::Wildcard wildcard(pattern);
    for (const auto& root : roots) {
        auto native = drives.toNative(root);
        if (native) {
            expectWalk(*native, root, wildcard, out);
        } else {
            out.hitsBefore.push_back(out.hits.size());
        }
    }
    return out;
}

// A library-like tree of many small folders with awkward names: names that
// differ only in letter case, '_' and '[' (which sort differently under
// upper- and lower-case folding), Chinese names, empty folders, one deep
// chain, hidden folders, links, and a folder nobody may read.
void makeTree(const fs::path& root, unsigned seed, int folderCount) {
    static const char* const kNames[] = {"a",  "B",  "_x", "[y",   "Ab",  "aB", "ab",  "AB",   "中国", "中文",
                                         "Z",  "~t", "a b", "é", "1",   "10", "9",   "-",    "x.y",  "中x国"};
    static const char* const kExtensions[] = {".mp3", ".MP3", ".wma", "", ".Mp3", ".txt"};
    std::mt19937 random(seed);
    auto pick = [&random](const auto& list) {
        return std::string(list[random() % std::size(list)]);
    };
    std::vector<fs::path> folders{root};
    fs::create_directories(root);
    for (int i = 0; i < folderCount; ++i) {
        fs::path folder = folders[random() % folders.size()] / pick(kNames);
        if (fs::exists(folder)) continue;
        fs::create_directory(folder);
        folders.push_back(folder);
    }
    fs::path deep = root / "deep";
    for (int i = 0; i < 60; ++i) deep /= (i % 2 ? "D" : "d");
    fs::create_directories(deep);
    folders.push_back(deep);
    for (const auto& folder : folders) {
        for (int n = random() % 7; n > 0; --n) std::ofstream(folder / (pick(kNames) + pick(kExtensions)));
    }
    std::ofstream(root / ".hidden.mp3");
    fs::create_directories(root / ".h");
    std::ofstream(root / ".h" / "in hidden.mp3");
    fs::create_directories(root / "B");
    fs::create_directory_symlink(root, root / "B" / "loop");
    fs::create_symlink(root / ".hidden.mp3", root / "link.mp3");
    fs::create_directories(root / "locked" / "inside");
    std::ofstream(root / "locked" / "a.mp3");
    fs::permissions(root / "locked", fs::perms::none);
}

// Root may read every folder; with a file-system user id of nobody this
// thread, and the workers it starts, meet permissions as a shop's user does.
class WithoutRootsRights {
public:
    WithoutRootsRights() {
        if (::geteuid() == 0) active_ = (::setfsuid(65534), ::setfsuid(65534) == 65534);
    }
    ~WithoutRootsRights() {
        if (active_) ::setfsuid(0);
    }

private:
    bool active_ = false;
};

// Threads of this process named as the walk names its workers.
int walkThreads() {
    int n = 0;
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        n += name == "zorvik-walk";
    }
    return n;
}

// A joined thread may show in /proc for a moment after the join; one that
// was left behind stays.
bool noWalkThreadsLeft() {
    for (int i = 0; i < 200; ++i) {
        if (walkThreads() == 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

class OrderedWalk : public ::testing::Test {
protected:
    void SetUp() override {
        ::chmod(s.path().c_str(), 0755);  // the scratch folder is private to root otherwise
        s.mapDrives({{'E', "e"}, {'F', "f"}, {'G', "g"}});
        // F on a disk of its own when a file system can be mounted here.
        if (::geteuid() == 0 &&
            std::system(("mount -t tmpfs -o size=16m tmpfs '" + s.at("f") + "' 2>/dev/null").c_str()) == 0)
            mounted_ = s.at("f");
        for (const char* drive : {"e", "f", "g"}) build(drive);
    }
    void TearDown() override {
        for (const char* drive : {"e", "f", "g"}) unlock(drive);
        if (!mounted_.empty()) std::system(("umount -l '" + mounted_ + "'").c_str());
    }

    void build(const std::string& drive) { makeTree(s.at(drive), drive[0] - 'd', 160); }
    void unlock(const std::string& drive) {
        std::error_code ec;
        fs::permissions(s.at(drive) + "/locked", fs::perms::owner_all, ec);
    }
    void rebuild(const std::string& drive) {
        unlock(drive);
        for (const auto& e : fs::directory_iterator(s.at(drive))) fs::remove_all(e.path());
        build(drive);
    }

    Scratch s;
    std::string mounted_;
    // Roots in turn, a missing folder, a drive not in the table, and E twice.
    const std::vector<std::string> roots_{"E:\\", "F:\\", "E:\\nowhere\\", "G:\\", "Q:\\x\\", "E:\\"};
};

TEST_F(OrderedWalk, HitsAndHooksComeInTheSequentialOrderAcrossRootsAndDisks) {
    // F is walked by workers of its own when it sits on a disk of its own.
    if (!mounted_.empty()) {
        EXPECT_NE(platform::diskOf(s.drives(), "F:\\"), platform::diskOf(s.drives(), "E:\\"));
    }
    EXPECT_EQ(platform::diskOf(s.drives(), "G:\\"), platform::diskOf(s.drives(), "E:\\"));
    EXPECT_FALSE(platform::diskOf(s.drives(), "Q:\\x\\"));
    WithoutRootsRights asAUser;
    const auto caller = std::this_thread::get_id();
    for (const char* pattern : {"*", "*.mp3", "*中*国*", "*b*"}) {
        SCOPED_TRACE(pattern);
        const Expected expected = expectWalk(s.drives(), roots_, pattern);
        ASSERT_GT(expected.hits.size(), 10u);
        ASSERT_GT(expected.hitsBefore.size(), 300u);
        for (int run = 0; run < 3; ++run) {
            std::vector<std::string> hits;
            std::vector<size_t> hitsBefore;
            bool onCaller = true;
            auto count = walk(s.drives(), 
                roots_, pattern,
                [&](std::string_view path) {
                    onCaller = onCaller && std::this_thread::get_id() == caller;
                    hits.emplace_back(path);
                    return true;
                },
                [&] {
                    onCaller = onCaller && std::this_thread::get_id() == caller;
                    hitsBefore.push_back(hits.size());
                    return true;
                });
            EXPECT_EQ(hits, expected.hits);
            EXPECT_EQ(hitsBefore, expected.hitsBefore);
            EXPECT_EQ(count, static_cast<std::int64_t>(hits.size()));
            EXPECT_TRUE(onCaller);
        }
    }
    // The unreadable folder adds nothing, whoever runs the walk.
    for (const auto& hit : expectWalk(s.drives(), roots_, "*").hits) EXPECT_EQ(hit.find("locked"), std::string::npos);
    EXPECT_TRUE(noWalkThreadsLeft());
}

TEST_F(OrderedWalk, StoppingFromTheVisitorOrTheHookStopsThereAndJoinsEveryWorker) {
    const Expected expected = expectWalk(s.drives(), roots_, "*");
    ASSERT_GT(expected.hitsBefore.size(), 300u);
    struct Case {
        const char* stopIn;
        size_t at;  // the hit or hook call that answers false, from 1
    };
    for (const Case c : {Case{"visitor", 1}, Case{"visitor", 57}, Case{"visitor", expected.hits.size()},
                         Case{"hook", 1}, Case{"hook", 2}, Case{"hook", 40}, Case{"hook", 300}}) {
        SCOPED_TRACE(std::string(c.stopIn) + " " + std::to_string(c.at));
        std::vector<std::string> hits;
        size_t hooks = 0;
        const bool inVisitor = std::string_view(c.stopIn) == "visitor";
        auto count = walk(s.drives(), 
            roots_, "*",
            [&](std::string_view path) {
                hits.emplace_back(path);
                return !(inVisitor && hits.size() == c.at);
            },
            [&] { return !(!inVisitor && ++hooks == c.at); });
        const size_t want = inVisitor ? c.at : expected.hitsBefore[c.at - 1];
        EXPECT_EQ(hits, std::vector<std::string>(expected.hits.begin(), expected.hits.begin() + want));
        EXPECT_EQ(count, static_cast<std::int64_t>(want));
        EXPECT_TRUE(noWalkThreadsLeft());
    }
}

TEST_F(OrderedWalk, FoldersRemovedMidWalkEndItCleanly) {
    // The rest of a drive, a folder below the current one, the drive whose
    // hits are being handed out: what a pulled disk or a busy shop does.
    for (const char* removed : {"f", "e/deep", "e/B", "e"}) {
        SCOPED_TRACE(removed);
        for (const char* drive : {"e", "f", "g"}) unlock(drive);  // removable by anyone
        const Expected expected = expectWalk(s.drives(), roots_, "*");
        std::vector<std::string> hits;
        bool gone = false;
        walk(s.drives(), 
            roots_, "*",
            [&](std::string_view path) {
                hits.emplace_back(path);
                if (!gone && hits.size() == 20) {
                    for (const auto& e : fs::directory_iterator(s.at(removed))) fs::remove_all(e.path());
                    gone = true;
                }
                return true;
            },
            [] { return true; });
        EXPECT_TRUE(gone);
        // What was handed out is the sequential order with pieces left out.
        auto at = expected.hits.begin();
        for (const auto& hit : hits) {
            at = std::find(at, expected.hits.end(), hit);
            ASSERT_NE(at, expected.hits.end()) << hit;
            ++at;
        }
        EXPECT_TRUE(noWalkThreadsLeft());
        rebuild(std::string(removed, 1));
    }
}

}  // namespace
}  // namespace zorvik::library
