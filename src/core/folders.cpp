#include "core/folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/shell.h"

namespace zorvik::core {

namespace {

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

ProgramFolders ProgramFolders::at(std::string programFolder) {
    programFolder = withSlash(std::move(programFolder));
    return {programFolder, programFolder + "数据文件/"};
}

ProgramFolders ProgramFolders::installed(std::string programFolder, std::string userDataHome) {
    return {withSlash(std::move(programFolder)), withSlash(std::move(userDataHome)) + "zorvik/数据文件/"};
}

ProgramFolders ProgramFolders::locate() {
    const char* home = std::getenv("ZORVIK_HOME");
    if (home && *home) return at(home);
    std::string program = platform::executableFolder();
    if (dataBesideProgram(program)) return at(program);
    return installed(program, userDataHome());
}

std::string userDataHome() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && *xdg == '/') return withSlash(xdg);
    std::string home;
    if (const char* env = std::getenv("HOME"); env && *env) {
        home = env;
    } else if (const passwd* user = ::getpwuid(::getuid()); user && user->pw_dir) {
        home = user->pw_dir;
    }
    return withSlash(home) + ".local/share/";
}

bool dataBesideProgram(const std::string& programFolder) {
    if (programFolder.rfind("/usr/", 0) == 0) return false;
    return ::access(programFolder.c_str(), W_OK) == 0;
}

}  // namespace zorvik::core
