#include "ui/mainwindow.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDesktopServices>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QTableView>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QPushButton>
#include <QShortcut>
#include <QScreen>
#include <QProgressBar>
#include <QTreeView>

#include "app/station.h"
#include "core/makerpages.h"
#include "platform/shell.h"
#include "platform/inputmethods.h"
#include "ui/basicsettingspanel.h"
#include "ui/browsepanel.h"
#include "ui/categorytabs.h"
#include "ui/controlmanners.h"
#include "ui/filemanagerpanel.h"
#include "ui/introlist.h"
#include "ui/orderpanel.h"
#include "ui/panellinks.h"
#include "ui/playerpanel.h"
#include "ui/resultspanel.h"
#include "ui/tallybox.h"
#include "ui/searchpanel.h"
#include "ui/skinmenu.h"
#include "ui/skins.h"
#include "ui/texts.h"

namespace zorvik::ui {

namespace {

// The designed outer size, and the frame and title bar of the shop's
// desktop that the size rules count in.
constexpr QSize kOuterSize{1018, 723};
constexpr QSize kUsualFrame{8, 38};

QFrame* region(QWidget* parent, const char* name, QRect bounds, bool shown = true) {
    auto* frame = new QFrame(parent);
    frame->setObjectName(QLatin1String(name));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setGeometry(bounds);
    frame->setVisible(shown);
    return frame;
}

QGroupBox* group(QWidget* parent, const char* name, const QString& title, QRect bounds) {
    auto* box = new QGroupBox(title, parent);
    box->setObjectName(QLatin1String(name));
    box->setGeometry(bounds);
    return box;
}

}  // namespace

TForm1::TForm1(app::Station& station, QWidget* parent)
    : TForm1(station, platform::installedInputMethods(), parent) {}

TForm1::TForm1(app::Station& station, const std::vector<std::string>& inputMethods, QWidget* parent)
    : QMainWindow(parent), station_(station) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(texts::kMainTitle);
    resize(kOuterSize - kUsualFrame);
    Skins::applyDefaultLook();  // until the saved skin is applied at the first show
    // 宋体 16 px; Linux has no SimSun, so a CJK face of like metrics stands in.
    QFont look;
    look.setFamilies({QStringLiteral("SimSun"), QStringLiteral("宋体"), QStringLiteral("WenQuanYi Zen Hei"),
                      QStringLiteral("Noto Sans CJK SC")});
    look.setPixelSize(16);
    setFont(look);
    skinMenu_ = new SkinMenu(station_.settings(), this);
    pressFocusedButtonsOnEnter();
    buildRegions(inputMethods);
    fitButtonCaptions(this);
    connectStation();
    connectBrowsing();
    station_.create();
}

TForm1::~TForm1() { station_.destroy(); }

