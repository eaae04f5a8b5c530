#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <string>
#include <vector>

#include "core/errors.h"
#include "library/collation.h"

namespace zorvik::search {

class SearchController;

inline constexpr int kGridColumns = 4;
inline constexpr int kGridRows = 3;
inline constexpr int kGridCells = kGridColumns * kGridRows;
inline constexpr std::string_view kSingerFileName = "歌手.txt";

// The singer page: the singers of "歌手.txt", those whose pinyin initials
// start with the letter box's text, twelve at a time in a grid filled
// column by column, and a search for the one clicked. GUI thread only.
class SingerBrowser final : public QObject {
    Q_OBJECT
public:
    SingerBrowser(SearchController& search, core::ErrorReports& errors, QObject* parent = nullptr);

    // Start-up: every singer of the file (none when it is missing), the
    // whole list shown from its start.
    void load(const std::string& file);

    // The letter box changed. The text must start the initials of a name
    // (blanks around it left out; letter case counts); an empty box matches
    // no one.
    void setLetters(const QString& letters);
    // "下一页": the next twelve; at the end the same page again.
    void nextPage();
    // "上一页": back to the page before.
    void previousPage();

    // The name in a cell, blanks kept; empty for an empty cell.
    QString cell(int row, int column) const;
    // A click on a cell searches for its name as the search button does.
    // An empty cell does nothing.
    bool choose(int row, int column);

    const std::vector<std::string>& filtered() const { return filtered_.lines(); }
    int pageCursor() const { return cursor_; }

Q_SIGNALS:
    void cellsChanged();

private:
    void fillFrom(int cursor);

    struct Singer {
        std::string name;      // the line as written
        std::string initials;  // of the name without blanks around it, GBK bytes
    };
    SearchController& search_;
    core::ErrorReports& errors_;
    std::vector<Singer> singers_;
    library::SortedLines filtered_;
    std::array<QString, kGridCells> cells_;  // in fill order: column by column
    int cursor_ = 0;  // the filtered singer the next fill starts with
};

}  // namespace zorvik::search
