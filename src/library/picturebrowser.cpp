#include "library/picturebrowser.h"

#include <QRandomGenerator>

#include "platform/fileops.h"

namespace zorvik::library {

const std::array<PictureThemeButton, 11> kLargePictureThemes{{
    {"美  女 ", "5-图片\\大图\\美女"},
    {"风  景 ", "5-图片\\大图\\风景"},
    {"爱  情 ", "5-图片\\大图\\爱情"},
    {"幽默搞笑 ", "5-图片\\大图\\幽默搞笑"},
    {"激  情", "5-图片\\大图\\激情"},
    {"动漫卡通 ", "5-图片\\大图\\动漫卡通"},
    {"美男", "5-图片\\大图\\美男"},
    {"节日祝福", "5-图片\\大图\\节日祝福"},
    {"非 主 流", "5-图片\\大图\\非主流"},
    {"名 车", "5-图片\\大图\\名车"},
    {"另\u3000类", "5-图片\\大图\\另类"},
}};

const std::array<PictureThemeButton, 11> kSmallPictureThemes{{
    {"美\u3000女", "5-图片\\小图\\美女"},
    {"风  景 ", "5-图片\\小图\\风景"},
    {"爱  情 ", "5-图片\\小图\\爱情"},
    {"幽默搞笑 ", "5-图片\\小图\\幽默搞笑"},
    {"激  情", "5-图片\\小图\\激情"},
    {"动漫卡通", "5-图片\\小图\\动漫卡通"},
    {"美男", "5-图片\\小图\\美男"},
    {"节日祝福", "5-图片\\小图\\节日祝福"},
    {"非主流", "5-图片\\小图\\非主流"},
    {"名车", "5-图片\\小图\\名车"},
    {"另类", "5-图片\\小图\\另类"},
}};

std::vector<std::string> pictureRoots(const LibraryDrives& drives) {
    std::vector<std::string> roots;
    for (int n = 0; n < kPictureDriveCount; ++n) {
        const std::string& letter = drives[static_cast<size_t>(n)];
        if (!letter.empty()) roots.push_back(libraryRoot(letter));
    }
    return roots;
}

std::vector<std::string> listPictureTheme(const platform::DriveTable& drives, const std::vector<std::string>& roots,
                                          std::string_view themeFolder) {
    std::vector<std::string> pictures;
    for (const auto& root : roots) {
        const std::string folder = root + std::string(themeFolder) + "\\";
        // A theme folder missing on a drive contributes nothing.
        for (const auto& entry : platform::listFolder(drives, folder)) pictures.push_back(folder + entry.name);
    }
    return pictures;
}

PictureBrowser::PictureBrowser(const platform::DriveTable& drives, std::string dataFolder, QObject* parent)
    : QObject(parent),
      drives_(drives),
      dataFolder_(std::move(dataFolder)),
      cursor_(static_cast<int>(QRandomGenerator::global()->bounded(kPictureStartLimit))) {
    panes_.fill(placeholder());
}

void PictureBrowser::show(const LibraryDrives& drives) {
    roots_ = pictureRoots(drives);
    const std::string animation = placeholder();
    if (!platform::fileExists(dataFolder_ + std::string(kBlankPanesMarker)) && platform::fileExists(animation))
        for (int k = 0; k < kPicturePaneCount; ++k) setPane(k, animation);
    // The animation is no picture of the library: a pane showing it selects nothing.
    selected_ = panes_[0] == animation ? std::string() : panes_[0];
    listTheme(kLargeBeauties);
}

void PictureBrowser::listTheme(std::string_view themeFolder) {
    theme_ = themeFolder;
    pictures_ = listPictureTheme(drives_, roots_, theme_);
    pageForward();
}

void PictureBrowser::nextPage() {
    if (!pictures_.empty()) pageForward();
}

void PictureBrowser::previousPage() {
    if (!pictures_.empty()) pageBackward();
}

// Panes 1 to 6 take the pictures from the cursor on, up to the theme's last
// picture; the panes after it keep what they show.
void PictureBrowser::pageForward() {
    if (!previousEnabled_) {
        previousEnabled_ = true;
        Q_EMIT previousEnabledChanged(true);
    }
    const int count = static_cast<int>(pictures_.size());
    if (cursor_ == -1) cursor_ = 0;  // the first picture was reached going back
    bool atEnd = false;
    if (cursor_ < 0 || cursor_ >= count) {
        // A cursor outside this theme (a larger theme before it, the random
        // start) shows nothing new; going back starts from the last picture.
        cursor_ = count;
        atEnd = true;
    } else {
        for (int k = 0; k < kPicturePaneCount && !atEnd; ++k) {
            setPane(k, pictures_[static_cast<size_t>(cursor_)]);
            atEnd = ++cursor_ == count;
        }
    }
    setPosition(atEnd ? kAtLastPicture : std::string_view());
    if (atEnd) Q_EMIT endReached();
}

// Panes 6 down to 1 take the pictures from the cursor back, down to the
// first picture; the panes before it keep what they show.
void PictureBrowser::pageBackward() {
    const int count = static_cast<int>(pictures_.size());
    if (cursor_ >= count) cursor_ = count - 1;  // past the end: the last picture first
    bool atStart = cursor_ < 0;
    if (atStart) {
        cursor_ = -1;
    } else {
        for (int k = kPicturePaneCount - 1; k >= 0 && !atStart; --k) {
            setPane(k, pictures_[static_cast<size_t>(cursor_)]);
            atStart = --cursor_ < 0;
        }
    }
    // A theme of one picture is at its first and its last at once.
    setPosition(!atStart ? std::string_view() : count == 1 ? kAtLastPicture : kAtFirstPicture);
    if (atStart) Q_EMIT endReached();
}

bool PictureBrowser::press(int pane) {
    if (!ready_ || pane < 0 || pane >= kPicturePaneCount) return false;
    const std::string& path = panes_[static_cast<size_t>(pane)];
    if (path == placeholder()) {
        selected_.clear();
        if (marked_ != -1) Q_EMIT markedPaneChanged(marked_ = -1);
        return true;
    }
    selected_ = path;
    marked_ = pane;
    Q_EMIT markedPaneChanged(pane);
    return true;
}

bool PictureBrowser::doubleClick() {
    if (!ready_) return false;
    if (!selected_.empty()) Q_EMIT addRequested(QString::fromStdString(selected_));
    return true;
}

void PictureBrowser::paneLoaded(int pane) {
    if (pane == 0) ready_ = true;
}

void PictureBrowser::setPane(int pane, const std::string& path) {
    panes_[static_cast<size_t>(pane)] = path;
    // A pane told to show something anew drops its selection mark.
    if (marked_ == pane) Q_EMIT markedPaneChanged(marked_ = -1);
    Q_EMIT paneChanged(pane, QString::fromStdString(path));
}

void PictureBrowser::setPosition(std::string_view text) {
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (shown == position_) return;
    position_ = shown;
    Q_EMIT positionChanged(position_);
}

}  // namespace zorvik::library
