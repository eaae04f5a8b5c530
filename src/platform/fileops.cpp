#include "platform/fileops.h"

#include <QSaveFile>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/drives.h"
#include "platform/errortext.h"
#include "platform/names.h"

namespace zorvik::platform {

namespace {

thread_local int tLastErrno = 0;
thread_local std::string tLastError;

// Callers pass errno straight from the failed call, before anything else can change it.
bool fail(int error) {
    tLastErrno = error;
    tLastError = errorText(error);
    return false;
}

// A drive or folder that is not there: Windows' "path not found".
bool failPathNotFound() {
    errno = tLastErrno = ENOENT;
    tLastError = "系统找不到指定的路径。";
    return false;
}

void clearLastError() {
    tLastErrno = 0;
    tLastError.clear();
}

// Every operation maps its paths first, so an operation starts here with no
// error left over from an earlier one.
std::optional<std::string> native(std::string_view path) {
    clearLastError();
    auto mapped = DriveTable::instance().toNative(path);
    if (!mapped) failPathNotFound();
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
    int get() const { return fd_; }
    bool closeChecked() {
        int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_;
};

EntryKind kindOf(int dirFd, const char* name, unsigned char type) {
    // Only links and file systems without d_type pay for a stat.
    if (type == DT_REG) return EntryKind::File;
    if (type == DT_DIR) return EntryKind::Folder;
    struct stat st;
    switch (type) {
        case DT_LNK:
            // Followed for files only: a link to a folder could close a loop.
            return ::fstatat(dirFd, name, &st, 0) == 0 && S_ISREG(st.st_mode) ? EntryKind::File
                                                                             : EntryKind::Skip;
        case DT_UNKNOWN:
            if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return EntryKind::Skip;
            if (S_ISLNK(st.st_mode)) return kindOf(dirFd, name, DT_LNK);
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

// Whether `to` names the file `from` only because the file system ignores
// case: both in one folder, and no entry but `from` matches `to` without
// regard to case. (Inode numbers cannot tell: FUSE cards give each spelling
// its own.)
bool onlyItselfUnderAnotherCase(const std::string& from, const std::string& to) {
    const std::string folder = parentOf(from);
    if (folder != parentOf(to) || !sameIgnoringCase(baseOf(from), baseOf(to))) return false;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    bool others = false;
    while (const dirent* d = ::readdir(dir))
        if (sameIgnoringCase(d->d_name, baseOf(to)) && baseOf(from) != d->d_name) others = true;
    ::closedir(dir);
    return !others;
}

}  // namespace

std::string lastErrorText() { return tLastError; }

int lastError() { return tLastErrno; }

bool fileExists(std::string_view path) {
    auto p = native(path);
    struct stat st {};
    return p && ::stat(p->c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folderExists(std::string_view path) {
    auto p = native(path);
    struct stat st {};
    return p && ::stat(p->c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::int64_t fileSize(std::string_view path) {
    auto p = native(path);
    struct stat st {};
    if (!p || ::stat(p->c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    return static_cast<std::int64_t>(st.st_size);
}

bool createFolders(std::string_view path) {
    auto p = native(path);
    if (!p) return false;
    size_t pos = 0;
    // A drive whose folder is not there is a missing drive: nothing is made
    // at or above its root, only below it.
    if (char letter = driveLetterOf(path)) {
        auto drive = DriveTable::instance().drive(letter);
        struct stat root {};
        if (!drive || ::stat(drive->root.c_str(), &root) != 0 || !S_ISDIR(root.st_mode)) return failPathNotFound();
        pos = drive->root == "/" ? 1 : drive->root.size() + 1;
    }
    std::string partial;
    while (pos <= p->size()) {
        size_t slash = p->find('/', pos);
        if (slash == std::string::npos) slash = p->size();
        partial = p->substr(0, slash);
        pos = slash + 1;
        if (partial.empty()) continue;
        if (::mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST) return fail(errno);
    }
    struct stat st {};
    if (::stat(p->c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return fail(ENOTDIR);
    return true;
}

bool deleteFile(std::string_view path) {
    auto p = native(path);
    if (!p) return false;
    struct stat st {};
    if (::lstat(p->c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return fail(EISDIR);
    return ::unlink(p->c_str()) == 0 || fail(errno);
}

bool renameFile(std::string_view from, std::string_view to) {
    auto a = native(from);
    auto b = native(to);
    if (!a || !b) return false;
    // MoveFile refuses an existing destination; rename() would replace it.
    // On a card that ignores case the "existing" one may be the file itself,
    // whose name only changes case: that rename goes ahead.
    struct stat st {};
    if (::lstat(b->c_str(), &st) == 0 && *a != *b && !onlyItselfUnderAnotherCase(*a, *b)) return fail(EEXIST);
    return ::rename(a->c_str(), b->c_str()) == 0 || fail(errno);
}

bool copyFile(std::string_view from, std::string_view to, Overwrite overwrite, std::int64_t offset,
              Flush flush) {
    clearLastError();
    CopyResult result = copyFileChecked(from, to, {overwrite, offset, flush});
    return result.ok() || fail(result.error != 0 ? result.error : EIO);
}

std::optional<std::string> readWholeFile(std::string_view path) {
    auto p = native(path);
    if (!p) return std::nullopt;
    // A FIFO planted at a data file's name must not hang the station.
    Fd in(::open(p->c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    struct stat st {};
    if (in.get() < 0 || ::fstat(in.get(), &st) != 0) {
        fail(errno);
        return std::nullopt;
    }
    if (!S_ISREG(st.st_mode)) {
        fail(S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
        return std::nullopt;
    }
    ::fcntl(in.get(), F_SETFL, ::fcntl(in.get(), F_GETFL) & ~O_NONBLOCK);
    std::string data;
    char buffer[65536];
    for (;;) {
        ssize_t n = ::read(in.get(), buffer, sizeof buffer);
        if (n == 0) return data;
        if (n < 0) {
            if (errno == EINTR) continue;
            fail(errno);
            return std::nullopt;
        }
        data.append(buffer, static_cast<size_t>(n));
    }
}

bool writeWholeFile(std::string_view path, std::string_view bytes) {
    auto p = native(path);
    if (!p) return false;
    // QSaveFile writes beside the file (unnamed where the file system allows,
    // so a crash leaves nothing behind), keeps the old file's mode, and syncs
    // the data before it renames. It keeps no error number: errno is taken
    // straight after the call that failed, and a failure that set none is
    // told by Qt's kind of error.
    QSaveFile file(QString::fromStdString(*p));
    auto failed = [&file] {
        int error = errno;
        if (error == 0) error = file.error() == QFileDevice::ResourceError ? ENOSPC : EIO;
        file.cancelWriting();
        return error == ENOENT ? failPathNotFound() : fail(error);  // the file itself is made here
    };
    errno = 0;
    if (!file.open(QIODevice::WriteOnly)) return failed();
    const auto size = static_cast<qint64>(bytes.size());
    errno = 0;
    // A disk that fills up shows as a short count, not as an error.
    if (file.write(bytes.data(), size) != size) return failed();
    errno = 0;
    if (!file.commit()) return failed();
    // The new name must outlive a power cut too, not only the data.
    Fd folder(::open(parentOf(*p).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0) ::fsync(folder.get());
    return true;
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

std::vector<FolderEntry> listFolder(std::string_view path) {
    std::vector<FolderEntry> result;
    FolderReader reader;
    if (!reader.open(path)) return result;
    result.reserve(reader.entries().size());
    for (const auto& e : reader.entries()) {
        std::string_view name = reader.name(e);
        result.push_back({std::string(name), e.kind, name.front() == '.'});
    }
    std::sort(result.begin(), result.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return nameLess(a.name, b.name); });
    return result;
}

FolderReader::~FolderReader() { close(); }

void FolderReader::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    names_.clear();
    entries_.clear();
}

bool FolderReader::open(std::string_view path) {
    close();
    auto p = native(path);
    if (!p) return false;
    int fd = ::open(p->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    return fd >= 0 ? readAll(fd) : fail(errno);
}

bool FolderReader::openChild(const FolderReader& parent, std::string_view name) {
    close();
    clearLastError();
    if (parent.fd_ < 0) return fail(EBADF);
    // Names handed out by a reader are NUL-terminated in its buffer.
    int fd = ::openat(parent.fd_, name.data(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    return fd >= 0 ? readAll(fd) : fail(errno);
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
            return fail(error);
        }
        for (ssize_t at = 0; at < n;) {
            const auto* d = reinterpret_cast<const dirent64*>(buffer_.data() + at);
            at += d->d_reclen;
            const char* name = d->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
            size_t length = std::strlen(name);
            if (!fitsWindowsName({name, length})) continue;
            entries_.push_back({static_cast<std::uint32_t>(names_.size()),
                                static_cast<std::uint16_t>(length), kindOf(fd, name, d->d_type)});
            names_.append(name, length + 1);
        }
    }
}

}  // namespace zorvik::platform
