#pragma once

#include <QWidget>

class QLabel;
class QListView;
class QPushButton;
class QScrollBar;

namespace zorvik::app {
class Station;
}

namespace zorvik::ui {

// The preview player in the left panel: title, position, length and state,
// the seek bar, the buttons, the volume bar and the playlist. It shows what
// the player reports and forwards the operator's actions.
class PlayerPanel final : public QWidget {
    Q_OBJECT
public:
    PlayerPanel(app::Station& station, QWidget* parent);

    static constexpr int kCompactWidth = 215;
    static constexpr int kFullWidth = 1024;

    QLabel* title() const { return title_; }
    QLabel* position() const { return position_; }
    QLabel* length() const { return length_; }
    QLabel* state() const { return state_; }
    QScrollBar* seekBar() const { return seekBar_; }
    QScrollBar* volumeBar() const { return volumeBar_; }
    QPushButton* playButton() const { return play_; }
    QPushButton* pauseButton() const { return pause_; }
    QPushButton* stopButton() const { return stop_; }
    QPushButton* compactButton() const { return compact_; }
    QPushButton* fullButton() const { return full_; }
    QListView* playlistBox() const { return playlist_; }

Q_SIGNALS:
    // "PL" and "XZ": the main window's width.
    void windowWidthRequested(int width);

private:
    void build();
    void showDisplay();
    void showPlaylistMenu(const QPoint& at);

    app::Station& station_;
    QLabel* title_ = nullptr;
    QLabel* position_ = nullptr;
    QLabel* length_ = nullptr;
    QLabel* state_ = nullptr;
    QScrollBar* seekBar_ = nullptr;
    QScrollBar* volumeBar_ = nullptr;
    QPushButton* play_ = nullptr;
    QPushButton* pause_ = nullptr;
    QPushButton* stop_ = nullptr;
    QPushButton* compact_ = nullptr;
    QPushButton* full_ = nullptr;
    QListView* playlist_ = nullptr;
};

}  // namespace zorvik::ui
