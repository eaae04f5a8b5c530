#pragma once

#include <QStringList>
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
    QPushButton* webSearchButton() const { return webSearchButton_; }
    QPushButton* resourceButton() const { return resourceButton_; }
    QLabel* readyLabel() const { return readyLabel_; }
    QLabel* secondsLabel() const { return secondsLabel_; }
    const std::array<QComboBox*, 6>& quickDriveBoxes() const { return quickDriveBoxes_; }

    // Starts a search from the box's text (button, Enter anywhere).
    void startSearch();
    // The search box takes the focus with its whole text selected.
    void focusSearchBox();
    // Quick drive box n (0 ... 5) shows a drive chosen elsewhere (the
    // basic-settings panel) and the walks use it; the box's own change
    // handling does not run.
    void showLibraryDrive(int index, const QString& text);

Q_SIGNALS:
    // "网上搜索": the search box's text, whatever it holds, for the web search window.
    void webSearchRequested(const QString& keyword);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showHistory(const QStringList& items);
    void quickDriveChanged(int index, const QString& text);

    app::Station& station_;
    QComboBox* searchBox_;
    QCheckBox* numberMode_;
    QCheckBox* syncDownload_;
    QPushButton* searchButton_;
    QLabel* readyLabel_;
    QLabel* secondsLabel_;
    std::array<QComboBox*, 6> quickDriveBoxes_{};
    QPushButton* webSearchButton_;
    QPushButton* resourceButton_;
};

// A drive box (the quick boxes here, the settings boxes of the basic-settings
// panel): editable, listing a blank and D ... Z, holding one letter that a
// typed letter replaces.
void setUpDriveBox(QComboBox* box);
// Puts a text into a drive box as it is, without running its change handling.
void setDriveBoxTextQuietly(QComboBox* box, const QString& text);

}  // namespace zorvik::ui
