#pragma once

#include <QTabWidget>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace zorvik::app {
class Station;
}

namespace zorvik::ui {

// The browse panel: the singer page (letter box, A to Z, the 4 by 3 singer
// grid and its paging) and the category pages "音乐", "游戏", "铃声", "其它".
class BrowsePanel final : public QTabWidget {
    Q_OBJECT
public:
    BrowsePanel(app::Station& station, QWidget* parent);

    // "分类查找" shows it; the first time with the page "其它".
    void showPanel();

    QLineEdit* letterBox() const { return letterBox_; }
    QTableWidget* singerGrid() const { return grid_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* singerPage();
    QWidget* categoryPage(int page);
    void showCells();
    void chooseCurrentCell();

    app::Station& station_;
    QLineEdit* letterBox_ = nullptr;
    QTableWidget* grid_ = nullptr;
    bool shownBefore_ = false;
};

// The new-arrivals bar: one button per kind of new arrivals.
class NewArrivalsBar final : public QWidget {
    Q_OBJECT
public:
    explicit NewArrivalsBar(QWidget* parent);

Q_SIGNALS:
    // Kind 0 ... 4, in button order.
    void kindChosen(int kind);
};

}  // namespace zorvik::ui
