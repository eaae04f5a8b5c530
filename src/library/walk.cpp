#include "library/walk.h"

#include <algorithm>
#include <deque>

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

class Walker {
public:
    Walker(const platform::Wildcard& pattern, const FileVisitor& visit, const FolderHook& hook)
        : pattern_(pattern), visit_(visit), hook_(hook) {}

    bool run(std::string_view folder) {
        path_ = withSeparator(folder);
        if (hook_ && !hook_()) return false;
        if (!reader(0).open(path_)) return true;  // a missing folder adds nothing
        return walkFolder(0);
    }

    std::int64_t count() const { return count_; }

private:
    // What one depth of the walk reuses from folder to folder.
    struct Level {
        FolderReader reader;
        std::vector<const FolderReader::Entry*> files;
        std::vector<const FolderReader::Entry*> folders;
    };

    Level& level(size_t depth) {
        while (levels_.size() <= depth) levels_.emplace_back();
        return levels_[depth];
    }
    FolderReader& reader(size_t depth) { return level(depth).reader; }

    void sortByName(const FolderReader& r, std::vector<const FolderReader::Entry*>& list) {
        std::sort(list.begin(), list.end(), [&r](const auto* a, const auto* b) {
            return platform::nameLess(r.name(*a), r.name(*b));
        });
    }

    bool walkFolder(size_t depth) {
        Level& here = level(depth);
        FolderReader& r = here.reader;
        // Only matches and folders need ordering, so the rest is never sorted.
        auto& files = here.files;
        auto& folders = here.folders;
        files.clear();
        folders.clear();
        for (const auto& e : r.entries()) {
            if (e.kind == EntryKind::File) {
                if (pattern_.matches(r.name(e))) files.push_back(&e);
            } else if (e.kind == EntryKind::Folder && r.name(e).front() != '.') {
                folders.push_back(&e);
            }
        }
        sortByName(r, files);
        const size_t base = path_.size();
        for (const auto* e : files) {
            path_.append(r.name(*e));
            ++count_;
            bool more = visit_(path_);
            path_.resize(base);
            if (!more) return false;
        }
        sortByName(r, folders);
        for (const auto* e : folders) {
            if (hook_ && !hook_()) return false;
            FolderReader& child = reader(depth + 1);
            if (!child.openChild(r, r.name(*e))) continue;
            path_.append(r.name(*e)).push_back('\\');
            bool more = walkFolder(depth + 1);
            path_.resize(base);
            child.close();
            if (!more) return false;
        }
        return true;
    }

    const platform::Wildcard& pattern_;
    const FileVisitor& visit_;
    const FolderHook& hook_;
    std::deque<Level> levels_;  // one per depth; a deque keeps references stable
    std::string path_;
    std::int64_t count_ = 0;
};

}  // namespace

std::int64_t walk(std::string_view folder, std::string_view pattern, const FileVisitor& visit,
                  const FolderHook& beforeFolder) {
    platform::Wildcard wildcard(pattern);
    if (wildcard.isBlank()) return 0;
    Walker walker(wildcard, visit, beforeFolder);
    walker.run(folder);
    return walker.count();
}

std::vector<std::string> walkToList(std::string_view folder, std::string_view pattern) {
    std::vector<std::string> paths;
    walk(folder, pattern, [&paths](std::string_view p) {
        paths.emplace_back(p);
        return true;
    });
    return paths;
}

namespace {
bool addFolderTree(std::string base, const FolderHook& beforeFolder, std::vector<std::string>& result) {
    while (!base.empty() && (base.back() == '\\' || base.back() == '/')) base.pop_back();
    if (beforeFolder && !beforeFolder()) return false;
    for (const auto& entry : platform::listFolder(base + "\\")) {
        if (entry.kind != EntryKind::Folder || entry.hidden) continue;
        std::string child = base + "\\" + entry.name;
        result.push_back(child);
        if (!addFolderTree(std::move(child), beforeFolder, result)) return false;
    }
    return true;
}
}  // namespace

std::vector<std::string> folderTree(std::string_view folder, const FolderHook& beforeFolder) {
    std::vector<std::string> result;
    addFolderTree(std::string(folder), beforeFolder, result);
    return result;
}

}  // namespace zorvik::library
