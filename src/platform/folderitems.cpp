#include "platform/folderitems.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

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
std::optional<FolderItem> itemOf(int dirFd, const dirent* d, bool details) {
    FolderItem item;
    item.name = d->d_name;
    item.hidden = item.name.front() == '.';
    const bool knownKind = d->d_type == DT_REG || d->d_type == DT_DIR;
    if (knownKind && !details) {
        item.folder = d->d_type == DT_DIR;
        return item;
    }
    struct stat st {};
    if (::fstatat(dirFd, d->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) return std::nullopt;
    if (S_ISLNK(st.st_mode)) {
        // Followed for files only: a link to a folder could close a loop.
        if (::fstatat(dirFd, d->d_name, &st, 0) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    }
    if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) return std::nullopt;
    item.folder = S_ISDIR(st.st_mode);
    item.size = item.folder ? 0 : static_cast<std::int64_t>(st.st_size);
    item.modified = static_cast<std::int64_t>(st.st_mtim.tv_sec);
    return item;
}

}  // namespace

std::optional<std::vector<FolderItem>> readFolderItems(std::string_view path, bool details,
                                                       const std::function<bool()>& keepGoing) {
    auto native = DriveTable::instance().toNative(path);
    if (!native) return std::nullopt;
    Dir dir(::opendir(native->c_str()));
    if (!dir.get()) return std::nullopt;
    const int fd = ::dirfd(dir.get());
    std::vector<FolderItem> items;
    while (const dirent* d = ::readdir(dir.get())) {
        if (keepGoing && !keepGoing()) return std::nullopt;
        const char* name = d->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
        // A name holding the path separator cannot be named by a program path.
        if (std::strchr(name, '\\')) continue;
        if (auto item = itemOf(fd, d, details)) items.push_back(std::move(*item));
    }
    return items;
}

}  // namespace zorvik::platform
