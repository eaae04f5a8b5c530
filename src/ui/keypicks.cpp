#include "ui/keypicks.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QEvent>
#include <QPersistentModelIndex>

namespace zorvik::ui {

namespace {

class KeyPicks final : public QObject {
public:
    KeyPicks(QAbstractItemView* view, std::function<void(const QModelIndex&)> picked)
        : QObject(view), view_(view), picked_(std::move(picked)) {
        view->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != view_ || event->type() != QEvent::KeyPress || delivering_) return false;
        // Delivered here in full (other filters, the view, its parents for a
        // key it leaves), so that what the key did is known when it returns.
        const QPersistentModelIndex before = view_->currentIndex();
        delivering_ = true;
        QCoreApplication::sendEvent(view_, event);
        delivering_ = false;
        event->accept();  // so that it is not handed to the parents again
        const QModelIndex now = view_->currentIndex();
        // Moved, and the highlight went with it (Ctrl moves the focus alone).
        if (now.isValid() && now != before && view_->selectionModel()->isSelected(now)) picked_(now);
        return true;
    }

private:
    QAbstractItemView* view_;
    std::function<void(const QModelIndex&)> picked_;
    bool delivering_ = false;
};

}  // namespace

void pickWithKeys(QAbstractItemView* view, std::function<void(const QModelIndex&)> picked) {
    new KeyPicks(view, std::move(picked));
}

}  // namespace zorvik::ui
