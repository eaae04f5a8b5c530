#include "platform/folderitems.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/beneath.h"
#include "platform/drives.h"

namespace zorvik::platform {

namespace {

class Dir {
public:
    explicit Dir(DIR* dir) : dir_(dir) {}
    ~Dir() {
        if (dir_) ::closedir(dir_);
    }
    Dir(const Dir&) = delete;
    Dir& operator=(const Dir&) = delete;
    DIR* get() const { return dir_; }

private:
    DIR* dir_;
};

// What an entry is, and its stat when asked for or needed to tell.
std::optional<FolderItem> itemOf(int dirFd, const dirent* d, bool details, bool onDevice) {
    FolderItem item;
    item.name = d->d_name;
    item.hidden = item.name.front() == '.';
    const bool knownKind = d->d_type == DT_REG || d->d_type == DT_DIR;
    if (onDevice && d->d_type == DT_LNK) return std::nullopt;
    if (knownKind && !details) {
        item.folder = d->d_type == DT_DIR;
        return item;
    }
    struct stat st {};
    if (::fstatat(dirFd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    if (S_ISLNK(st.st_mode)) {
        // Followed for files only: a link to a folder could close a loop. A
        // link on a customer's device is never followed at all.
        if (onDevice || ::fstatat(dirFd, d->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    }
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return std::nullopt;
    item.folder = S_ISDIR(st.st_mode);
    item.size = item.folder ? 0 : static_cast<std::int64_t>(st.st_size);
    item.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    return item;
}

}  // namespace

std::optional<std::vector<FolderItem>> readFolderItems(const DriveTable& drives, std::string_view path, bool details,
                                                       const std::function<bool()>& keepGoing) {
    int fd = -1;
    const auto below = drives.onRemovable(path);
    if (below) {
        fd = openFolderBeneath(below->root.c_str(), below->relative, FolderUse::Read);
    } else if (auto native = drives.toNative(path)) {
        fd = ::open(native->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (fd < 0) return std::nullopt;
    Dir dir(::fdopendir(fd));
    if (!dir.get()) {
        ::close(fd);
        return std::nullopt;
    }
    fd = ::dirfd(dir.get());
    std::vector<FolderItem> items;
    while (const dirent* d = ::readdir(dir.get())) {
        if (keepGoing && !keepGoing()) return std::nullopt;
        const char* name = d->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        // A name holding the path separator cannot be named by a program path.
        if (std::strchr(name, '\\')) continue;
        if (auto item = itemOf(fd, d, details, below.has_value())) items.push_back(std::move(*item));
    }
    return items;
}

}  // namespace zorvik::platform
