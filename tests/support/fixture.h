#pragma once

#include <QTemporaryDir>
#include <optional>
#include <string>
#include <string_view>

#include "core/errors.h"
#include "core/jobs.h"
#include "platform/drives.h"

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
    // Maps drive letters to folders below the scratch folder in this
    // test's own drive table; C and D keep their defaults unless named.
    void mapDrives(std::initializer_list<std::pair<char, std::string_view>> drives) const;
    // The same in another table (a station's).
    void mapDrives(platform::DriveTable& table,
                   std::initializer_list<std::pair<char, std::string_view>> drives) const;
    // The test's drive table, gone with the test.
    platform::DriveTable& drives() const { return drives_; }
    // Where the test's subsystems report errors (standard error unless a
    // test connects to it).
    core::ErrorReports& errors() const { return errors_; }
    // Where the test's owners of background work register.
    core::JobRegistry& jobs() const { return jobs_; }

private:
    QTemporaryDir dir_;
    mutable platform::DriveTable drives_;
    mutable core::ErrorReports errors_;
    mutable core::JobRegistry jobs_;
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
