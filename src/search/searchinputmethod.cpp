#include "search/searchinputmethod.h"

#include <QDBusConnection>
#include <QTimer>

#include "platform/inputmethods.h"
#include "search/searchcontroller.h"

namespace zorvik::search {

SearchInputMethod::SearchInputMethod(const SearchController& search, QObject* parent)
    : QObject(parent), search_(search) {}

void SearchInputMethod::setChosen(const QString& name) {
    if (name != chosen_) chosenId_.clear();
    chosen_ = name;
}

void SearchInputMethod::choose(const QString& name) {
    if (!search_.numberMode()) setChosen(name);
}

void SearchInputMethod::focusIn() {
    if (chosen_.isEmpty() || search_.numberMode()) return;
    QTimer::singleShot(0, this, &SearchInputMethod::switchOn);
}

void SearchInputMethod::focusOut(bool windowLeft) {
    if (windowLeft) return;
    QTimer::singleShot(0, this, &SearchInputMethod::switchBack);
}

void SearchInputMethod::switchOn() {
    const QDBusConnection session = QDBusConnection::sessionBus();
    if (chosenId_.empty()) chosenId_ = platform::inputMethodId(session, chosen_.toStdString()).value_or("");
    if (chosenId_.empty()) return;  // not set up on this machine: nothing to switch
    if (!previous_) previous_ = platform::currentInputMethod(session);
    // A name that went away since it was asked is asked for again next time.
    if (!platform::setCurrentInputMethod(session, chosenId_)) chosenId_.clear();
}

void SearchInputMethod::switchBack() {
    if (!previous_) return;
    const std::string previous = std::move(*previous_);
    previous_.reset();
    if (previous != chosenId_) platform::setCurrentInputMethod(QDBusConnection::sessionBus(), previous);
}

}  // namespace zorvik::search
