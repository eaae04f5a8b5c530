#include "core/folders.h"

#include <cstdlib>
#include <filesystem>

#include "platform/process.h"

namespace zorvik::core {

ProgramFolders ProgramFolders::at(std::string programFolder) {
    // Paths holding ".." name nothing, so "../demo" becomes the folder it means.
    std::error_code error;
    auto absolute = std::filesystem::absolute(programFolder, error);
    if (!error) programFolder = absolute.lexically_normal().string();
    if (programFolder.empty() || programFolder.back() != '/') programFolder += '/';
    return {programFolder, programFolder + "数据文件/"};
}

ProgramFolders ProgramFolders::locate() {
    const char* home = std::getenv("ZORVIK_HOME");
    return at(home && *home ? std::string(home) : platform::executableFolder());
}

}  // namespace zorvik::core
