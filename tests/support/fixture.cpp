#include "support/fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/drives.h"

namespace zorvik::testing {

namespace fs = std::filesystem;

namespace {
std::string slashes(std::string_view relative) {
    std::string s(relative);
    for (char& c : s)
        if (c == '\\') c = '/';
    return s;
}
}  // namespace

Scratch::Scratch() { dir_.setAutoRemove(true); }

ScopedEnv::ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) before_ = old;
    ::setenv(name, value.c_str(), 1);
}

ScopedEnv::~ScopedEnv() {
    if (before_) ::setenv(name_.c_str(), before_->c_str(), 1);
    else ::unsetenv(name_.c_str());
}

std::string Scratch::path() const { return dir_.path().toStdString(); }

std::string Scratch::at(std::string_view relative) const { return path() + "/" + slashes(relative); }

std::string Scratch::write(std::string_view relative, std::string_view bytes) const {
    std::string p = at(relative);
    fs::create_directories(fs::path(p).parent_path());
    std::ofstream out(p, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return p;
}

std::string Scratch::makeFolder(std::string_view relative) const {
    std::string p = at(relative);
    fs::create_directories(p);
    return p;
}

void Scratch::mapDrives(std::initializer_list<std::pair<char, std::string_view>> drives) const {
    mapDrives(drives_, drives);
}

void Scratch::mapDrives(platform::DriveTable& table,
                        std::initializer_list<std::pair<char, std::string_view>> drives) const {
    std::vector<std::pair<char, std::string>> folders;
    for (const auto& [letter, relative] : drives) folders.emplace_back(letter, makeFolder(relative));
    table.setFixed(folders);
}

std::string readFile(const std::string& nativePath) {
    std::ifstream in(nativePath, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool exists(const std::string& nativePath) { return fs::exists(fs::symlink_status(nativePath)); }

}  // namespace zorvik::testing
