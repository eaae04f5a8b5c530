#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace zorvik::orders {

// The files one order list's copies wrote in this session (drive paths, with
// the size written). "删除选中的文件" removes a list's device copies, and a
// customer's own file of the same name must never be one of them: only what
// is recorded here, and still as large as it was written, is deleted.
// Any thread.
class CopiedFiles final {
public:
    void add(const std::string& drivePath, std::int64_t bytes);
    // Whether `drivePath`, now `bytes` long, is a copy of this list's.
    bool holds(const std::string& drivePath, std::int64_t bytes) const;
    void forget(const std::string& drivePath);
    // A removable drive went away: its letter may name another device next.
    void forgetDrive(std::string_view root);
    bool empty() const;

private:
    mutable std::mutex mutex_;
    std::unordered_map<std::string, std::int64_t> files_;
};

}  // namespace zorvik::orders
