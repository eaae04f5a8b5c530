#pragma once

#include <string_view>

namespace zorvik::platform {

// Starts a shell script with `sh` in its own folder without waiting for it;
// its output is discarded and it outlives the program.
bool startScriptDetached(std::string_view scriptPath);

}  // namespace zorvik::platform

#include <string>

namespace zorvik::platform {

// Folder of the running program file, with a trailing slash.
std::string executableFolder();

}  // namespace zorvik::platform

namespace zorvik::platform {

// Shows a folder (a drive path or a native one) in the desktop's file manager.
bool openFolder(std::string_view path);

}  // namespace zorvik::platform

namespace zorvik::platform {

// Lets the calling worker thread yield to the GUI thread: copies then never
// make the counter wait for a processor.
void lowerCurrentThreadPriority();

}  // namespace zorvik::platform
