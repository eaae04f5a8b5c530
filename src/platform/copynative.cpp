#include "platform/copyfile.h"

#include <fcntl.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <chrono>
#include <cstdio>
#include <optional>
#include <random>
#include <vector>

#include "platform/beneath.h"
#include "platform/drives.h"

// The copy itself, on native paths: what the copy helper process runs. Kept
// apart from the drive table and the rest of the platform layer, so the
// helper stays small.
namespace zorvik::platform {

namespace {

constexpr std::string_view kTemporaryPrefix = ".zorvik-";
constexpr std::string_view kTemporarySuffix = ".part";
constexpr size_t kTemporaryTagLength = 8;

class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    void reset(int fd) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    int get() const { return fd_; }
    // Close errors count: NFS and FUSE may report a failed write only here.
    int closeChecked() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0 ? 0 : errno;
    }

private:
    int fd_;
};

CopyResult failed(CopyFailure failure, int error) { return {failure, error}; }

CopyResult sourceFailure(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
        case ELOOP:
        case ENAMETOOLONG: return failed(CopyFailure::SourceGone, error);
        case EISDIR: return failed(CopyFailure::NotAFile, error);
        default: return failed(CopyFailure::Other, error);
    }
}

struct FolderId {
    dev_t device = 0;
    ino_t inode = 0;
};

// The destination folder as the options say to reach it: below the target
// root, one component at a time, when there is one. -1 with errno.
int openTargetFolder(const std::string& folder, const CopyOptions& options) {
    if (options.targetRoot.empty()) return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const std::string& root = options.targetRoot;
    if (folder != root && !(folder.starts_with(root) && folder.size() > root.size() && folder[root.size()] == '/')) {
        errno = EXDEV;
        return -1;
    }
    return openFolderBeneath(root.c_str(), std::string_view(folder).substr(root.size()), FolderUse::Read);
}

// Whether `folder` (native) still leads to the folder a copy started in: a
// card that was pulled, or unmounted under the copy, no longer does. Below a
// target root, the folder was reached within the root's file system, so the
// root still being that file system says it: one question to a slow phone
// rather than one per folder on the way.
bool stillThere(const std::string& folder, const CopyOptions& options, const FolderId& id) {
    struct stat st {};
    if (!options.targetRoot.empty()) return ::stat(options.targetRoot.c_str(), &st) == 0 && st.st_dev == id.device;
    return ::stat(folder.c_str(), &st) == 0 && st.st_dev == id.device && st.st_ino == id.inode;
}

// Whether the open source lies in one of `roots`: the file it really is,
// whatever links its path went through.
bool insideRoots(int fd, const std::vector<std::string>& roots) {
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char real[PATH_MAX];
    const ssize_t n = ::readlink(link, real, sizeof real - 1);
    if (n <= 0) return false;
    const std::string_view path(real, static_cast<size_t>(n));
    return std::any_of(roots.begin(), roots.end(), [path](const std::string& root) {
        return !root.empty() &&
               (root == "/" || (path.starts_with(root) && path.size() > root.size() && path[root.size()] == '/'));
    });
}

// Why writing into `folder` failed with `error`. Where the folder never
// opened, ENOENT may mean a card that went: the caller, which knows the
// drives, decides.
CopyResult destinationFailure(int error, const std::string& folder, const CopyOptions& options,
                              const std::optional<FolderId>& id) {
    if (!options.targetRoot.empty() && leadsOffDevice(error)) return failed(CopyFailure::LeadsOffDevice, error);
    switch (error) {
        case ENOSPC:
        case EDQUOT: return failed(CopyFailure::DeviceFull, error);
        case EFBIG: return failed(CopyFailure::TooLargeForDevice, error);
        case EROFS:
        case EACCES: return failed(CopyFailure::ReadOnly, error);
        case ENOTCONN:  // the FUSE driver of the device is gone
        case ENODEV:
        case ENXIO:
        case ESHUTDOWN: return failed(CopyFailure::DeviceGone, error);
        default: break;
    }
    if (id) return failed(stillThere(folder, options, *id) ? CopyFailure::Other : CopyFailure::DeviceGone, error);
    return failed(CopyFailure::Other, error);
}

