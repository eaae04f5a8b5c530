#pragma once

#include <QWidget>
#include <array>

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;

namespace zorvik::app {
class Station;
}

namespace zorvik::ui {

// The search group: search box with its history, "编号查找", the search
// button, the six quick drive boxes, the ready label and seconds counter.
class SearchPanel final : public QWidget {
    Q_OBJECT
public:
    SearchPanel(app::Station& station, QWidget* parent);

    QComboBox* searchBox() const { return searchBox_; }
    QCheckBox* numberModeBox() const { return numberMode_; }
    QCheckBox* syncDownloadBox() const { return syncDownload_; }
    QPushButton* searchButton() const { return searchButton_; }
    QLabel* readyLabel() const { return readyLabel_; }
    QLabel* secondsLabel() const { return secondsLabel_; }
    const std::array<QComboBox*, 6>& quickDriveBoxes() const { return quickDriveBoxes_; }

    // Starts a search from the box's text (button, Enter anywhere).
    void startSearch();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    app::Station& station_;
    QComboBox* searchBox_;
    QCheckBox* numberMode_;
    QCheckBox* syncDownload_;
    QPushButton* searchButton_;
    QLabel* readyLabel_;
    QLabel* secondsLabel_;
    std::array<QComboBox*, 6> quickDriveBoxes_{};
};

}  // namespace zorvik::ui