void TForm1::buildRegions(const std::vector<std::string>& inputMethods) {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    auto* left = region(client, "leftPanel", {0, -8, 201, 601});
    // The foot of the left panel stays free for the links.
    playerPanel_ = new PlayerPanel(station_, left);
    playerPanel_->setGeometry(0, 0, 201, 562);
    auto* diskD = group(client, "diskDGroup", QStringLiteral("D盘信息"), {8, 584, 185, 76});
    diskDLabel_ = new QLabel(diskD);
    diskDLabel_->setObjectName(QStringLiteral("diskDLabel"));
    diskDLabel_->setGeometry(8, 20, 170, 20);
    cleanLocalFolder_ = new QPushButton(QStringLiteral("删除多余文件"), diskD);
    cleanLocalFolder_->setGeometry(8, 44, 110, 24);

    // The category tabs hold the search group and the results group.
    auto* categories = new QWidget(client);
    categories->setObjectName(QStringLiteral("categoryRegion"));
    categories->setGeometry(200, 0, 801, 617);
    categoryTabs_ = new CategoryTabs(categories);
    categoryTabs_->setGeometry(0, 0, 801, 36);
    QFont captions = font();
    captions.setPixelSize(14);  // four characters to a 65-pixel tab
    categoryTabs_->setFont(captions);
    searchPanel_ = new SearchPanel(station_, categories);
    searchPanel_->setGeometry(0, 48, 521, 89);
    resultsPanel_ = new ResultsPanel(station_, categories);
    resultsPanel_->setGeometry(0, 136, 521, 481);
    // Under the file manager, which takes the group over when it is opened.
    introList_ = new IntroList(resultsPanel_);
    introList_->setGeometry(0, 16, 521, 441);
    connect(&station_.results(), &library::ResultList::countChanged, introList_, &IntroList::resultCountChanged);
    // A search under way, or the file manager brought forward, puts the instructions away.
    connect(&station_.search(), &search::SearchController::searchAccepted, introList_, &QWidget::hide);
    connect(&station_.fileManager(), &storage::FileManager::forwardChanged, introList_, [this](bool forward) {
        if (forward) introList_->hide();
    });
    fileManagerPanel_ = new FileManagerPanel(station_, *resultsPanel_);

    browsePanel_ = new BrowsePanel(station_, client);
    browsePanel_->setGeometry(200, 488, 521, 145);
    newArrivalsBar_ = new NewArrivalsBar(client);
    newArrivalsBar_->setGeometry(200, 624, 521, 33);
    orderPanel_ = new OrderPanel(station_, client);
    tallyBox_ = new TallyBox(station_.tally(), client);
    tallyBox_->setGeometry(736, 440, 257, 145);
    tallyBox_->raise();
    diskLine_ = tallyBox_->diskLine();
    // Every repaint of the window brings the disk space line up to date.
    client->installEventFilter(this);
    // The search box's input method follows its focus.
    searchPanel_->searchBox()->installEventFilter(this);
    region(client, "folderPicker", {808, 136, 153, 241}, false);
    basicSettingsPanel_ = new BasicSettingsPanel(station_, *searchPanel_, inputMethods, client);
    basicSettingsPanel_->hide();

    // The maker's links at the foot of the left panel, over whatever the panel holds
    // (the basic-settings panel raises itself over everything when shown).
    panelLinks_ = new PanelLinks(client);
    panelLinks_->setGeometry(8, 566, 185, 18);
    // Three links side by side fit the panel's width only in a smaller type.
    QFont small = font();
    small.setPixelSize(13);
    panelLinks_->setFont(small);
    connect(panelLinks_, &PanelLinks::homePageRequested, this, [this] {
        QDesktopServices::openUrl(core::makerPages(station_.settings(), station_.folders()).home);
    });

    auto* first = new QLabel(statusBar());
    statusPanel1_ = first;
    first->setObjectName(QStringLiteral("statusPanel1"));
    first->setFixedWidth(400);
    auto* second = new QLabel(statusBar());
    statusPanel2_ = second;
    second->setObjectName(QStringLiteral("statusPanel2"));
    second->setFixedWidth(450);
    statusBar()->addWidget(first);
    statusBar()->addWidget(second);
    statusBar()->setFixedHeight(19);
    registerLayout(left, diskD, categories);
}

void TForm1::registerLayout(QWidget* leftPanel, QWidget* diskD, QWidget* categories) {
    auto& l = layout_;
    l.add(Piece::Links, panelLinks_);
    l.add(Piece::LeftPanel, leftPanel);
    l.add(Piece::PlayerPanel, playerPanel_);
    l.add(Piece::DiskDGroup, diskD);
    l.add(Piece::Playlist, playerPanel_->playlistBox());
    l.add(Piece::NewArrivalsBar, newArrivalsBar_);
    l.add(Piece::BrowsePanel, browsePanel_);
    l.add(Piece::CategoryTabs, categories);
    l.add(Piece::ResultsGroup, resultsPanel_);
    l.add(Piece::ResultsFootLabels, resultsPanel_->countLabel());
    l.add(Piece::ResultsFootLabels, fileManagerPanel_->folderLabel());
    for (QWidget* b : std::initializer_list<QWidget*>{(resultsPanel_->newArrivalsButton()), resultsPanel_->hotRankingButton(),
                       resultsPanel_->browseButton(), fileManagerPanel_->localDiskButton(),
                       fileManagerPanel_->removableDiskButton()})
        l.add(Piece::ResultsFootButtons, b);
    for (QWidget* w : std::initializer_list<QWidget*>{(introList_), resultsPanel_->resultView(), fileManagerPanel_,
                       fileManagerPanel_->fileList()})
        l.add(Piece::ResultsLists, w);
    l.add(Piece::FolderTree, fileManagerPanel_->folderTree());
    l.add(Piece::OrderTabs, orderPanel_->tabs());
    l.add(Piece::TallyBox, tallyBox_);
    l.add(Piece::OrderView, orderPanel_->view());
    for (int n = 1; n <= 5; ++n) {
        l.add(Piece::CopyAnimations, orderPanel_->page(n).animation);
        l.add(Piece::ProgressGroups, orderPanel_->page(n).progressGroup);
        l.add(Piece::ProgressBars, orderPanel_->page(n).bar);
    }
}

