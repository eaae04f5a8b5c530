#pragma once

#include <QMainWindow>
#include <string>
#include <vector>

#include "ui/layoutrules.h"

class QFrame;
class QLabel;
class QPushButton;

namespace zorvik::app {
class Station;
}

namespace zorvik::ui {

class BasicSettingsPanel;
class BrowsePanel;
class CategoryTabs;
class NewArrivalsBar;
class FileManagerPanel;
class IntroList;
class OrderPanel;
class PanelLinks;
class PlayerPanel;
class ResultsPanel;
class SearchPanel;
class SkinMenu;
class TallyBox;

// The main window: fixed regions at the places the shop knows, each region
// filled by its subsystem's panel. It forwards its life-cycle events to the
// station and shows what the station reports.
class TForm1 final : public QMainWindow {
    Q_OBJECT
public:
    // inputMethods: the input methods set up on this machine, asked once at
    // start for this window and the parameters window alike.
    explicit TForm1(app::Station& station, QWidget* parent = nullptr);
    TForm1(app::Station& station, const std::vector<std::string>& inputMethods, QWidget* parent = nullptr);
    ~TForm1() override;

    // How long the exit sound still plays after the window has closed.
    int exitLingerMs() const { return exitLingerMs_; }

    BasicSettingsPanel* basicSettingsPanel() const { return basicSettingsPanel_; }
    QLabel* diskDLabel() const { return diskDLabel_; }
    QLabel* diskLine() const { return diskLine_; }
    CategoryTabs* categoryTabs() const { return categoryTabs_; }
    SearchPanel* searchPanel() const { return searchPanel_; }
    ResultsPanel* resultsPanel() const { return resultsPanel_; }
    FileManagerPanel* fileManagerPanel() const { return fileManagerPanel_; }
    QPushButton* cleanLocalFolderButton() const { return cleanLocalFolder_; }
    OrderPanel* orderPanel() const { return orderPanel_; }
    TallyBox* tallyBox() const { return tallyBox_; }
    BrowsePanel* browsePanel() const { return browsePanel_; }
    NewArrivalsBar* newArrivalsBar() const { return newArrivalsBar_; }
    PanelLinks* panelLinks() const { return panelLinks_; }
    PlayerPanel* playerPanel() const { return playerPanel_; }
    IntroList* introList() const { return introList_; }
    SkinMenu* skinMenu() const { return skinMenu_; }
    const WindowLayout& windowLayout() const { return layout_; }

    // The size with frame and title bar, as the window's size rules see it.
    OuterSize outerSize() const;
    void resizeOuter(int width, int height);

Q_SIGNALS:
    // "参数设置" in the window menu.
    void parametersRequested();
    // "CD目录打印" in the window menu.
    void cdCatalogueRequested();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildRegions(const std::vector<std::string>& inputMethods);
    void connectStation();
    void connectBrowsing();
    void registerLayout(QWidget* leftPanel, QWidget* diskD, QWidget* categories);

    app::Station& station_;
    bool shown_ = false;
    int exitLingerMs_ = 0;

    BasicSettingsPanel* basicSettingsPanel_ = nullptr;
    QLabel* diskDLabel_ = nullptr;
    CategoryTabs* categoryTabs_ = nullptr;
    SearchPanel* searchPanel_ = nullptr;
    ResultsPanel* resultsPanel_ = nullptr;
    FileManagerPanel* fileManagerPanel_ = nullptr;
    QPushButton* cleanLocalFolder_ = nullptr;
    OrderPanel* orderPanel_ = nullptr;
    TallyBox* tallyBox_ = nullptr;
    BrowsePanel* browsePanel_ = nullptr;
    NewArrivalsBar* newArrivalsBar_ = nullptr;
    PlayerPanel* playerPanel_ = nullptr;
    QLabel* statusPanel1_ = nullptr;
    QLabel* diskLine_ = nullptr;
    QLabel* statusPanel2_ = nullptr;
    PanelLinks* panelLinks_ = nullptr;
    IntroList* introList_ = nullptr;
    SkinMenu* skinMenu_ = nullptr;
    WindowLayout layout_;
};

}  // namespace zorvik::ui
