#include "platform/fileops.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include "platform/beneath.h"
#include "platform/copyfile.h"
#include "platform/drives.h"
#include "platform/errortext.h"
#include "platform/names.h"

namespace zorvik::platform {

namespace {

// Callers pass errno straight from the failed call, before anything else can change it.
bool fail(FileError& e, int error) {
    e = {error, errorText(error)};
    return false;
}

// A drive or folder that is not there: Windows' "path not found".
bool failPathNotFound(FileError& e) {
    errno = ENOENT;
    e = {ENOENT, "系统找不到指定的路径。"};
    return false;
}

// Callers pass errno from openFolderBeneath.
bool failBeneath(FileError& e, int error) {
    if (!leadsOffDevice(error)) return fail(e, error);
    e = {error, "路径经过设备上的链接或另一个文件系统，不能跟随。"};
    return false;
}

// A file larger than any the caller reads.
void failTooLarge(FileError& e, std::int64_t largest) {
    errno = EFBIG;
    e = {EFBIG, "文件太大（超过 " + std::to_string(std::max<std::int64_t>(largest >> 20, 1)) + " MB），没有读取。"};
}

// A path through the table, or, without one, a native path only.
std::optional<std::string> native(const DriveTable* drives, std::string_view path, FileError& e) {
    std::optional<std::string> mapped;
    if (drives)
        mapped = drives->toNative(path);
    else if (!driveLetterOf(path))
        mapped = DriveTable::nativeOf(path);
    if (!mapped) failPathNotFound(e);
    return mapped;
}

std::string parentOf(const std::string& nativePath) {
    size_t slash = nativePath.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? std::string("/") : nativePath.substr(0, slash);
}

std::string baseOf(const std::string& nativePath) {
    size_t slash = nativePath.find_last_of('/');
    return slash == std::string::npos ? nativePath : nativePath.substr(slash + 1);
}

class Fd {
public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    Fd(Fd&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            if (fd_ >= 0) ::close(fd_);
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int get() const { return fd_; }
    bool closeChecked() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

// A path on a removable drive: the folder holding its last component,
// reached below the drive's root (beneath.h), and that component's name,
// "." for the folder itself. Names in it are never followed.
struct DevicePlace {
    Fd folder;
    std::string name;
};

enum class Where { Elsewhere, OnDevice, Failed };

Where onDevice(const DriveTable& drives, std::string_view path, std::optional<DevicePlace>& place, FileError& e) {
    auto below = drives.onRemovable(path);
    if (!below) return Where::Elsewhere;
    std::string relative = below->relative;
    while (relative.ends_with('/')) relative.pop_back();
    const size_t slash = relative.find_last_of('/');
    std::string name = slash == std::string::npos ? relative : relative.substr(slash + 1);
    relative.resize(slash == std::string::npos ? 0 : slash);
    if (name.empty()) name = ".";
    Fd folder(openFolderBeneath(below->root.c_str(), relative));
    if (folder.get() < 0) {
        failBeneath(e, errno);
        return Where::Failed;
    }
    place.emplace(DevicePlace{std::move(folder), std::move(name)});
    return Where::OnDevice;
}

// stat of a path, links followed except on a removable drive; false with
// the last error set when there is nothing there.
bool statOf(const DriveTable& drives, std::string_view path, struct stat& st) {
    FileError e;
    std::optional<DevicePlace> place;
    switch (onDevice(drives, path, place, e)) {
        case Where::Failed: return false;
        case Where::OnDevice: return ::fstatat(place->folder.get(), place->name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0;
        case Where::Elsewhere: break;
    }
    auto p = native(&drives, path, e);
    return p && ::stat(p->c_str(), &st) == 0;
}

// A link on a customer's device is never followed, so it is neither file nor folder there.
EntryKind kindOf(int dirFd, const char* name, unsigned char type, bool onDevice) {
    // Only links and file systems without d_type pay for a stat.
    if (type == DT_REG) return EntryKind::File;
    if (type == DT_DIR) return EntryKind::Folder;
    struct stat st;
    switch (type) {
        case DT_LNK:
            // Followed for files only: a link to a folder could close a loop.
            return !onDevice && ::fstatat(dirFd, name, &st, 0) == 0 && S_ISREG(st.st_mode) ? EntryKind::File
                                                                                           : EntryKind::Skip;
        case DT_UNKNOWN:
            if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::Skip;
            if (S_ISLNK(st.st_mode)) return kindOf(dirFd, name, DT_LNK, onDevice);
            if (S_ISDIR(st.st_mode)) return EntryKind::Folder;
            return S_ISREG(st.st_mode) ? EntryKind::File : EntryKind::Skip;
        default: return EntryKind::Skip;
    }
}

inline unsigned char upperAscii(unsigned char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c;
}

bool sameIgnoringCase(std::string_view x, std::string_view y) {
    return x.size() == y.size() && std::equal(x.begin(), x.end(), y.begin(), [](char p, char q) {
               return upperAscii(static_cast<unsigned char>(p)) == upperAscii(static_cast<unsigned char>(q));
           });
}

// Whether `toName` names the file `fromName` in the same folder only because
// the file system ignores case: no entry but `fromName` matches `toName`
// without regard to case. (Inode numbers cannot tell: FUSE cards give each
// spelling its own.)
bool onlyItselfUnderAnotherCase(int folder, const std::string& fromName, const std::string& toName) {
    if (!sameIgnoringCase(fromName, toName)) return false;
    int listed = ::openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    DIR* dir = listed >= 0 ? ::fdopendir(listed) : nullptr;
    if (!dir) {
        if (listed >= 0) ::close(listed);
        return false;
    }
    bool others = false;
    while (const dirent* d = ::readdir(dir))
        if (sameIgnoringCase(d->d_name, toName) && fromName != d->d_name) others = true;
    ::closedir(dir);
    return !others;
}

bool sameFolder(int a, int b) {
    struct stat x {}, y {};
    return ::fstat(a, &x) == 0 && ::fstat(b, &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

}  // namespace


bool fileExists(const DriveTable& drives, std::string_view path) {
    struct stat st {};
    return statOf(drives, path, st) && S_ISREG(st.st_mode);
}

bool fileExists(std::string_view nativePath) {
    FileError e;
    auto p = native(nullptr, nativePath, e);
    struct stat st {};
    return p && ::stat(p->c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folderExists(const DriveTable& drives, std::string_view path) {
    struct stat st {};
    return statOf(drives, path, st) && S_ISDIR(st.st_mode);
}

std::int64_t fileSize(const DriveTable& drives, std::string_view path) {
    struct stat st {};
    if (!statOf(drives, path, st) || !S_ISREG(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

namespace {

// Each missing folder made below the drive's root, none through a link.
bool createFoldersOnDevice(const DriveTable::BelowRoot& below, FileError& e) {
    Fd folder(openFolderBeneath(below.root.c_str(), {}));
    if (folder.get() < 0) return fail(e, errno);
    size_t at = 0;
    while (at <= below.relative.size()) {
        size_t slash = below.relative.find('/', at);
        if (slash == std::string::npos) slash = below.relative.size();
        const std::string name = below.relative.substr(at, slash - at);
        at = slash + 1;
        if (name.empty() || name == ".") continue;
        if (::mkdirat(folder.get(), name.c_str(), 0777) != 0 && errno != EEXIST) return fail(e, errno);
        Fd next(openFolderBeneath(folder.get(), name));
        if (next.get() < 0) return failBeneath(e, errno);
        folder = std::move(next);
    }
    return true;
}

bool createFoldersIn(const DriveTable& drives, std::string_view path, FileError& e) {
    if (auto below = drives.onRemovable(path)) return createFoldersOnDevice(*below, e);
    auto p = native(&drives, path, e);
    if (!p) return false;
    size_t pos = 0;
    // A drive whose folder is not there is a missing drive: nothing is made
    // at or above its root, only below it.
    if (char letter = driveLetterOf(path)) {
        auto drive = drives.drive(letter);
        struct stat root {};
        if (!drive || ::stat(drive->root.c_str(), &root) != 0 || !S_ISDIR(root.st_mode)) return failPathNotFound(e);
        pos = drive->root == "/" ? 1 : drive->root.size() + 1;
    }
    std::string partial;
    while (pos <= p->size()) {
        size_t slash = p->find('/', pos);
        if (slash == std::string::npos) slash = p->size();
        partial = p->substr(0, slash);
        pos = slash + 1;
        if (partial.empty()) continue;
        if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) return fail(e, errno);
    }
    struct stat st {};
    if (::stat(p->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return fail(e, ENOTDIR);
    return true;
}

bool deleteIn(const DriveTable& drives, std::string_view path, FileError& e) {
    std::optional<DevicePlace> place;
    switch (onDevice(drives, path, place, e)) {
        case Where::Failed: return false;
        case Where::OnDevice: {
            struct stat st {};
            const int folder = place->folder.get();
            if (::fstatat(folder, place->name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode))
                return fail(e, EISDIR);
            return ::unlinkat(folder, place->name.c_str(), 0) == 0 || fail(e, errno);
        }
        case Where::Elsewhere: break;
    }
    auto p = native(&drives, path, e);
    if (!p) return false;
    struct stat st {};
    if (::lstat(p->c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return fail(e, EISDIR);
    return ::unlink(p->c_str()) == 0 || fail(e, errno);
}

bool renameIn(const DriveTable& drives, std::string_view from, std::string_view to, FileError& e) {
    std::optional<DevicePlace> onA, onB;
    const Where whereA = onDevice(drives, from, onA, e);
    const Where whereB = onDevice(drives, to, onB, e);
    if (whereA == Where::Failed || whereB == Where::Failed) return false;
    if (whereA != whereB) return fail(e, EXDEV);
    if (whereA == Where::Elsewhere) {
        // Both folders opened as their paths lead, so one rule serves both.
        auto a = native(&drives, from, e);
        auto b = native(&drives, to, e);
        if (!a || !b) return false;
        Fd folderA(::open(parentOf(*a).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folderA.get() < 0) return fail(e, errno);
        Fd folderB(::open(parentOf(*b).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (folderB.get() < 0) return fail(e, errno);
        onA.emplace(DevicePlace{std::move(folderA), baseOf(*a)});
        onB.emplace(DevicePlace{std::move(folderB), baseOf(*b)});
    }
    const int folderA = onA->folder.get(), folderB = onB->folder.get();
    const std::string &nameA = onA->name, &nameB = onB->name;
    // MoveFile refuses an existing destination; rename() would replace it.
    // On a card that ignores case the "existing" one may be the file itself,
    // whose name only changes case: that rename goes ahead.
    struct stat st {};
    const bool same = sameFolder(folderA, folderB);
    if (::fstatat(folderB, nameB.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && !(same && nameA == nameB) &&
        !(same && onlyItselfUnderAnotherCase(folderA, nameA, nameB)))
        return fail(e, EEXIST);
    return ::renameat(folderA, nameA.c_str(), folderB, nameB.c_str()) == 0 || fail(e, errno);
}

// A failure is never handed back as a success, whatever path it took.
Done doneOf(bool ok, FileError e) {
    if (!ok && e.code == 0) fail(e, EIO);
    return ok ? Done() : Done(std::move(e));
}

}  // namespace

Done createFolders(const DriveTable& drives, std::string_view path) {
    FileError e;
    const bool ok = createFoldersIn(drives, path, e);
    return doneOf(ok, std::move(e));
}

Done deleteFile(const DriveTable& drives, std::string_view path) {
    FileError e;
    const bool ok = deleteIn(drives, path, e);
    return doneOf(ok, std::move(e));
}

Done renameFile(const DriveTable& drives, std::string_view from, std::string_view to) {
    FileError e;
    const bool ok = renameIn(drives, from, to, e);
    return doneOf(ok, std::move(e));
}

Done copyFile(const DriveTable& drives, std::string_view from, std::string_view to, Overwrite overwrite,
              std::int64_t offset, Flush flush) {
    CopyResult result =
        copyFileChecked(drives, from, to, {.overwrite = overwrite, .offset = offset, .flush = flush});
    FileError e;
    if (!result.ok()) fail(e, result.error != 0 ? result.error : EIO);
    return doneOf(result.ok(), std::move(e));
}

namespace {

std::optional<std::string> readWhole(const DriveTable* drives, std::string_view path, std::int64_t largest,
                                     FileError& e) {
    auto p = native(drives, path, e);
    if (!p) return std::nullopt;
    // A FIFO planted at a data file's name must not hang the station.
    Fd in(::open(p->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0) {
        fail(e, errno);
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        fail(e, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        return std::nullopt;
    }
    auto tooLarge = [largest, &e] {
        failTooLarge(e, largest);
        return std::nullopt;
    };
    if (largest >= 0 && st.st_size > largest) return tooLarge();
    ::fcntl(in.get(), F_SETFL, ::fcntl(in.get(), F_GETFL) & ~O_NONBLOCK);
    std::string data;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in.get(), buffer, sizeof buffer);
        if (n == 0) return data;
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(e, errno);
            return std::nullopt;
        }
        data.append(buffer, static_cast<size_t>(n));
        if (largest >= 0 && static_cast<std::int64_t>(data.size()) > largest) return tooLarge();  // grew meanwhile
    }
}

bool writeWhole(std::string_view path, std::string_view bytes, FileError& e) {
    auto p = native(nullptr, path, e);
    if (!p) return false;
    // A link at the name is written through: the file it names is replaced.
    std::string target = *p;
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        char resolved[PATH_MAX];
        if (!::realpath(target.c_str(), resolved)) return fail(e, errno);
        target = resolved;
    }
    const bool existing = ::stat(target.c_str(), &st) == 0;
    if (!existing && errno != ENOENT) return fail(e, errno);
    // A folder, FIFO or device at the name is nobody's data file to replace.
    if (existing && !S_ISREG(st.st_mode)) return fail(e, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);

    Fd folder(::open(parentOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() < 0) return errno == ENOENT ? failPathNotFound(e) : fail(e, errno);
    std::string temporary;
    int out = -1;
    for (int attempt = 0; attempt < 16 && out < 0; ++attempt) {
        temporary = temporaryName();
        out = ::openat(folder.get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (out < 0 && errno != EEXIST) return fail(e, errno);
    }
    if (out < 0) return fail(e, EEXIST);
    Fd file(out);
    // Whatever fails, the old file stays as it was and the temporary goes.
    auto discard = [&](int error) {
        ::unlinkat(folder.get(), temporary.c_str(), 0);
        return fail(e, error);
    };
    if (existing && ::fchmod(file.get(), st.st_mode & 07777) != 0) return discard(errno);
    // Every byte is checked: a full disk shows as a short count or ENOSPC,
    // here or only when the data is flushed or the file closed.
    for (size_t done = 0; done < bytes.size();) {
        ssize_t n = ::write(file.get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return discard(n < 0 ? errno : ENOSPC);
        done += static_cast<size_t>(n);
    }
    if (::fsync(file.get()) != 0) return discard(errno);
    if (!file.closeChecked()) return discard(errno);
    if (::renameat(folder.get(), temporary.c_str(), folder.get(), baseOf(target).c_str()) != 0) return discard(errno);
    // The new name must outlive a power cut too, not only the data.
    ::fsync(folder.get());
    return true;
}

}  // namespace

Result<std::string> readWholeFile(const DriveTable& drives, std::string_view path, std::int64_t largest) {
    FileError e;
    auto bytes = readWhole(&drives, path, largest, e);
    return bytes ? Result<std::string>(std::move(*bytes)) : Result<std::string>(std::move(e));
}

Result<std::string> readWholeFile(std::string_view nativePath, std::int64_t largest) {
    FileError e;
    auto bytes = readWhole(nullptr, nativePath, largest, e);
    return bytes ? Result<std::string>(std::move(*bytes)) : Result<std::string>(std::move(e));
}

Done writeWholeFile(std::string_view nativePath, std::string_view bytes) {
    FileError e;
    const bool ok = writeWhole(nativePath, bytes, e);
    return doneOf(ok, std::move(e));
}

bool nameLess(std::string_view a, std::string_view b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char x = upperAscii(static_cast<unsigned char>(a[i]));
        unsigned char y = upperAscii(static_cast<unsigned char>(b[i]));
        if (x != y) return x < y;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;  // names that differ only in case: a fixed order all the same
}

std::vector<FolderEntry> listFolder(const DriveTable& drives, std::string_view path) {
    std::vector<FolderEntry> result;
    FolderReader reader;
    if (!reader.open(drives, path)) return result;
    result.reserve(reader.entries().size());
    for (const auto& e : reader.entries()) {
        std::string_view name = reader.name(e);
        result.push_back({std::string(name), e.kind, name.front() == '.'});
    }
    std::sort(result.begin(), result.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return nameLess(a.name, b.name); });
    return result;
}

std::optional<std::string> folderNamedIgnoringCase(const std::vector<FolderEntry>& entries, std::string_view name) {
    std::optional<std::string> found;
    for (const auto& entry : entries) {
        if (entry.kind != EntryKind::Folder || !sameIgnoringCase(entry.name, name)) continue;
        if (entry.name == name) return entry.name;
        if (!found) found = entry.name;
    }
    return found;
}

std::optional<std::string> findFolderIgnoringCase(const DriveTable& drives, std::string_view folder,
                                                  std::string_view name) {
    std::string base(folder);
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '\\';
    return folderNamedIgnoringCase(listFolder(drives, base), name);
}

FolderReader::~FolderReader() { close(); }

void FolderReader::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    error_ = {};
    names_.clear();
    entries_.clear();
}

bool FolderReader::open(const DriveTable& drives, std::string_view path) {
    close();
    if (auto below = drives.onRemovable(path)) {
        onDevice_ = true;
        int fd = openFolderBeneath(below->root.c_str(), below->relative, FolderUse::Read);
        return fd >= 0 ? readAll(fd) : failBeneath(error_, errno);
    }
    onDevice_ = false;
    auto p = native(&drives, path, error_);
    if (!p) return false;
    int fd = ::open(p->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fd >= 0 ? readAll(fd) : fail(error_, errno);
}

bool FolderReader::openChild(const FolderReader& parent, std::string_view name) {
    close();
    if (parent.fd_ < 0) return fail(error_, EBADF);
    onDevice_ = parent.onDevice_;
    // Names handed out by a reader are NUL-terminated in its buffer.
    int fd = ::openat(parent.fd_, name.data(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return fd >= 0 ? readAll(fd) : fail(error_, errno);
}

// getdents64 straight into a buffer kept from folder to folder: opendir would
// add an fstat, two fcntl calls and a buffer allocation to every folder.
bool FolderReader::readAll(int fd) {
    fd_ = fd;
    if (buffer_.empty()) buffer_.resize(64 * 1024);
    for (;;) {
        ssize_t n = ::getdents64(fd, buffer_.data(), buffer_.size());
        if (n == 0) return true;
        if (n < 0) {
            if (errno == EINTR) continue;
            int error = errno;
            close();
            return fail(error_, error);
        }
        for (ssize_t at = 0; at < n;) {
            const auto* d = reinterpret_cast<const dirent64*>(buffer_.data() + at);
            at += d->d_reclen;
            const char* name = d->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
            size_t length = std::strlen(name);
            if (!fitsWindowsName({name, length})) continue;
            entries_.push_back({static_cast<std::uint32_t>(names_.size()),
                                static_cast<std::uint16_t>(length), kindOf(fd, name, d->d_type, onDevice_)});
            names_.append(name, length + 1);
        }
    }
}

}  // namespace zorvik::platform