// The regions are placed in the client area for the shop's frame and title
// bar, whatever the desktop draws around it (nothing, on a bare X server), so
// every rule keeps its place on every desktop.
OuterSize TForm1::outerSize() const {
    return {width() + kUsualFrame.width(), height() + kUsualFrame.height()};
}

void TForm1::resizeOuter(int width, int height) {
    resize(width - kUsualFrame.width(), height - kUsualFrame.height());
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    const OuterSize outer = outerSize();
    if (auto snapped = WindowLayout::snappedHeight(outer.height)) {
        resizeOuter(outer.width, *snapped);  // the new size lays the window out
        return;
    }
    layout_.apply(outer);
}

void TForm1::connectStation() {
    connect(&station_, &app::Station::basicSettingsRequested, basicSettingsPanel_,
            &BasicSettingsPanel::showOverWindow);
    connect(&station_, &app::Station::diskDTextChanged, diskDLabel_,
            [this](const QString& text) { setWholeText(diskDLabel_, text); });
    connect(&station_, &app::Station::savedSkinRequested, skinMenu_, &SkinMenu::restoreSaved);
    connect(cleanLocalFolder_, &QPushButton::clicked, &station_.localFolder(),
            &storage::LocalFolderUpkeep::deleteSuperfluousFiles);
    connect(&station_, &app::Station::messageRequested, this, [this](const QString& text) {
        QMessageBox::information(this, texts::kApplicationTitle, text);
    });
    connect(&station_.cues(), &player::CuePlayer::failed, this, [this](const QString& message) {
        QMessageBox::critical(this, texts::kApplicationTitle, message);
    });

    auto showDiskLine = [this](const QString& text, bool notice) {
        diskLine_->setText(text);
        diskLine_->setStyleSheet(notice ? QStringLiteral("color: red;") : QString());  // else the skin's text colour
    };
    showDiskLine(station_.removableDrives().diskText(), station_.removableDrives().showsDiskNotice());
    connect(&station_.removableDrives(), &storage::RemovableDrives::diskTextChanged, this, showDiskLine);
    // Clicks elsewhere put the folder picker away.
    connect(resultsPanel_->resultView(), &QAbstractItemView::pressed, orderPanel_, &OrderPanel::hideFolderPicker);
    connect(&station_, &app::Station::statusText, statusPanel1_, &QLabel::setText);
    // "PL" / "XZ": only the player in view, or the whole window again.
    connect(playerPanel_, &PlayerPanel::windowWidthRequested, this,
            [this](int width) { resizeOuter(width, outerSize().height); });
    connect(orderPanel_, &OrderPanel::secondPanelText, statusPanel2_, &QLabel::setText);

    auto& search = station_.search();
    connect(categoryTabs_, &QTabBar::currentChanged, &search,
            [&search](int tab) { search.selectTab(tab); });
    connect(&search, &search::SearchController::tabChanged, categoryTabs_, [this](int tab) {
        if (tab >= 0) categoryTabs_->setCurrentIndex(tab);
    });
    connect(categoryTabs_, &CategoryTabs::pressed, this, [this, &search] {
        browsePanel_->hide();
        newArrivalsBar_->hide();
        introList_->hide();
        resultsPanel_->showFullHeight();
        search.tabPressed();
    });
    // Enter anywhere in the window searches, while searching is possible.
    for (auto key : {Qt::Key_Return, Qt::Key_Enter}) {
        auto* enter = new QShortcut(QKeySequence(key), this);
        connect(enter, &QShortcut::activated, searchPanel_, &SearchPanel::startSearch);
        connect(&station_.listings(), &library::Listings::searchEnabledChanged, enter,
                &QShortcut::setEnabled);
    }
}

