#pragma once

#include <string_view>

namespace zorvik::platform {

class DriveTable;

// Opens a file (a drive path or a native one) with the desktop's default
// application for its type, as the file's one argument and never through a
// shell; the program is not waited for. False when no application is
// registered for the type, its program is not there, or it cannot start.
bool openWithDefaultApplication(const DriveTable& drives, std::string_view path);

}  // namespace zorvik::platform
