#include "search/singers.h"

#include "core/errors.h"
#include "platform/fileops.h"
#include "platform/textcodec.h"
#include "search/pinyin.h"
#include "search/searchcontroller.h"

namespace zorvik::search {

namespace {

// Blanks and control characters around a name, as the station's trim took them.
std::string_view trimmed(std::string_view text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
    while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
    return text.substr(first, last - first);
}

int cellIndex(int row, int column) { return column * kGridRows + row; }

}  // namespace

SingerBrowser::SingerBrowser(SearchController& search, core::ErrorReports& errors, QObject* parent)
    : QObject(parent), search_(search), errors_(errors) {}

void SingerBrowser::load(const std::string& file) {
    singers_.clear();
    std::vector<std::string> names;
    if (platform::fileExists(file)) {
        auto lines = platform::readTextLines(file);
        if (!lines) errors_.reportFile("无法读取歌手文件", file, lines.errorText());
        for (auto& line : lines.value_or(std::vector<std::string>{})) {
            if (trimmed(line).empty()) continue;  // no name on this line
            std::string initials = pinyinInitials(trimmed(line));
            names.push_back(line);
            singers_.push_back({std::move(line), std::move(initials)});
        }
    }
    filtered_.assign(std::move(names));
    fillFrom(0);
}

void SingerBrowser::setLetters(const QString& letters) {
    const std::string wanted = platform::utf8ToGb18030(letters.toStdString());
    std::vector<std::string> names;
    if (!wanted.empty())
        for (const auto& singer : singers_)
            if (singer.initials.starts_with(wanted)) names.push_back(singer.name);
    filtered_.assign(std::move(names));
    fillFrom(0);
}

void SingerBrowser::fillFrom(int cursor) {
    cursor_ = cursor;
    for (auto& cell : cells_) {
        cell = cursor_ < filtered_.count()
                   ? QString::fromStdString(filtered_.lines()[static_cast<size_t>(cursor_)])
                   : QString();
        ++cursor_;
    }
    Q_EMIT cellsChanged();
}

void SingerBrowser::nextPage() {
    if (cursor_ < filtered_.count())
        fillFrom(cursor_);
    else
        fillFrom(cursor_ - kGridCells);  // nothing more: the same page again
}

void SingerBrowser::previousPage() { fillFrom(std::max(0, cursor_ - 2 * kGridCells)); }

QString SingerBrowser::cell(int row, int column) const {
    if (row < 0 || row >= kGridRows || column < 0 || column >= kGridColumns) return {};
    return cells_[static_cast<size_t>(cellIndex(row, column))];
}

bool SingerBrowser::choose(int row, int column) {
    const QString name = cell(row, column);
    if (name.isEmpty()) return false;
    return search_.searchFor(name);
}

}  // namespace zorvik::search