void TForm1::connectBrowsing() {
    // The views that take the result list over put the browse panel away.
    auto fullList = [this] {
        orderPanel_->hideFolderPicker();
        browsePanel_->hide();
        resultsPanel_->showFullHeight();
    };
    connect(resultsPanel_->browseButton(), &QPushButton::clicked, this, [this] {
        station_.categories().openPanel();
        newArrivalsBar_->hide();
        browsePanel_->showPanel();
        resultsPanel_->showShortened();
    });
    connect(resultsPanel_->newArrivalsButton(), &QPushButton::clicked, newArrivalsBar_, &QWidget::show);
    connect(newArrivalsBar_, &NewArrivalsBar::kindChosen, this, [this, fullList](int kind) {
        fullList();
        station_.readyListings().showNewArrivals(kind);
    });
    connect(resultsPanel_->hotRankingButton(), &QPushButton::clicked, this, [this, fullList] {
        if (station_.readyListings().showHotRanking()) fullList();
    });
}

void TForm1::contextMenuEvent(QContextMenuEvent* event) {
    // The window menu, on the background and on controls without a menu of their own.
    QMenu menu(this);
    connect(menu.addAction(QStringLiteral("操作教程")), &QAction::triggered, this,
            [this] { platform::openFolder(station_.driveTable(), station_.folders().program + "操作教程/"); });
    menu.addSeparator();
    menu.addMenu(skinMenu_);
    menu.addSeparator();
    connect(menu.addAction(QStringLiteral("参数设置")), &QAction::triggered, this,
            &TForm1::parametersRequested);
    menu.addSeparator();
    connect(menu.addAction(QStringLiteral("基本设置")), &QAction::triggered, basicSettingsPanel_,
            &BasicSettingsPanel::showOverWindow);
    connect(menu.addAction(QStringLiteral("CD目录打印")), &QAction::triggered, this, [this] {
        Q_EMIT cdCatalogueRequested();
        station_.cues().request(core::Cues::Select);
    });
    menu.addSeparator();
    connect(menu.addAction(QStringLiteral("最小化")), &QAction::triggered, this, &QWidget::showMinimized);
    connect(menu.addAction(QStringLiteral("关闭")), &QAction::triggered, this, &QWidget::close);
    menu.exec(event->globalPos());
}

void TForm1::mousePressEvent(QMouseEvent* event) {
    // A click on the window background puts away what lies over the result list.
    orderPanel_->hideFolderPicker();
    resultsPanel_->placeResultList();
    browsePanel_->hide();
    newArrivalsBar_->hide();
    QMainWindow::mousePressEvent(event);
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) station_.removableDrives().requestDiskSpaceLine();
    if (watched == searchPanel_->searchBox() && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        // Its own drop-down list taking the focus for a moment is no leaving.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::PopupFocusReason) {
            if (event->type() == QEvent::FocusIn)
                station_.searchInputMethod().focusIn();
            else
                station_.searchInputMethod().focusOut(reason == Qt::ActiveWindowFocusReason);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shown_) return;
    shown_ = true;
    // Centred on the screen, with the frame the desktop really draws.
    if (const QScreen* screen = this->screen()) {
        QRect frame(QPoint(), frameGeometry().size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    station_.firstShow();
}

void TForm1::closeEvent(QCloseEvent* event) {
    exitLingerMs_ = station_.closeQuery();
    station_.close();
    event->accept();
}

}  // namespace zorvik::ui
