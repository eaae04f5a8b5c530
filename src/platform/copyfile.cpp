#include "platform/copyfile.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <vector>

#include "platform/drives.h"
#include "platform/fileops.h"
#include "platform/process.h"

extern char** environ;

namespace zorvik::platform {

namespace {

using Clock = std::chrono::steady_clock;

// How long the station waits for a helper asked to stop; one that takes
// longer is on a slow or hung device, and finishes its clean-up (or its stuck
// call) on its own.
constexpr auto kStopGrace = std::chrono::milliseconds(600);

// Whether a drive is there: a removable one only while something is mounted
// at its root (its folder stays behind when the card goes).
bool driveThere(const DriveTable& drives, char letter) {
    auto drive = drives.drive(letter);
    if (!drive) return false;
    struct stat root {}, parent {};
    if (::stat(drive->root.c_str(), &root) != 0) return false;
    if (drive->type != DriveType::Removable || drive->root == "/") return true;
    return ::stat((drive->root + "/..").c_str(), &parent) == 0 &&
           (parent.st_dev != root.st_dev || parent.st_ino == root.st_ino);
}

// The copy helper beside the program ("zorvik_copy"), or ZORVIK_COPY_HELPER.
const std::string& helperPath() {
    static const std::string path = [] {
        if (const char* set = std::getenv("ZORVIK_COPY_HELPER"); set && *set) return std::string(set);
        std::string beside = executableFolder() + "zorvik_copy";
        return ::access(beside.c_str(), X_OK) == 0 ? beside : std::string();
    }();
    return path;
}

// Runs the copy in the helper process and waits for its answer, or, when
// asked to stop, for it to clean up. Nothing when the helper cannot start.
std::optional<CopyResult> copyInHelper(const std::string& helper, const std::string& source,
                                       const std::string& target, const CopyOptions& options,
                                       const std::stop_token& stop) {
    int answer[2];
    if (::pipe2(answer, O_CLOEXEC) != 0) return std::nullopt;
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_adddup2(&files, answer[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&files, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int sig : {SIGTERM, SIGINT, SIGHUP, SIGPIPE}) sigaddset(&defaults, sig);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    const std::string offset = std::to_string(options.offset);
    std::vector<const char*> argv{helper.c_str(),
                                  source.c_str(),
                                  target.c_str(),
                                  offset.c_str(),
                                  options.overwrite == Overwrite::Yes ? "replace" : "keep",
                                  options.flush == Flush::Yes ? "flush" : "noflush",
                                  options.targetRoot.empty() ? "-" : options.targetRoot.c_str(),
                                  options.sourceRoots ? "only" : "any"};
    if (options.sourceRoots)
        for (const auto& root : *options.sourceRoots) argv.push_back(root.c_str());
    argv.push_back(nullptr);
    pid_t child = 0;
    const int spawned =
        ::posix_spawn(&child, helper.c_str(), &files, &attributes, const_cast<char**>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attributes);
    ::close(answer[1]);
    if (spawned != 0) {
        ::close(answer[0]);
        return std::nullopt;
    }

    std::string reply;
    bool stopping = false;
    Clock::time_point giveUp;
    for (;;) {
        pollfd ready{answer[0], POLLIN, 0};
        if (::poll(&ready, 1, 50) > 0) {
            char buffer[64];
            ssize_t n = ::read(answer[0], buffer, sizeof buffer);
            if (n == 0) break;  // the helper has ended
            if (n > 0) reply.append(buffer, static_cast<size_t>(n));
        }
        if (!stopping && stop.stop_requested()) {
            ::kill(child, SIGTERM);
            stopping = true;
            giveUp = Clock::now() + kStopGrace;
        }
        if (stopping && Clock::now() > giveUp) {
            // Stuck in a call on a hung device, where no signal reaches it:
            // it ends when the device answers, and the station need not wait.
            ::close(answer[0]);
            return CopyResult{CopyFailure::Stopped, 0};
        }
    }
    ::close(answer[0]);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    int failure = 0, error = 0;
    long long bytes = 0;
    if (std::sscanf(reply.c_str(), "%d %d %lld", &failure, &error, &bytes) != 3 || failure < 0 ||
        failure > static_cast<int>(CopyFailure::Other))
        return CopyResult{stopping ? CopyFailure::Stopped : CopyFailure::Other, stopping ? 0 : EIO};
    return CopyResult{static_cast<CopyFailure>(failure), error, bytes};
}

struct CopySources {
    std::shared_mutex mutex;
    std::optional<std::vector<std::string>> folders;  // drive paths, each ending in '\'
    // Native folders with their links resolved, by native path: resolving
    // asks the library disk, which may be slow, so once per folder.
    std::map<std::string, std::string> resolved;
};

CopySources& copySources() {
    static auto* sources = new CopySources;  // detached copy workers may still ask while the process exits
    return *sources;
}

bool sameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// The copy sources as native folders with their links resolved; those that
// are not there are left out.
std::vector<std::string> resolvedSources(const DriveTable& drives, const std::vector<std::string>& folders) {
    std::vector<std::string> roots;
    auto& sources = copySources();
    for (const auto& folder : folders) {
        auto native = drives.toNative(folder);
        if (!native) continue;
        while (native->size() > 1 && native->back() == '/') native->pop_back();
        {
            std::shared_lock lock(sources.mutex);
            if (auto known = sources.resolved.find(*native); known != sources.resolved.end()) {
                roots.push_back(known->second);
                continue;
            }
        }
        char real[PATH_MAX];
        if (!::realpath(native->c_str(), real)) continue;
        std::unique_lock lock(sources.mutex);
        roots.push_back(sources.resolved.emplace(*native, real).first->second);
    }
    return roots;
}

}  // namespace

int removeStationTemporaries(const DriveTable& drives, std::string_view folder) {
    std::string base(folder);
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    int removed = 0;
    for (const auto& entry : listFolder(drives, base))
        if (entry.kind == EntryKind::File && isStationTemporary(entry.name) && deleteFile(drives, base + entry.name))
            ++removed;
    return removed;
}

void setCopySources(std::vector<std::string> drivePaths) {
    for (auto& folder : drivePaths)
        if (!folder.empty() && folder.back() != '\\') folder += '\\';
    auto& sources = copySources();
    std::unique_lock lock(sources.mutex);
    sources.folders = std::move(drivePaths);
    sources.resolved.clear();
}

void clearCopySources() {
    auto& sources = copySources();
    std::unique_lock lock(sources.mutex);
    sources.folders.reset();
    sources.resolved.clear();
}

bool namedAsCopySource(std::string_view path) {
    auto& sources = copySources();
    std::shared_lock lock(sources.mutex);
    if (!sources.folders) return true;
    return std::any_of(sources.folders->begin(), sources.folders->end(), [path](const std::string& folder) {
        return path.size() > folder.size() && sameLetters(path.substr(0, folder.size()), folder);
    });
}

CopyResult copyFileChecked(const DriveTable& drives, std::string_view from, std::string_view to,
                           const CopyOptions& given, std::stop_token stop) {
    std::optional<std::vector<std::string>> sourceFolders;
    {
        std::shared_lock lock(copySources().mutex);
        sourceFolders = copySources().folders;
    }
    if (sourceFolders && !namedAsCopySource(from)) return {CopyFailure::OutsideLibrary, EACCES};
    auto source = drives.toNative(from);
    if (!source) return {CopyFailure::SourceGone, ENOENT};
    auto target = drives.toNative(to);
    if (!target) return {CopyFailure::DeviceGone, ENOENT};
    CopyOptions options = given;
    if (auto below = drives.onRemovable(to)) options.targetRoot = below->root;
    if (sourceFolders) options.sourceRoots = resolvedSources(drives, *sourceFolders);
    // A copy stuck in a call on a hung phone cannot be stopped, and a thread
    // of the station stuck so would keep the station from ending: the copy
    // runs in a process of its own where the helper is at hand.
    std::optional<CopyResult> result;
    if (const auto& helper = helperPath(); !helper.empty())
        result = copyInHelper(helper, *source, *target, options, stop);
    if (!result) result = copyNativeFile(*source, *target, options, stop);
    // A folder that cannot be found on a drive that went away: the card was pulled.
    const char letter = driveLetterOf(to);
    if (result->failure == CopyFailure::Other && (result->error == ENOENT || result->error == EIO) && letter &&
        !driveThere(drives, letter))
        result->failure = CopyFailure::DeviceGone;
    return *result;
}

}  // namespace zorvik::platform
