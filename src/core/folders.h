#pragma once

#include <string>

namespace zorvik::core {

// The program folder (the program file's folder, or ZORVIK_HOME when set) and
// the data folder beside it. Native paths with a trailing slash.
struct ProgramFolders {
    std::string program;
    std::string data;

    static ProgramFolders locate();
    static ProgramFolders at(std::string programFolder);

    std::string settingsFile() const { return data + "Corlen.ini"; }
    std::string cueFolder() const { return program + "按键音乐/"; }
};

}  // namespace zorvik::core
