#pragma once

#include <QObject>
#include <QString>

#include <optional>
#include <string>

namespace zorvik::search {

class SearchController;

// The search box's input method: in keyword search the one chosen in the
// parameters window is switched on whenever the box takes the focus, and
// the one in use before comes back when the focus leaves it. Keying in
// numbers switches nothing.
class SearchInputMethod final : public QObject {
    Q_OBJECT
public:
    explicit SearchInputMethod(const SearchController& search, QObject* parent = nullptr);

    // Start-up: the configured one, whatever the search mode.
    void setChosen(const QString& name);
    // Chosen in the parameters window: it holds at once, unless numbers are
    // being keyed in.
    void choose(const QString& name);
    const QString& chosen() const { return chosen_; }

    // Both run a moment later: the input method hears of the focus change on
    // a connection of its own, and must have heard first.
    void focusIn();
    // `windowLeft`: the focus went to another window. What is in use there is
    // not the search box's to change; the one to come back stays remembered
    // until the focus leaves the box within this window.
    void focusOut(bool windowLeft);

private:
    void switchOn();
    void switchBack();

    const SearchController& search_;
    QString chosen_;
    std::string chosenId_;                 // its internal name, once asked
    std::optional<std::string> previous_;  // in use before the box took the focus
};

}  // namespace zorvik::search
