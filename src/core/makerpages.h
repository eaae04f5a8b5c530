#pragma once

#include <QUrl>

#include "core/folders.h"
#include "core/settings.h"

namespace zorvik::core {

// The maker's home page and resource page, opened from the main window's
// links. A shop may point them elsewhere in the settings file (section
// `WangZhi`, keys `ZhuYe` and `ZiYuan`: a web address or a file path); by
// default they are the pages shipped in the program folder's "网页/", so no
// link leads nowhere. Read at each use: a changed setting holds at once.
struct MakerPages {
    QUrl home;
    QUrl resource;
};

// The shipped pages, relative to the program folder.
inline constexpr const char* kShippedHomePage = "网页/主页.html";
inline constexpr const char* kShippedResourcePage = "网页/资源网.html";

MakerPages makerPages(const Settings& settings, const ProgramFolders& folders);

}  // namespace zorvik::core
