#pragma once

#include <string_view>

// What the desktop shell does for the station: starting a script, showing a folder.
namespace zorvik::platform {

class DriveTable;

// Starts a shell script with `sh` in its own folder without waiting for it;
// its output is discarded and it outlives the program.
bool startScriptDetached(const DriveTable& drives, std::string_view scriptPath);

// Shows a folder (a drive path or a native one) in the desktop's file manager.
bool openFolder(const DriveTable& drives, std::string_view path);

}  // namespace zorvik::platform
