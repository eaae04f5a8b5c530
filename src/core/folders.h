#pragma once

#include <string>

namespace zorvik::core {

// The program folder (the program file's folder, or ZORVIK_HOME when set) and
// the data folder: beside the program, or in the user's own data folder when
// the program folder is an installed one. Native paths with a trailing slash.
struct ProgramFolders {
    std::string program;
    std::string data;

    static ProgramFolders locate();
    static ProgramFolders at(std::string programFolder);
    // An installed program: its shipped parts stay in programFolder, the data
    // goes to "zorvik/数据文件/" in userDataHome.
    static ProgramFolders installed(std::string programFolder, std::string userDataHome);

    std::string settingsFile() const { return data + "Corlen.ini"; }
    std::string cueFolder() const { return program + "按键音乐/"; }
};

// The user's data folder: $XDG_DATA_HOME when it is an absolute path, else
// ~/.local/share. With a trailing slash.
std::string userDataHome();

// Whether data may be kept beside the program: the folder is writable and does
// not lie below /usr/, where only the package manager writes (even when root runs it).
bool dataBesideProgram(const std::string& programFolder);

}  // namespace zorvik::core
