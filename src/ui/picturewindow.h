#pragma once

#include <QWidget>
#include <array>
#include <memory>

#include "library/picturebrowser.h"

class QLabel;
class QPushButton;
class QTabWidget;

namespace zorvik::app {
class Station;
}

namespace zorvik::ui {

class PictureDecoder;
class PicturePane;
class TForm1;

// Picture browser: six library pictures at a time from one theme, paged with
// "上一页 " and "下一页 "; a click selects a picture, a double-click adds it
// to the active order list. Created at start-up, hidden and shown again with
// its state kept.
class TTuForm final : public QWidget {
    Q_OBJECT
public:
    // The main window's category tab that opens this window ("图片").
    static constexpr int kCategoryTab = 4;

    explicit TTuForm(app::Station& station, QWidget* parent = nullptr);
    ~TTuForm() override;

    // As the "图片" tab shows it: the theme listed afresh, the window raised.
    void showBrowser();

    PicturePane* pane(int index) const { return panes_[static_cast<size_t>(index)]; }
    QTabWidget* themePages() const { return themePages_; }
    QPushButton* themeButton(int page, int index) const;
    QPushButton* previousButton() const { return previousButton_; }
    QPushButton* nextButton() const { return nextButton_; }
    QPushButton* backButton() const { return backButton_; }
    QLabel* positionLabel() const { return positionLabel_; }

protected:
    // Stands in for the application-wide mouse hook: the panes' clicks are
    // seen, and taken, before the panes get them.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildPanes();
    void buildThemePages();
    void buildPaging();
    void connectBrowser();
    int paneIndex(QObject* watched) const;

    app::Station& station_;
    library::PictureBrowser& browser_;
    // Goes before the panes it reports to.
    std::unique_ptr<PictureDecoder> decoder_;
    std::array<PicturePane*, library::kPicturePaneCount> panes_{};
    QTabWidget* themePages_ = nullptr;
    QPushButton* previousButton_ = nullptr;
    QPushButton* nextButton_ = nullptr;
    QPushButton* backButton_ = nullptr;
    QLabel* positionLabel_ = nullptr;
    bool placed_ = false;
};

// A press on the main window's "图片" tab shows the picture browser, after
// the tab's own handling.
void openPicturesFromCategoryTab(TForm1& mainWindow, TTuForm& pictures);

}  // namespace zorvik::ui
