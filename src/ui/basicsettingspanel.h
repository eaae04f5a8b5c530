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

    // Below settings box n: the folder that library drive n's letter names.
    const std::array<QLabel*, 6>& driveFolderLabels() const { return folderLabels_; }

    // How an open-library button shows a folder; platform::openFolder
    // unless replaced (tests watch what would be opened).
    using FolderOpener = std::function<bool(const std::string& drivePath)>;
    void setFolderOpener(FolderOpener opener) { openFolder_ = std::move(opener); }

    // Shows the folder each library drive's letter names, as the drive table has it now.
    void showDriveFolders();

protected:
    void showEvent(QShowEvent* event) override;
    // Tab goes round the panel's own controls: the window's lie under it.
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void driveBoxChanged(int index, const QString& text);
    // The operator has settled on settings box n's text (Enter, a choice
    // in its list, leaving it): a letter that names no folder is offered a
    // folder to name, once for each time the box takes that letter.
    void driveBoxChosen(int index);
    void openLibrary(int index);

    app::Station& station_;
    SearchPanel& quickDrives_;
    std::array<QComboBox*, 6> driveBoxes_{};
    std::array<QPushButton*, 6> openButtons_{};
    std::array<QLabel*, 6> folderLabels_{};
    std::array<char, 6> offered_{};  // the letter each box was last offered a folder for
    QComboBox* inputMethodBox_;
    QPushButton* doneButton_;
    QLabel* folderTreePicture_;
    QPlainTextEdit* instructions_;
    FolderOpener openFolder_;
};

}  // namespace zorvik::ui
