#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "platform/drives.h"

namespace zorvik::core {
class Settings;
}

// Setting up the library drives: the drive boxes' list and editing rule, the
// settings keys PanFu1 ... PanFu6 and the category folders of a new drive.
namespace zorvik::library {

// The list of every drive box: a blank (no drive), then D to Z. C is the
// system disk and is not offered, though it can be typed.
inline constexpr std::array<std::string_view, 24> kDriveBoxItems{
    " ", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M", "N",
    "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z"};

// The drive a box text names: one letter of either case, upper-cased.
// Anything else ("", " ", "GH", "1") names no drive.
std::optional<char> driveOfBoxText(std::string_view text);

// What a drive box holds after the operator edits it. A box holds one drive
// letter, so a letter typed into a box that already has one replaces it
// rather than making a two-letter text that names no drive. `edited` is the
// text the edit proposes and `cursor` the caret after it (in bytes); letters
// come out upper case, a blank stays a blank, and nullopt refuses the edit.
std::optional<std::string> driveBoxEdit(std::string_view edited, std::size_t cursor);

// Stores the text of drive n's box as it stands; a blank reads back empty.
bool storeLibraryDrive(core::Settings& settings, int n, std::string_view text);

// Creates each of the twelve category folders that is missing under the
// library root of the drive the text names, with missing parents. A text that
// names no drive, a drive that is not there or cannot be written: nothing is
// created and nothing is reported. True when all twelve exist afterwards.
bool createCategoryFolders(const platform::DriveTable& drives, std::string_view text);

}  // namespace zorvik::library
