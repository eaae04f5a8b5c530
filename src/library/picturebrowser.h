#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "library/layout.h"
#include "platform/drives.h"

// The picture browser's rules, apart from any widget: which pictures a theme
// holds, the six panes paged over them with one cursor for both directions,
// the position label, and which pane a click selects.
namespace zorvik::library {

inline constexpr int kPicturePaneCount = 6;
// Only library drives 1 to 4 hold the pictures shown here.
inline constexpr int kPictureDriveCount = 4;
// The cursor starts somewhere in the first twenty pictures.
inline constexpr int kPictureStartLimit = 20;

// In the data folder: the animation the panes show before any theme, and the
// marker file that leaves them blank instead.
inline constexpr std::string_view kPlaceholderPicture = "Brask搜歌.gif";
inline constexpr std::string_view kBlankPanesMarker = "美女.txt";

inline constexpr std::string_view kLargePicturesPage = "大图";
inline constexpr std::string_view kSmallPicturesPage = "小图";
// The theme a page of the tab control, and the window's Show, start with.
inline constexpr std::string_view kLargeBeauties = "5-图片\\大图\\美女";
inline constexpr std::string_view kSmallBeauties = "5-图片\\小图\\美女";

inline constexpr std::string_view kAtFirstPicture = "已到最前";
inline constexpr std::string_view kAtLastPicture = "已到最后";

struct PictureThemeButton {
    std::string_view caption;  // blanks and ideographic spaces as the buttons show them
    std::string_view folder;   // relative to a library root
};
// The eleven theme buttons of the "大图" page and of the "小图" page.
extern const std::array<PictureThemeButton, 11> kLargePictureThemes;
extern const std::array<PictureThemeButton, 11> kSmallPictureThemes;

// Library roots of drives 1 to 4, in drive order, leaving out empty boxes.
std::vector<std::string> pictureRoots(const LibraryDrives& drives);
// Every entry of each root's theme folder but "." and "..", root by root, in
// the order the folder is listed; no filter by extension.
std::vector<std::string> listPictureTheme(const platform::DriveTable& drives, const std::vector<std::string>& roots,
                                          std::string_view themeFolder);

class PictureBrowser final : public QObject {
    Q_OBJECT
public:
    // dataFolder: native, with a trailing slash. The cursor starts at random.
    PictureBrowser(const platform::DriveTable& drives, std::string dataFolder, QObject* parent = nullptr);

    // The window is shown: roots afresh from drives 1 to 4, the panes back to
    // the animation (unless the marker file says blank), and the large
    // beauties listed from the kept cursor.
    void show(const LibraryDrives& drives);
    // A theme button or a page of the tab control: lists `themeFolder` and
    // shows the page from the cursor.
    void listTheme(std::string_view themeFolder);
    // "下一页 " and "上一页 ": nothing while the theme is empty.
    void nextPage();
    void previousPage();

    // A left press on pane k (0 ... 5): selects its picture and marks it.
    // False while the panes are not ready: the press then goes on to the pane.
    bool press(int pane);
    // A double-click on a pane asks for the selected picture to be added.
    bool doubleClick();
    // Pane k finished loading what it was told to show.
    void paneLoaded(int pane);

    int cursor() const { return cursor_; }
    void setCursor(int cursor) { cursor_ = cursor; }
    const std::vector<std::string>& roots() const { return roots_; }
    const std::string& themeFolder() const { return theme_; }
    const std::vector<std::string>& pictures() const { return pictures_; }
    const std::string& panePath(int pane) const { return panes_[static_cast<size_t>(pane)]; }
    // Empty until a pane holding a picture of a theme was pressed.
    const std::string& selected() const { return selected_; }
    int markedPane() const { return marked_; }
    bool ready() const { return ready_; }
    QString positionText() const { return position_; }
    bool previousEnabled() const { return previousEnabled_; }
    std::string placeholder() const { return dataFolder_ + std::string(kPlaceholderPicture); }

Q_SIGNALS:
    // Pane k is to show the file at `path` (a program path).
    void paneChanged(int pane, const QString& path);
    void markedPaneChanged(int pane);  // -1: no pane marked
    void positionChanged(const QString& text);
    void previousEnabledChanged(bool enabled);
    // The first or the last picture of the theme was reached (sound cue 5).
    void endReached();
    void addRequested(const QString& path);

private:
    void pageForward();
    void pageBackward();
    void setPane(int pane, const std::string& path);
    void setPosition(std::string_view text);

    const platform::DriveTable& drives_;
    std::string dataFolder_;
    std::vector<std::string> roots_;
    std::string theme_;
    std::vector<std::string> pictures_;
    // The next picture a forward page shows; both directions share it.
    // pictures_.size() after the last picture was shown, -1 after the first.
    int cursor_;
    std::array<std::string, kPicturePaneCount> panes_;
    std::string selected_;
    int marked_ = -1;
    bool ready_ = false;
    bool previousEnabled_ = false;
    QString position_ = QStringLiteral("0");
};

}  // namespace zorvik::library
