#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class QTableView;

namespace zorvik::app {
class Station;
}

namespace zorvik::ui {

// The results group: the result list over the result store, its object
// count and its menu.
class ResultsPanel final : public QWidget {
    Q_OBJECT
public:
    ResultsPanel(app::Station& station, QWidget* parent);

    QTableView* resultView() const { return view_; }
    QLabel* countLabel() const { return count_; }

    // The result list at its full height: the panel's height less 40.
    void showFullHeight();
    // The result list's full height, shown or not.
    void placeResultList();
    // Above the browse panel: the panel's height less 160.
    void showShortened();

    // The foot row's buttons.
    QPushButton* newArrivalsButton() const { return newArrivals_; }
    QPushButton* hotRankingButton() const { return hotRanking_; }
    QPushButton* browseButton() const { return browse_; }
    // "重命名" on the selected row.
    void renameSelected();
    // "彻底删除选中的文件", after the operator confirms it.
    void deleteSelectedForGood();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void showMenu(const QPoint& at);

    app::Station& station_;
    QTableView* view_;
    QLabel* count_;
    QPushButton* newArrivals_;
    QPushButton* hotRanking_;
    QPushButton* browse_;
};

}  // namespace zorvik::ui
