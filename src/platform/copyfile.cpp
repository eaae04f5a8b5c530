#include "platform/copyfile.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/drives.h"
#include "platform/fileops.h"
#include "platform/shell.h"

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
bool driveThere(char letter) {
    auto drive = DriveTable::instance().drive(letter);
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
    const char* argv[] = {helper.c_str(),
                          source.c_str(),
                          target.c_str(),
                          offset.c_str(),
                          options.overwrite == Overwrite::Yes ? "replace" : "keep",
                          options.flush == Flush::Yes ? "flush" : "noflush",
                          nullptr};
    pid_t child = 0;
    const int spawned = ::posix_spawn(&child, helper.c_str(), &files, &attributes, const_cast<char**>(argv), environ);
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
    if (std::sscanf(reply.c_str(), "%d %d", &failure, &error) != 2 || failure < 0 ||
        failure > static_cast<int>(CopyFailure::Other))
        return CopyResult{stopping ? CopyFailure::Stopped : CopyFailure::Other, stopping ? 0 : EIO};
    return CopyResult{static_cast<CopyFailure>(failure), error};
}

}  // namespace

int removeStationTemporaries(std::string_view folder) {
    std::string base(folder);
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    int removed = 0;
    for (const auto& entry : listFolder(base))
        if (entry.kind == EntryKind::File && isStationTemporary(entry.name) && deleteFile(base + entry.name)) ++removed;
    return removed;
}

CopyResult copyFileChecked(std::string_view from, std::string_view to, const CopyOptions& options,
                           std::stop_token stop) {
    auto& drives = DriveTable::instance();
    auto source = drives.toNative(from);
    if (!source) return {CopyFailure::SourceGone, ENOENT};
    auto target = drives.toNative(to);
    if (!target) return {CopyFailure::DeviceGone, ENOENT};
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
        !driveThere(letter))
        result->failure = CopyFailure::DeviceGone;
    return *result;
}

}  // namespace zorvik::platform
