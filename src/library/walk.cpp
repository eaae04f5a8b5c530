#include "library/walk.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

#include "platform/disks.h"
#include "platform/fileops.h"
#include "platform/wildcard.h"

namespace zorvik::library {

namespace {

using platform::EntryKind;
using platform::FolderReader;

std::string withSeparator(std::string_view folder) {
    std::string path(folder);
    if (path.empty() || (path.back() != '\\' && path.back() != '/')) path += '\\';
    return path;
}

// Folders read ahead of the hand-out may hold this much per disk; past it the
// disk's workers wait for the hand-out to catch up.
constexpr std::size_t kReadAheadBytes = 16u << 20;
// The handing-out thread, once it has caught up with the readers, sleeps
// until this many folders are ready for it (or a moment has passed), not just
// the next one: each wake-up costs more than handing out a folder.
constexpr int kWakeBatch = 16;
constexpr auto kWakeDelay = std::chrono::milliseconds(2);

struct Lane;

// One folder of the walk. The thread that reads it fills in what it found
// and publishes it under the walk's lock; from then on only the handing-out
// thread reads it, and frees it once everything below it is handed out.
struct Folder {
    enum class State : std::uint8_t { Pending, Reading, Ready };

    Folder* parent = nullptr;
    Lane* lane = nullptr;
    std::string_view name;    // NUL-terminated in the parent's names; a root's path
    std::uint32_t depth = 0;
    std::uint32_t index = 0;  // among the parent's subfolders, or among the roots
    State state = State::Pending;

    std::string names;  // the matching files, then the subfolders, each NUL-terminated
    std::vector<std::pair<std::uint32_t, std::uint32_t>> files;  // offset and length in names
    std::vector<std::unique_ptr<Folder>> children;                // subfolders in name order
    std::size_t bytes = 0;                                        // counted against the read-ahead

    // Open while subfolders remain to be opened relative to it.
    FolderReader* reader = nullptr;
    std::atomic<std::uint32_t> unopened{0};
};

// Walk order between two folders of one disk: roots in order, a folder
// before what lies below it, siblings in name order.
struct Earlier {
    bool operator()(const Folder* a, const Folder* b) const {
        const Folder* x = a;
        const Folder* y = b;
        while (x->depth > y->depth) x = x->parent;
        while (y->depth > x->depth) y = y->parent;
        if (x == y) return a->depth < b->depth;
        while (x->parent != y->parent) {
            x = x->parent;
            y = y->parent;
        }
        return x->index < y->index;
    }
};

// The folders of one disk that are known and not yet read, with its workers'
// bookkeeping. Guarded by the walk's lock.
struct Lane {
    std::set<Folder*, Earlier> pending;
    std::size_t ahead = 0;  // bytes read and not yet handed out
    int ready = 0;          // folders read and not yet handed out
    int reading = 0;
    int idle = 0;
    std::condition_variable wake;
};

// What one reading thread reuses from folder to folder.
struct Gather {
    std::vector<const FolderReader::Entry*> files;
    std::vector<const FolderReader::Entry*> folders;
};

class OrderedWalk {
public:
    OrderedWalk(const platform::DriveTable& drives, const std::vector<std::string>& roots,
                const platform::Wildcard& pattern, const FileVisitor& visit, const FolderHook& hook)
        : drives_(drives), pattern_(pattern), visit_(visit), hook_(hook) {
        std::map<std::uint64_t, Lane*> byDisk;
        Lane* unknown = nullptr;  // roots that name nothing: read by the handing-out thread
        for (const auto& root : roots) rootPaths_.push_back(withSeparator(root));
        for (std::uint32_t i = 0; i < rootPaths_.size(); ++i) {
            Lane*& lane = [&]() -> Lane*& {
                if (auto disk = platform::diskOf(drives_, rootPaths_[i])) return byDisk[*disk];
                return unknown;
            }();
            if (!lane) lane = &lanes_.emplace_back();
            auto& folder = roots_.emplace_back(std::make_unique<Folder>());
            folder->lane = lane;
            folder->name = rootPaths_[i];
            folder->index = i;
            lane->pending.insert(folder.get());
        }
        for (auto& [disk, lane] : byDisk) diskLanes_.push_back(lane);
    }

    ~OrderedWalk() {
        {
            std::lock_guard lock(mutex_);
            stop_ = true;
        }
        for (auto& lane : lanes_) lane.wake.notify_all();
        workers_.clear();  // joins
    }

    OrderedWalk(const OrderedWalk&) = delete;
    OrderedWalk& operator=(const OrderedWalk&) = delete;

    void run() {
        startWorkers();
        for (std::size_t i = 0; i < roots_.size(); ++i) {
            if (hook_ && !hook_()) return;
            path_ = rootPaths_[i];
            if (!handOutTree(*roots_[i])) return;
            roots_[i].reset();
        }
    }

