#include "orders/copiedfiles.h"

#include <cctype>

namespace zorvik::orders {

namespace {

// Drive letters name the same drive in either case.
bool onDrive(std::string_view path, std::string_view root) {
    if (root.empty() || path.size() < root.size()) return false;
    return std::toupper(static_cast<unsigned char>(path[0])) == std::toupper(static_cast<unsigned char>(root[0])) &&
           path.substr(1, root.size() - 1) == root.substr(1);
}

}  // namespace

void CopiedFiles::add(const std::string& drivePath, std::int64_t bytes) {
    std::lock_guard lock(mutex_);
    files_[drivePath] = bytes;
}

bool CopiedFiles::holds(const std::string& drivePath, std::int64_t bytes) const {
    std::lock_guard lock(mutex_);
    auto it = files_.find(drivePath);
    return it != files_.end() && it->second == bytes;
}

void CopiedFiles::forget(const std::string& drivePath) {
    std::lock_guard lock(mutex_);
    files_.erase(drivePath);
}

void CopiedFiles::forgetDrive(std::string_view root) {
    std::lock_guard lock(mutex_);
    std::erase_if(files_, [root](const auto& file) { return onDrive(file.first, root); });
}

bool CopiedFiles::empty() const {
    std::lock_guard lock(mutex_);
    return files_.empty();
}

}  // namespace zorvik::orders
