#include "core/folders.h"

#include <cstdlib>

#include "platform/shell.h"

namespace zorvik::core {

ProgramFolders ProgramFolders::at(std::string programFolder) {
    if (programFolder.empty() || programFolder.back() != '/') programFolder += '/';
    return {programFolder, programFolder + "数据文件/"};
}

ProgramFolders ProgramFolders::locate() {
    const char* home = std::getenv("ZORVIK_HOME");
    return at(home && *home ? std::string(home) : platform::executableFolder());
}

}  // namespace zorvik::core
