#pragma once

#include <QMainWindow>
#include <array>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QTabWidget;

namespace zorvik::app {
class Station;
}

namespace zorvik::ui {

// The main window: fixed regions at the places the shop knows, each region
// filled by its subsystem's panel. It forwards its life-cycle events to the
// station and shows what the station reports.
class TForm1 final : public QMainWindow {
    Q_OBJECT
public:
    explicit TForm1(app::Station& station, QWidget* parent = nullptr);
    ~TForm1() override;

    // How long the exit sound still plays after the window has closed.
    int exitLingerMs() const { return exitLingerMs_; }

    QFrame* basicSettingsPanel() const { return basicSettingsPanel_; }
    QLabel* readyLabel() const { return readyLabel_; }
    QLabel* secondsLabel() const { return secondsLabel_; }
    QLabel* diskDLabel() const { return diskDLabel_; }
    const std::array<QComboBox*, 6>& quickDriveBoxes() const { return quickDriveBoxes_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildRegions();
    void connectStation();

    app::Station& station_;
    bool shown_ = false;
    int exitLingerMs_ = 0;

    QFrame* basicSettingsPanel_ = nullptr;
    QLabel* readyLabel_ = nullptr;
    QLabel* secondsLabel_ = nullptr;
    QLabel* diskDLabel_ = nullptr;
    std::array<QComboBox*, 6> quickDriveBoxes_{};
};

}  // namespace zorvik::ui
