#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace zorvik::platform {

class DriveTable;

// Which disk holds the drive of a path: folders with the same number share
// one set of heads, so reading them at the same time only makes the heads
// seek. Partitions of one disk give the disk's number. For a drive path the
// drive's root is asked, which the system keeps in memory for a mounted
// file system, so a sleeping disk is not woken here. nullopt when the path
// names nothing.
std::optional<std::uint64_t> diskOf(const DriveTable& drives, std::string_view path);

}  // namespace zorvik::platform
