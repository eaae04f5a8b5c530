#pragma once

#include <QTemporaryDir>
#include <optional>
#include <string>
#include <string_view>

namespace zorvik::testing {

// A scratch folder for one test, removed afterwards.
class Scratch {
public:
    Scratch();
    // Native path of the scratch folder, without trailing slash.
    std::string path() const;
    // Native path of `relative` below the scratch folder ('\' or '/' separated).
    std::string at(std::string_view relative) const;
    // Writes a file (parents created) and returns its native path.
    std::string write(std::string_view relative, std::string_view bytes = {}) const;
    std::string makeFolder(std::string_view relative) const;
    // Maps drive letters to folders below the scratch folder; C and D keep
    // their defaults unless named.
    void mapDrives(std::initializer_list<std::pair<char, std::string_view>> drives) const;

private:
    QTemporaryDir dir_;
};

// An environment variable set for the life of the object; then it is as it was.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    std::string name_;
    std::optional<std::string> before_;
};

std::string readFile(const std::string& nativePath);
bool exists(const std::string& nativePath);

}  // namespace zorvik::testing
