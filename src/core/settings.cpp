#include "core/settings.h"

#include <cerrno>
#include <optional>

#include "core/errors.h"
#include "platform/fileops.h"
#include "platform/textcodec.h"

namespace zorvik::core {

namespace profile {

std::string_view trim(std::string_view text) {
    size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x + 32);
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y + 32);
        if (x != y) return false;
    }
    return true;
}

namespace {

std::optional<std::string_view> sectionName(std::string_view line) {
    line = trim(line);
    if (!line.starts_with('[')) return std::nullopt;
    size_t close = line.find(']');
    return trim(line.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
}

struct KeyLine {
    std::string_view key;
    std::string_view value;
};

std::optional<KeyLine> keyLine(std::string_view line) {
    std::string_view t = trim(line);
    if (t.empty() || t.front() == ';') return std::nullopt;
    size_t eq = t.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    return KeyLine{trim(t.substr(0, eq)), trim(t.substr(eq + 1))};
}

// Line range [begin, end) of the body of the first section with that name.
std::optional<std::pair<size_t, size_t>> findSection(const std::vector<std::string>& lines,
                                                     std::string_view section) {
    for (size_t i = 0; i < lines.size(); ++i) {
        auto name = sectionName(lines[i]);
        if (!name || !sameName(*name, section)) continue;
        size_t end = i + 1;
        while (end < lines.size() && !sectionName(lines[end])) ++end;
        return std::make_pair(i + 1, end);
    }
    return std::nullopt;
}

}  // namespace

std::string readValue(const std::vector<std::string>& lines, std::string_view section,
                      std::string_view key) {
    auto range = findSection(lines, section);
    if (!range) return {};
    for (size_t i = range->first; i < range->second; ++i) {
        auto kv = keyLine(lines[i]);
        if (kv && sameName(kv->key, key)) return std::string(kv->value);
    }
    return {};
}

std::vector<std::pair<std::string, std::string>> readSection(const std::vector<std::string>& lines,
                                                             std::string_view section) {
    std::vector<std::pair<std::string, std::string>> pairs;
    auto range = findSection(lines, section);
    if (!range) return pairs;
    for (size_t i = range->first; i < range->second; ++i) {
        auto kv = keyLine(lines[i]);
        if (!kv) continue;
        bool seen = false;
        for (const auto& p : pairs) seen = seen || sameName(p.first, kv->key);
        if (!seen) pairs.emplace_back(kv->key, kv->value);
    }
    return pairs;
}

LineEdit writeValue(std::vector<std::string>& lines, std::string_view section, std::string_view key,
                    std::string_view value) {
    std::string entry = std::string(key) + "=" + std::string(value);
    auto range = findSection(lines, section);
    if (!range) {
        lines.push_back("[" + std::string(section) + "]");
        lines.push_back(entry);
        return {lines.size() - 2, 2};
    }
    size_t lastContent = range->first;  // insertion point: after the section's last non-blank line
    for (size_t i = range->first; i < range->second; ++i) {
        auto kv = keyLine(lines[i]);
        if (kv && sameName(kv->key, key)) {
            // Keep the stored spelling of the key; only the value changes.
            lines[i] = std::string(kv->key) + "=" + std::string(value);
            return {i, 0};
        }
        if (!trim(lines[i]).empty()) lastContent = i + 1;
    }
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(lastContent), entry);
    return {lastContent, 1};
}

}  // namespace profile

namespace {
constexpr std::string_view kReadFailed = "无法读取设置文件";
constexpr std::string_view kWriteFailed = "无法保存设置文件";
}  // namespace

Settings::Settings(std::string filePath, ErrorReports& errors) : path_(std::move(filePath)), errors_(errors) {}

std::string Settings::problem() const {
    auto lines = platform::readFileLines(path_);
    if (lines || lines.error() == ENOENT) return {};
    return lines.errorText();
}

void Settings::reportProblem() const {
    if (std::string why = problem(); !why.empty()) errors_.reportFile(kReadFailed, path_, why);
}

std::string Settings::read(std::string_view section, std::string_view key) const {
    auto lines = platform::readTextLines(path_);
    return lines ? profile::readValue(*lines, section, key) : std::string();
}

std::vector<std::pair<std::string, std::string>> Settings::readSection(std::string_view section) const {
    auto lines = platform::readTextLines(path_);
    return lines ? profile::readSection(*lines, section)
                 : std::vector<std::pair<std::string, std::string>>{};
}

bool Settings::write(std::string_view section, std::string_view key, std::string_view value) {
    return write(section, {{std::string(key), std::string(value)}});
}

bool Settings::write(std::string_view section,
                     const std::vector<std::pair<std::string, std::string>>& values) {
    // The file's own lines, bytes and all: a line that does not decode is
    // written back as it was unless it is the one that changes.
    std::vector<platform::FileLine> file;
    if (auto existing = platform::readFileLines(path_)) {
        file = std::move(*existing);
    } else if (existing.error() != ENOENT) {
        // Only a file that is not there starts afresh: one that cannot be
        // read (a folder, a link loop, no rights, a failing disk) is never replaced.
        errors_.reportFile(kWriteFailed, path_, existing.errorText());
        return false;
    }
    std::vector<std::string> lines;
    for (const auto& line : file) lines.push_back(line.text);
    for (const auto& [key, value] : values) {
        const auto edit = profile::writeValue(lines, section, key, value);
        if (edit.inserted == 0) file[edit.at] = {lines[edit.at], {}};
        for (size_t i = 0; i < edit.inserted; ++i)
            file.insert(file.begin() + static_cast<std::ptrdiff_t>(edit.at + i), {lines[edit.at + i], {}});
    }
    if (auto written = platform::writeWholeFile(path_, platform::encodeFileLines(file)); !written) {
        errors_.reportFile(kWriteFailed, path_, written.errorText());
        return false;
    }
    return true;
}

}  // namespace zorvik::core
