#pragma once

#include <QList>
#include <array>
#include <optional>

class QWidget;

namespace zorvik::ui {

// The pieces of the main window that follow its size; several widgets may
// share one piece (the five order lists' animations, the foot buttons).
enum class Piece {
    Links,           // the three links at the foot of the left panel
    LeftPanel,
    PlayerPanel,     // the left panel's content, down to the links
    DiskDGroup,      // under the links
    Playlist,
    NewArrivalsBar,
    BrowsePanel,
    CategoryTabs,
    ResultsGroup,
    ResultsFootLabels,   // object count and folder label
    ResultsFootButtons,  // the five buttons of the results group's foot row
    ResultsLists,        // introduction list, result list, file manager's list
    FolderTree,          // the file manager's folder tree
    OrderTabs,
    TallyBox,
    OrderView,
    CopyAnimations,
    ProgressGroups,
    ProgressBars,
    Count
};

enum class Edge { Top, Height, Width };

// The window's outer size, frame and title bar included.
struct OuterSize {
    int width = 0;
    int height = 0;
};

class WindowLayout;

// One rule: the piece's edge takes the value computed from the outer size and
// the pieces already placed.
struct LayoutRule {
    Piece piece;
    Edge edge;
    int (*value)(const OuterSize& outer, const WindowLayout& placed);
};

// How the main window's regions follow its size. Every size change applies
// the whole table in order; what it does not name stays where it was designed.
class WindowLayout final {
public:
    static constexpr int kSnapAtOrBelow = 400;
    static constexpr int kSnapHeight = 410;

    // The outer height the window must take instead, if any.
    static std::optional<int> snappedHeight(int outerHeight);
    static const QList<LayoutRule>& rules();

    void add(Piece piece, QWidget* widget);
    const QList<QWidget*>& widgets(Piece piece) const;

    // Places every piece for the outer size; a computed width or height below
    // 0 is taken as 0.
    void apply(const OuterSize& outer) const;

    // The first widget of a piece, as placed so far.
    int left(Piece piece) const;
    int top(Piece piece) const;
    int width(Piece piece) const;
    int height(Piece piece) const;

private:
    std::array<QList<QWidget*>, static_cast<size_t>(Piece::Count)> pieces_;
};

}  // namespace zorvik::ui