    std::int64_t count() const { return count_; }

private:
    // As many workers as cores, at least two, shared out among the disks.
    void startWorkers() {
        if (diskLanes_.empty()) return;
        const unsigned cores = std::max(2u, std::thread::hardware_concurrency());
        const unsigned perDisk = std::max<unsigned>(1, cores / diskLanes_.size());
        for (Lane* lane : diskLanes_) {
            for (unsigned n = 0; n < perDisk; ++n) {
                try {
                    workers_.emplace_back([this, lane] {
                        ::pthread_setname_np(::pthread_self(), "zorvik-walk");
                        work(*lane);
                    });
                } catch (const std::system_error&) {
                    return;  // the handing-out thread reads what no worker takes
                }
            }
        }
    }

    void work(Lane& lane) {
        Gather gather;
        std::unique_lock lock(mutex_);
        for (;;) {
            if (stop_) return;
            if (!lane.pending.empty() && lane.ahead < kReadAheadBytes) {
                Folder& folder = **lane.pending.begin();
                readAndPublish(folder, lock, gather);
                continue;
            }
            if (lane.pending.empty() && lane.reading == 0) return;  // the whole disk is read
            ++lane.idle;
            lane.wake.wait(lock);
            --lane.idle;
        }
    }

    // Called with the lock held; reads without it.
    void readAndPublish(Folder& folder, std::unique_lock<std::mutex>& lock, Gather& gather) {
        Lane& lane = *folder.lane;
        lane.pending.erase(&folder);
        folder.state = Folder::State::Reading;
        ++lane.reading;
        FolderReader* reader;
        if (spare_.empty()) {
            reader = &readers_.emplace_back();
        } else {
            reader = spare_.back();
            spare_.pop_back();
        }
        lock.unlock();
        FolderReader* doneParent = read(folder, *reader, gather);
        lock.lock();

        if (doneParent) {
            folder.parent->reader = nullptr;
            spare_.push_back(doneParent);
        }
        if (folder.children.empty()) {
            spare_.push_back(reader);
        } else {
            folder.reader = reader;
            for (auto& child : folder.children) lane.pending.insert(child.get());
        }
        --lane.reading;
        lane.ahead += folder.bytes;
        ++lane.ready;
        folder.state = Folder::State::Ready;
        if (lane.idle > 0) {
            if (lane.pending.empty() && lane.reading == 0) {
                lane.wake.notify_all();  // the disk is read: the workers may go
            } else if (folder.children.size() == 1) {
                lane.wake.notify_one();
            } else if (!folder.children.empty()) {
                lane.wake.notify_all();
            }
        }
        if (awaited_ && awaited_->lane == &lane && awaited_->state == Folder::State::Ready &&
            (lane.ready >= kWakeBatch || lane.reading == 0 || lane.ahead >= kReadAheadBytes))
            handOutWake_.notify_one();
    }

    // Opens and reads one folder and keeps what the hand-out needs. Returns
    // the parent's reader when this was the last subfolder opened from it.
    FolderReader* read(Folder& folder, FolderReader& reader, Gather& gather) {
        const bool opened = folder.parent ? reader.openChild(*folder.parent->reader, folder.name)
                                          : reader.open(drives_, folder.name);
        FolderReader* doneParent = nullptr;
        if (folder.parent && folder.parent->unopened.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            doneParent = folder.parent->reader;
            doneParent->close();
        }
        if (!opened) return doneParent;  // a missing or unreadable folder adds nothing

        // Only matches and folders need ordering, so the rest is never sorted.
        auto& files = gather.files;
        auto& folders = gather.folders;
        files.clear();
        folders.clear();
        std::size_t length = 0;
        for (const auto& e : reader.entries()) {
            if (e.kind == EntryKind::File) {
                if (!pattern_.matches(reader.name(e))) continue;
                files.push_back(&e);
            } else if (e.kind == EntryKind::Folder && reader.name(e).front() != '.') {
                folders.push_back(&e);
            } else {
                continue;
            }
            length += e.length + 1;
        }
        const auto byName = [&reader](const auto* a, const auto* b) {
            return platform::nameLess(reader.name(*a), reader.name(*b));
        };
        std::sort(files.begin(), files.end(), byName);
        std::sort(folders.begin(), folders.end(), byName);

        folder.names.reserve(length);
        folder.files.reserve(files.size());
        for (const auto* e : files) {
            folder.files.emplace_back(folder.names.size(), e->length);
            folder.names.append(reader.name(*e)).push_back('\0');
        }
        folder.children.reserve(folders.size());
        for (std::uint32_t i = 0; i < folders.size(); ++i) {
            auto child = std::make_unique<Folder>();
            child->parent = &folder;
            child->lane = folder.lane;
            child->depth = folder.depth + 1;
            child->index = i;
            child->name = {folder.names.data() + folder.names.size(), folders[i]->length};
            folder.names.append(reader.name(*folders[i])).push_back('\0');
            folder.children.push_back(std::move(child));
        }
        folder.unopened.store(static_cast<std::uint32_t>(folders.size()), std::memory_order_relaxed);
        folder.bytes = folder.names.capacity() + folder.files.capacity() * sizeof(folder.files[0]) +
                       folder.children.size() * sizeof(Folder);
        if (folders.empty()) reader.close();
        return doneParent;
    }

