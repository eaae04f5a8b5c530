#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"
#include "core/settingskeys.h"

namespace zorvik::core {

// The settings file "Corlen.ini", with the private-profile rules the shop's
// files were written under: section and key names without regard to case,
// values trimmed, absent reads as empty, the first occurrence wins. No copy
// is held in memory: every call reads the file, and every write goes to it at
// once, changing only the one line and keeping everything else as it was.
class Settings final {
public:
    // Errors of reading and writing the file go to `errors`.
    Settings(std::string filePath, ErrorReports& errors);

    const std::string& filePath() const { return path_; }
    ErrorReports& errors() const { return errors_; }

    // Why the file is there but cannot be read (a folder, too large, no
    // rights); empty when it reads or is absent. Reads then give the empty
    // text and writes fail, so the operator is told once, at start.
    std::string problem() const;
    void reportProblem() const;

    std::string read(std::string_view section, std::string_view key) const;
    std::string read(const keys::Key& key) const { return read(key.section, key.name); }
    // Key/value pairs of a section in file order (first occurrence of each key).
    std::vector<std::pair<std::string, std::string>> readSection(std::string_view section) const;
    // On failure the platform's error text goes to the error box and the
    // value is not stored.
    bool write(std::string_view section, std::string_view key, std::string_view value);
    bool write(const keys::Key& key, std::string_view value) { return write(key.section, key.name, value); }
    // Several keys of one section in one replacement of the file: all or none.
    bool write(std::string_view section, const std::vector<std::pair<std::string, std::string>>& values);

private:
    std::string path_;
    ErrorReports& errors_;
};

// The profile rules on the lines of a file, apart from the file itself.
namespace profile {
// Blanks (spaces, tabs) around a name or value do not count.
std::string_view trim(std::string_view text);
// Names compare without regard to ASCII letter case.
bool sameName(std::string_view a, std::string_view b);
std::string readValue(const std::vector<std::string>& lines, std::string_view section,
                      std::string_view key);
std::vector<std::pair<std::string, std::string>> readSection(const std::vector<std::string>& lines,
                                                             std::string_view section);
// What writeValue changed: `inserted` new lines at `at`, or, when none, the
// line at `at` rewritten. Every other line stays as it was.
struct LineEdit {
    size_t at;
    size_t inserted;
};
LineEdit writeValue(std::vector<std::string>& lines, std::string_view section, std::string_view key,
                    std::string_view value);
}  // namespace profile

}  // namespace zorvik::core
