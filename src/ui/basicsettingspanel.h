#pragma once

#include <QFrame>
#include <QImage>
#include <QSize>

#include <array>
#include <functional>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace zorvik::app {
class Station;
}

namespace zorvik::ui {

class SearchPanel;

// The basic-settings panel "基 本 设 置": it covers the main window's client
// area while the shop chooses its library drives and input method. Hidden
// when created; shown at start-up with no drive configured and by "基本设置".
class BasicSettingsPanel final : public QFrame {
    Q_OBJECT
public:
    // Size of the folder tree picture the build draws (tools/foldertreegen.cpp).
    static constexpr QSize kFolderTreeSize{260, 440};
    // The folder tree picture, decoded from the program's resources.
    static QImage folderTreeImage();

    // `client`: the main window's client area. `quickDrives`: the search
    // group, whose quick drive boxes follow the settings boxes.
    // `inputMethods`: the names of the installed input methods.
    BasicSettingsPanel(app::Station& station, SearchPanel& quickDrives,
                       const std::vector<std::string>& inputMethods, QWidget* client);

    // Shows the panel over everything else in the window.
    void showOverWindow();

    // Settings box n (0 ... 5): ComboBox6, 7, 8, 19, 23, 24.
    const std::array<QComboBox*, 6>& driveBoxes() const { return driveBoxes_; }
    const std::array<QPushButton*, 6>& openButtons() const { return openButtons_; }
    QComboBox* inputMethodBox() const { return inputMethodBox_; }
    QPushButton* doneButton() const { return doneButton_; }
    QLabel* folderTreePicture() const { return folderTreePicture_; }
    QPlainTextEdit* instructions() const { return instructions_; }

    // How an open-library button shows a folder; platform::openFolder
    // unless replaced (tests watch what would be opened).
    using FolderOpener = std::function<bool(const std::string& drivePath)>;
    void setFolderOpener(FolderOpener opener) { openFolder_ = std::move(opener); }

protected:
    void showEvent(QShowEvent* event) override;
    // Tab goes round the panel's own controls: the window's lie under it.
    bool focusNextPrevChild(bool next) override;

private:
    void driveBoxChanged(int index, const QString& text);
    void openLibrary(int index);

    app::Station& station_;
    SearchPanel& quickDrives_;
    std::array<QComboBox*, 6> driveBoxes_{};
    std::array<QPushButton*, 6> openButtons_{};
    QComboBox* inputMethodBox_;
    QPushButton* doneButton_;
    QLabel* folderTreePicture_;
    QPlainTextEdit* instructions_;
    FolderOpener openFolder_;
};

}  // namespace zorvik::ui
