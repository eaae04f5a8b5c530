#pragma once

#include <QWidget>
#include <array>

#include "orders/copylane.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableView;
class QTreeView;

namespace zorvik::app {
class Station;
}

namespace zorvik::ui {

// One order list's tab page: its buttons, device and destination selectors,
// copying animation and progress group.
struct OrderTabPage {
    QWidget* page = nullptr;
    QPushButton* selectAll = nullptr;
    QPushButton* download = nullptr;
    QCheckBox* lyrics = nullptr;
    QComboBox* device = nullptr;
    QComboBox* destination = nullptr;
    QPushButton* open = nullptr;
    QProgressBar* animation = nullptr;  // over the tally box, while the list copies
    QWidget* progressGroup = nullptr;   // the buttons and the progress of the page's foot
    QLabel* progressText = nullptr;
    QLabel* doneLabel = nullptr;
    QLabel* seconds = nullptr;
    QProgressBar* bar = nullptr;  // along the window's foot
};

// The order lists side of the main window: the tabs "清单1" to "清单5" and
// the order view shared by all of them. It words what the copy engine
// reports: each list's progress texts, and a message naming the files a job
// could not copy.
class OrderPanel final : public QObject {
    Q_OBJECT
public:
    // Builds the tabs, the order view and the five progress bars on `client`.
    OrderPanel(app::Station& station, QWidget* client);

    QTabWidget* tabs() const { return tabs_; }
    QTableView* view() const { return view_; }
    QTreeView* folderPicker() const { return picker_; }
    void hideFolderPicker();
    const OrderTabPage& page(int list) const { return pages_[static_cast<size_t>(list - 1)]; }

Q_SIGNALS:
    // For the second panel of the status bar.
    void secondPanelText(const QString& text);

private:
    void buildPage(int list, QWidget* client);
    void showLane(int list);
    void showMenu(const QPoint& at);
    void showDestinations(int list);
    void followLane(int list);
    // One box per job that could not copy everything; it does not wait for
    // the operator, so the other lists' jobs go on being shown.
    void tellNotCopied(const QString& job, const orders::CopyFailures& failures);
    // The device selectors list the removable drives present.
    void setDeviceEntries(const QStringList& entries);

    app::Station& station_;
    QTabWidget* tabs_;
    QTableView* view_;
    std::array<OrderTabPage, 5> pages_;
    QTreeView* picker_;
};

}  // namespace zorvik::ui