    // The folder read, by a worker or, when none has taken it, by this thread.
    void awaitReady(Folder& folder) {
        std::unique_lock lock(mutex_);
        while (folder.state != Folder::State::Ready) {
            if (folder.state == Folder::State::Pending) {
                readAndPublish(folder, lock, gather_);
            } else {
                awaited_ = &folder;
                handOutWake_.wait_for(lock, kWakeDelay);
                awaited_ = nullptr;
            }
        }
        Lane& lane = *folder.lane;
        --lane.ready;
        const bool held = lane.ahead >= kReadAheadBytes;
        lane.ahead -= folder.bytes;
        if (held && lane.ahead < kReadAheadBytes && lane.idle > 0) lane.wake.notify_all();
    }

    bool handOutFiles(Folder& folder) {
        awaitReady(folder);
        const std::size_t base = path_.size();
        for (const auto& [offset, length] : folder.files) {
            path_.append(folder.names, offset, length);
            ++count_;
            const bool more = visit_(path_);
            path_.resize(base);
            if (!more) return false;
        }
        return true;
    }

    // Depth first, without recursion: a deep tree needs no deep stack.
    bool handOutTree(Folder& top) {
        struct Frame {
            Folder* folder;
            std::size_t next;
            std::size_t pathLength;
        };
        if (!handOutFiles(top)) return false;
        std::vector<Frame> stack{{&top, 0, path_.size()}};
        while (!stack.empty()) {
            Frame& frame = stack.back();
            Folder& here = *frame.folder;
            if (frame.next == here.children.size()) {
                stack.pop_back();
                if (!stack.empty()) stack.back().folder->children[here.index].reset();
                continue;
            }
            Folder& child = *here.children[frame.next++];
            path_.resize(frame.pathLength);
            if (hook_ && !hook_()) return false;
            path_.append(child.name).push_back('\\');
            if (!handOutFiles(child)) return false;
            stack.push_back({&child, 0, path_.size()});
        }
        return true;
    }

    const platform::DriveTable& drives_;
    const platform::Wildcard& pattern_;
    const FileVisitor& visit_;
    const FolderHook& hook_;

    std::vector<std::string> rootPaths_;
    std::vector<std::unique_ptr<Folder>> roots_;
    std::string path_;
    std::int64_t count_ = 0;
    Gather gather_;  // for the folders this thread reads itself

    std::mutex mutex_;
    std::deque<Lane> lanes_;
    std::vector<Lane*> diskLanes_;
    std::deque<FolderReader> readers_;
    std::vector<FolderReader*> spare_;  // closed, buffers kept
    bool stop_ = false;
    Folder* awaited_ = nullptr;  // what the handing-out thread waits for
    std::condition_variable handOutWake_;
    std::vector<std::jthread> workers_;  // declared last: joined before the rest goes
};

}  // namespace

std::int64_t walk(const platform::DriveTable& drives, const std::vector<std::string>& roots,
                  std::string_view pattern, const FileVisitor& visit, const FolderHook& beforeFolder) {
    platform::Wildcard wildcard(pattern);
    if (wildcard.isBlank()) return 0;
    OrderedWalk walk(drives, roots, wildcard, visit, beforeFolder);
    walk.run();
    return walk.count();
}

std::int64_t walk(const platform::DriveTable& drives, std::string_view folder, std::string_view pattern,
                  const FileVisitor& visit, const FolderHook& beforeFolder) {
    return walk(drives, std::vector<std::string>{std::string(folder)}, pattern, visit, beforeFolder);
}

std::vector<std::string> walkToList(const platform::DriveTable& drives, std::string_view folder,
                                    std::string_view pattern) {
    std::vector<std::string> paths;
    walk(drives, folder, pattern, [&paths](std::string_view p) {
        paths.emplace_back(p);
        return true;
    });
    return paths;
}

namespace {
bool addFolderTree(const platform::DriveTable& drives, std::string base, const FolderHook& beforeFolder,
                   std::vector<std::string>& result) {
    while (!base.empty() && (base.back() == '\\' || base.back() == '/')) base.pop_back();
    if (beforeFolder && !beforeFolder()) return false;
    for (const auto& entry : platform::listFolder(drives, base + "\\")) {
        if (entry.kind != EntryKind::Folder || entry.hidden) continue;
        std::string child = base + "\\" + entry.name;
        result.push_back(child);
        if (!addFolderTree(drives, std::move(child), beforeFolder, result)) return false;
    }
    return true;
}
}  // namespace

std::vector<std::string> folderTree(const platform::DriveTable& drives, std::string_view folder,
                                    const FolderHook& beforeFolder) {
    std::vector<std::string> result;
    addFolderTree(drives, std::string(folder), beforeFolder, result);
    return result;
}

}  // namespace zorvik::library