// The pread/write path keeps its buffer from file to file of a job.
std::vector<char>& keptBuffer() {
    static thread_local std::vector<char> buffer(size_t{1} << 20);
    return buffer;
}

ssize_t readWrite(int in, int out, off_t at, size_t want) {
    auto& buffer = keptBuffer();
    ssize_t n = ::pread(in, buffer.data(), std::min(want, buffer.size()), at);
    if (n <= 0) return n;
    for (ssize_t done = 0; done < n;) {
        ssize_t w = ::write(out, buffer.data() + done, static_cast<size_t>(n - done));
        if (w < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        done += w;
    }
    return n;
}

// Copies [at, end) of `in` to `out` at its position, in chunks sized so that
// one takes about a tenth of a second on this device, checking `stop` between
// them. The kernel copies where it can: copy_file_range with offsets, else
// sendfile, else a kept buffer. 0 when done, -1 when stopped, else an errno.
int transfer(int in, int out, off_t at, off_t end, const std::stop_token& stop) {
    enum class Way { CopyRange, SendFile, ReadWrite } way = Way::CopyRange;
    constexpr size_t kSmallest = 64 << 10, kLargest = 16 << 20;
    size_t chunk = 1 << 20;
    while (at < end) {
        if (stop.stop_requested()) return -1;
        const size_t want = static_cast<size_t>(std::min<off_t>(static_cast<off_t>(chunk), end - at));
        const auto t0 = std::chrono::steady_clock::now();
        ssize_t n = 0;
        switch (way) {
            case Way::CopyRange: {
                loff_t from = at;
                n = ::copy_file_range(in, &from, out, nullptr, want, 0);
                if (n < 0 && (errno == EXDEV || errno == EINVAL || errno == EOPNOTSUPP || errno == ENOSYS ||
                              errno == EBADF)) {
                    way = Way::SendFile;  // across file systems, or not offered here
                    continue;
                }
                break;
            }
            case Way::SendFile: {
                off_t from = at;
                n = ::sendfile(out, in, &from, want);
                if (n < 0 && (errno == EINVAL || errno == ENOSYS)) {
                    way = Way::ReadWrite;
                    continue;
                }
                break;
            }
            case Way::ReadWrite: n = readWrite(in, out, at, want); break;
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return EIO;  // the source got shorter under the copy
        at += n;
        const auto took = std::chrono::steady_clock::now() - t0;
        if (took < std::chrono::milliseconds(50))
            chunk = std::min(chunk * 2, kLargest);
        else if (took > std::chrono::milliseconds(200))
            chunk = std::max(chunk / 2, kSmallest);
    }
    return 0;
}

std::pair<std::string, std::string> splitNative(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {".", path};
    return {slash == 0 ? std::string("/") : path.substr(0, slash), path.substr(slash + 1)};
}

bool renameUnsupported(int error) { return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP; }

}  // namespace

std::string temporaryName() {
    static thread_local std::mt19937 random{std::random_device{}()};
    char tag[kTemporaryTagLength + 1];
    std::snprintf(tag, sizeof tag, "%08x", static_cast<unsigned>(random()));
    return std::string(kTemporaryPrefix) + tag + std::string(kTemporarySuffix);
}

bool isStationTemporary(std::string_view name) {
    if (name.size() != kTemporaryPrefix.size() + kTemporaryTagLength + kTemporarySuffix.size() ||
        !name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix))
        return false;
    std::string_view tag = name.substr(kTemporaryPrefix.size(), kTemporaryTagLength);
    return std::all_of(tag.begin(), tag.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

CopyResult copyNativeFile(const std::string& source, const std::string& target, const CopyOptions& options,
                          std::stop_token stop) {
    const auto [folder, name] = splitNative(target);
    if (name.empty()) return failed(CopyFailure::Other, EINVAL);

    // The destination first: a name the device already has is left alone,
    // whatever became of the source, and costs one call on a slow phone.
    Fd dir(openTargetFolder(folder, options));
    if (dir.get() < 0) return destinationFailure(errno, folder, options, std::nullopt);
    struct stat dirStat {};
    if (::fstat(dir.get(), &dirStat) != 0) return destinationFailure(errno, folder, options, std::nullopt);
    const FolderId id{dirStat.st_dev, dirStat.st_ino};
    struct stat existing {};
    if (options.overwrite == Overwrite::No && ::fstatat(dir.get(), name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0)
        return failed(CopyFailure::AlreadyThere, EEXIST);

    // A FIFO or a device would block an ordinary open, so the type is checked
    // on the descriptor of a non-blocking one.
    Fd in(::open(source.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (in.get() < 0) return sourceFailure(errno);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0) return sourceFailure(errno);
    if (!S_ISREG(st.st_mode)) return failed(CopyFailure::NotAFile, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    if (options.sourceRoots && !insideRoots(in.get(), *options.sourceRoots))
        return failed(CopyFailure::OutsideLibrary, EACCES);
    ::fcntl(in.get(), F_SETFL, ::fcntl(in.get(), F_GETFL) & ~O_NONBLOCK);
    if (options.offset < 0 || st.st_size < options.offset) return failed(CopyFailure::SourceTooShort, 0);
    const off_t length = st.st_size - options.offset;

    // FAT32 takes no file of 4 GiB or more; better said now than after the
    // card has taken four gigabytes.
    if (auto largest = largestFileOn(folder); largest && length > *largest)
        return failed(CopyFailure::TooLargeForDevice, EFBIG);
    if (stop.stop_requested()) return failed(CopyFailure::Stopped, 0);

    std::string temporary;
    Fd out;
    for (int attempt = 0; attempt < 16 && out.get() < 0; ++attempt) {
        temporary = temporaryName();
        out.reset(::openat(dir.get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (out.get() < 0 && errno != EEXIST) return destinationFailure(errno, folder, options, id);
    }
    if (out.get() < 0) return failed(CopyFailure::Other, EEXIST);

    auto discard = [&](CopyResult result) {
        ::unlinkat(dir.get(), temporary.c_str(), 0);
        return result;
    };
    int error = transfer(in.get(), out.get(), options.offset, st.st_size, stop);
    if (error == -1) {
        out.closeChecked();
        return discard(failed(CopyFailure::Stopped, 0));
    }
    if (error == 0 && options.flush == Flush::Yes && ::fsync(out.get()) != 0) error = errno;
    if (int closeError = out.closeChecked(); error == 0) error = closeError;
    if (error != 0) return discard(destinationFailure(error, folder, options, id));
    if (stop.stop_requested()) return discard(failed(CopyFailure::Stopped, 0));

    // The final name appears only where the device still is: after a pull or
    // an unmount under the copy, the folder's path leads elsewhere.
    if (!stillThere(folder, options, id)) return discard(failed(CopyFailure::DeviceGone, ENODEV));
    if (options.overwrite == Overwrite::No) {
        if (::renameat2(dir.get(), temporary.c_str(), dir.get(), name.c_str(), RENAME_NOREPLACE) != 0) {
            error = errno;
            if (renameUnsupported(error)) {
                // No RENAME_NOREPLACE here (FUSE, FAT): the lane is the only
                // writer of the name, so a check before the rename will do.
                if (::fstatat(dir.get(), name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0)
                    return discard(failed(CopyFailure::AlreadyThere, EEXIST));
                error = ::renameat(dir.get(), temporary.c_str(), dir.get(), name.c_str()) == 0 ? 0 : errno;
            }
            if (error == EEXIST) return discard(failed(CopyFailure::AlreadyThere, EEXIST));
            if (error != 0) return discard(destinationFailure(error, folder, options, id));
        }
    } else if (::renameat(dir.get(), temporary.c_str(), dir.get(), name.c_str()) != 0) {
        return discard(destinationFailure(errno, folder, options, id));
    }
    // The new name must survive an unplugged device too, not only the data.
    if (options.flush == Flush::Yes) ::fsync(dir.get());
    return {CopyFailure::None, 0, static_cast<std::int64_t>(length)};
}

}  // namespace zorvik::platform
