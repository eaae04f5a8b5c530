#include "ui/layoutrules.h"

#include <QWidget>

#include <algorithm>

namespace zorvik::ui {

namespace {

// Where an order list's tab page starts inside the order list tabs: below
// the 30-pixel tabs and the pane's frame.
constexpr int kOrderPageTop = 32;

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
    {Piece::NewArrivalsBar, Edge::Top, [](const O& o, const L&) { return o.height - 80; }},
    {Piece::BrowsePanel, Edge::Top, [](const O& o, const L&) { return o.height - 222; }},
    {Piece::CategoryTabs, Edge::Height, [](const O& o, const L&) { return o.height - 77; }},
    {Piece::ResultsGroup, Edge::Height,
     [](const O& o, const L& l) { return o.height - l.top(Piece::ResultsGroup) - 77; }},
    {Piece::ResultsFootLabels, Edge::Top, [](const O&, const L& l) { return l.height(Piece::ResultsGroup) - 17; }},
    {Piece::ResultsFootButtons, Edge::Top, [](const O&, const L& l) { return l.height(Piece::ResultsGroup) - 24; }},
    {Piece::ResultsLists, Edge::Height, [](const O&, const L& l) { return l.height(Piece::ResultsGroup) - 40; }},
    {Piece::FolderTree, Edge::Height, [](const O&, const L& l) { return l.height(Piece::ResultsGroup) - 72; }},
    {Piece::OrderTabs, Edge::Height, [](const O& o, const L&) { return o.height - 88; }},
    {Piece::OrderTabs, Edge::Width, [](const O& o, const L& l) { return o.width - l.left(Piece::OrderTabs) - 12; }},
    {Piece::TallyBox, Edge::Top, [](const O& o, const L&) { return o.height - 264; }},
    {Piece::OrderView, Edge::Height, [](const O& o, const L&) { return o.height - 415; }},
    {Piece::OrderView, Edge::Width, [](const O&, const L& l) { return l.width(Piece::OrderTabs) - 16; }},
    // The animations lie over the tally box, at their place on the tab page.
    {Piece::CopyAnimations, Edge::Top,
     [](const O& o, const L& l) { return o.height - 207 + l.top(Piece::OrderTabs) + kOrderPageTop; }},
    {Piece::ProgressGroups, Edge::Top, [](const O& o, const L&) { return o.height - 168; }},
    {Piece::ProgressBars, Edge::Top, [](const O& o, const L&) { return o.height - 42; }},
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
