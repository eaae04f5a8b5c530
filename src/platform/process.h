#pragma once

#include <string>

// The running program: where its file lies, and how its workers give way.
namespace zorvik::platform {

// Folder of the running program file, with a trailing slash.
std::string executableFolder();

// Lets the calling worker thread yield to the GUI thread: copies then never
// make the counter wait for a processor.
void lowerCurrentThreadPriority();

}  // namespace zorvik::platform
