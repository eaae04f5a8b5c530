#include "core/folders.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "platform/process.h"

namespace zorvik::core {

namespace {

std::string withSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

}  // namespace

ProgramFolders ProgramFolders::at(std::string programFolder) {
    // Paths holding ".." name nothing, so "../demo" becomes the folder it means.
    std::error_code error;
    auto absolute = std::filesystem::absolute(programFolder, error);
    if (!error) programFolder = absolute.lexically_normal().string();
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
