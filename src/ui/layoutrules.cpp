#include "ui/layoutrules.h"

#include <QWidget>

#include <algorithm>

namespace zorvik::ui {

namespace {

// Where an order list's tab page starts inside the order list tabs: below
// the 30-pixel tabs and the pane's frame.
constexpr int kOrderPageTop = 32;
// The outer height less the frame and title bar (38) and the status bar (19):
// where the client area that the regions share ends. Nothing is placed below it.
constexpr int kClientFoot = 38 + 19;
constexpr int kProgressBarHeight = 12;

using O = OuterSize;
using L = WindowLayout;

// The rules in the order they are applied; a rule may read what an earlier
// one placed. Tops are in the coordinates of the piece's parent, except where
// a piece lies over another one as said.
const QList<LayoutRule> kRules = {
    // The links read as the left panel's foot, though they lie over it.
    {Piece::Links, Edge::Top, [](const O& o, const L& l) { return o.height - 146 + l.top(Piece::LeftPanel); }},
    {Piece::LeftPanel, Edge::Height, [](const O& o, const L&) { return o.height - 117; }},
    // The panel's content stops short of the links.
    {Piece::PlayerPanel, Edge::Height, [](const O& o, const L&) { return o.height - 146 - 10; }},
    // Kept under the links, so that a taller playlist does not run under it.
    {Piece::DiskDGroup, Edge::Top, [](const O& o, const L&) { return o.height - 139; }},
    {Piece::Playlist, Edge::Height, [](const O& o, const L& l) { return o.height - l.top(Piece::Playlist) - 165; }},
    {Piece::BrowsePanel, Edge::Top, [](const O& o, const L&) { return o.height - 222; }},
    {Piece::CategoryTabs, Edge::Height, [](const O& o, const L&) { return o.height - 77; }},
    {Piece::ResultsGroup, Edge::Height,
     [](const O& o, const L& l) { return o.height - l.top(Piece::ResultsGroup) - 77; }},
    {Piece::ResultsFootLabels, Edge::Top, [](const O&, const L& l) { return l.height(Piece::ResultsGroup) - 17; }},
    {Piece::ResultsFootButtons, Edge::Top, [](const O&, const L& l) { return l.height(Piece::ResultsGroup) - 24; }},
    {Piece::ResultsLists, Edge::Height, [](const O&, const L& l) { return l.height(Piece::ResultsGroup) - 40; }},
    {Piece::FolderTree, Edge::Height, [](const O&, const L& l) { return l.height(Piece::ResultsGroup) - 72; }},
    // Just above the foot row of the results group that opens it: below the
    // category tabs there is no room for its height above the status bar, and
    // the buttons it would cover stay within reach.
    {Piece::NewArrivalsBar, Edge::Top,
     [](const O&, const L& l) {
         return l.top(Piece::CategoryTabs) + l.top(Piece::ResultsGroup) + l.top(Piece::ResultsFootButtons) -
                l.height(Piece::NewArrivalsBar) - 1;
     }},
    // Its foot frame stays above the status bar.
    {Piece::OrderTabs, Edge::Height,
     [](const O& o, const L& l) { return o.height - kClientFoot - l.top(Piece::OrderTabs) - 1; }},
    {Piece::OrderTabs, Edge::Width, [](const O& o, const L& l) { return o.width - l.left(Piece::OrderTabs) - 12; }},
    {Piece::TallyBox, Edge::Top, [](const O& o, const L&) { return o.height - 264; }},
    {Piece::OrderView, Edge::Height, [](const O& o, const L&) { return o.height - 415; }},
    {Piece::OrderView, Edge::Width, [](const O&, const L& l) { return l.width(Piece::OrderTabs) - 16; }},
    // Right under the tally box, so that the bar has the strip above the
    // status bar to itself.
    {Piece::ProgressGroups, Edge::Top,
     [](const O&, const L& l) {
         return l.top(Piece::TallyBox) + l.height(Piece::TallyBox) + 1 - l.top(Piece::OrderTabs) - kOrderPageTop;
     }},
    // Beside the list's buttons, clear of the disk space line at the tally box's foot.
    {Piece::CopyAnimations, Edge::Top,
     [](const O&, const L& l) { return l.top(Piece::ProgressGroups) + l.top(Piece::OrderTabs) + kOrderPageTop + 4; }},
    {Piece::ProgressBars, Edge::Top,
     [](const O& o, const L&) { return o.height - kClientFoot - kProgressBarHeight - 2; }},
};

}  // namespace

std::optional<int> WindowLayout::snappedHeight(int outerHeight) {
    if (outerHeight <= kSnapAtOrBelow) return kSnapHeight;
    return std::nullopt;
}

const QList<LayoutRule>& WindowLayout::rules() { return kRules; }

void WindowLayout::add(Piece piece, QWidget* widget) { pieces_[static_cast<size_t>(piece)].append(widget); }

const QList<QWidget*>& WindowLayout::widgets(Piece piece) const { return pieces_[static_cast<size_t>(piece)]; }

void WindowLayout::apply(const OuterSize& outer) const {
    for (const auto& rule : kRules) {
        const int value = rule.value(outer, *this);
        for (QWidget* w : widgets(rule.piece)) {
            switch (rule.edge) {
                case Edge::Top: w->move(w->x(), value); break;
                case Edge::Height: w->resize(w->width(), std::max(0, value)); break;
                case Edge::Width: w->resize(std::max(0, value), w->height()); break;
            }
        }
    }
}

namespace {
template <typename F>
int first(const QList<QWidget*>& widgets, F f) {
    return widgets.isEmpty() ? 0 : f(*widgets.front());
}
}  // namespace

int WindowLayout::left(Piece piece) const { return first(widgets(piece), [](const QWidget& w) { return w.x(); }); }
int WindowLayout::top(Piece piece) const { return first(widgets(piece), [](const QWidget& w) { return w.y(); }); }
int WindowLayout::width(Piece piece) const { return first(widgets(piece), [](const QWidget& w) { return w.width(); }); }
int WindowLayout::height(Piece piece) const {
    return first(widgets(piece), [](const QWidget& w) { return w.height(); });
}

}  // namespace zorvik::ui
