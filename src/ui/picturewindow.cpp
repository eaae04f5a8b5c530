#include "ui/picturewindow.h"

#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QThread>

#include "app/station.h"
#include "ui/categorytabs.h"
#include "ui/mainwindow.h"
#include "ui/picturedecoder.h"
#include "ui/picturepane.h"

namespace zorvik::ui {

namespace {

constexpr QSize kWindowSize{1000, 742};
constexpr QSize kPaneSize{260, 350};
// Panes in reading order, inside their frame.
constexpr std::array<QPoint, library::kPicturePaneCount> kPanePlaces{
    {{0, 8}, {264, 8}, {528, 8}, {0, 363}, {264, 363}, {528, 363}}};

QString text(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

}  // namespace

TTuForm::TTuForm(app::Station& station, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      station_(station),
      browser_(station.pictures()),
      decoder_(std::make_unique<PictureDecoder>(station.jobs(), station.driveTable(), QThread::idealThreadCount())) {
    setObjectName(QStringLiteral("TuForm"));
    setWindowTitle(QStringLiteral("Zorvik影音 手机图片"));
    setFixedSize(kWindowSize);
    // Only the main window's close ends the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    buildPanes();
    buildThemePages();
    buildPaging();
    connectBrowser();
}

TTuForm::~TTuForm() = default;

void TTuForm::buildPanes() {
    auto* frame = new QFrame(this);
    frame->setObjectName(QStringLiteral("pictureFrame"));
    frame->setFrameShape(QFrame::StyledPanel);
    frame->setGeometry(4, 4, 792, 725);
    for (int k = 0; k < library::kPicturePaneCount; ++k) {
        auto* pane = new PicturePane(k + 1, *decoder_, frame);
        pane->setGeometry(QRect(kPanePlaces[static_cast<size_t>(k)], kPaneSize));
        pane->installEventFilter(this);
        panes_[static_cast<size_t>(k)] = pane;
    }
}

void TTuForm::buildThemePages() {
    themePages_ = new QTabWidget(this);
    themePages_->setObjectName(QStringLiteral("themePages"));
    themePages_->setAccessibleName(QStringLiteral("图片分类"));
    themePages_->setGeometry(800, 12, 129, 697);
    themePages_->tabBar()->setStyleSheet(
        QStringLiteral("QTabBar::tab { width: 60px; height: 40px; padding: 0px; color: red; "
                       "font-size: 16pt; font-weight: bold; }"));
    auto addPage = [this](std::string_view caption, const auto& themes) {
        auto* page = new QWidget;
        for (size_t i = 0; i < themes.size(); ++i) {
            auto* button = new QPushButton(text(themes[i].caption), page);
            button->setGeometry(14, 16 + static_cast<int>(i) * 56, 97, 30);
            connect(button, &QPushButton::clicked, this,
                    [this, folder = themes[i].folder] { browser_.listTheme(folder); });
        }
        themePages_->addTab(page, text(caption));
    };
    addPage(library::kLargePicturesPage, library::kLargePictureThemes);
    addPage(library::kSmallPicturesPage, library::kSmallPictureThemes);
    // Only the operator's change of page lists a theme; building the pages does not.
    connect(themePages_, &QTabWidget::currentChanged, this, [this](int page) {
        browser_.listTheme(page == 0 ? library::kLargeBeauties : library::kSmallBeauties);
    });
}

void TTuForm::buildPaging() {
    previousButton_ = new QPushButton(QStringLiteral("上一页 "), this);
    previousButton_->setObjectName(QStringLiteral("previousPage"));
    previousButton_->setGeometry(936, 48, 57, 153);
    previousButton_->setEnabled(false);

    positionLabel_ = new QLabel(QStringLiteral("0"), this);
    positionLabel_->setObjectName(QStringLiteral("positionLabel"));
    positionLabel_->setAccessibleName(QStringLiteral("位置"));
    positionLabel_->setGeometry(932, 214, 66, 44);
    positionLabel_->setAlignment(Qt::AlignCenter);
    positionLabel_->setWordWrap(true);
    positionLabel_->setStyleSheet(QStringLiteral("color: red; font-weight: bold; font-size: 11pt;"));

    nextButton_ = new QPushButton(QStringLiteral("下一页 "), this);
    nextButton_->setObjectName(QStringLiteral("nextPage"));
    nextButton_->setGeometry(936, 270, 57, 193);

    backButton_ = new QPushButton(QStringLiteral("返回"), this);
    backButton_->setObjectName(QStringLiteral("back"));
    backButton_->setGeometry(932, 560, 65, 65);

    connect(previousButton_, &QPushButton::clicked, this, [this] { browser_.previousPage(); });
    connect(nextButton_, &QPushButton::clicked, this, [this] { browser_.nextPage(); });
    connect(backButton_, &QPushButton::clicked, this, &QWidget::close);  // hidden, its state kept
}

void TTuForm::connectBrowser() {
    connect(&browser_, &library::PictureBrowser::paneChanged, this,
            [this](int pane, const QString& path) { panes_[static_cast<size_t>(pane)]->showFile(path); });
    connect(&browser_, &library::PictureBrowser::markedPaneChanged, this, [this](int marked) {
        for (int k = 0; k < library::kPicturePaneCount; ++k) panes_[static_cast<size_t>(k)]->setMarked(k == marked);
    });
    connect(&browser_, &library::PictureBrowser::positionChanged, positionLabel_, &QLabel::setText);
    connect(&browser_, &library::PictureBrowser::previousEnabledChanged, previousButton_, &QWidget::setEnabled);
    for (int k = 0; k < library::kPicturePaneCount; ++k)
        connect(panes_[static_cast<size_t>(k)], &PicturePane::loaded, this, [this, k] { browser_.paneLoaded(k); });
}

QPushButton* TTuForm::themeButton(int page, int index) const {
    auto buttons = themePages_->widget(page)->findChildren<QPushButton*>(Qt::FindDirectChildrenOnly);
    return buttons.value(index);
}

void TTuForm::showBrowser() {
    browser_.show(station_.libraryDrives());
    if (!placed_) {
        placed_ = true;
        if (QScreen* screen = QGuiApplication::primaryScreen()) {
            QRect place(QPoint(), size());
            place.moveCenter(screen->availableGeometry().center());
            move(place.topLeft());
        }
    }
    show();
    if (isMinimized()) showNormal();
    raise();
    activateWindow();
}

int TTuForm::paneIndex(QObject* watched) const {
    for (int k = 0; k < library::kPicturePaneCount; ++k)
        if (panes_[static_cast<size_t>(k)] == watched) return k;
    return -1;
}

bool TTuForm::eventFilter(QObject* watched, QEvent* event) {
    const int k = paneIndex(watched);
    if (k < 0) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseButtonPress:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && browser_.press(k)) {
                panes_[static_cast<size_t>(k)]->setFocus(Qt::MouseFocusReason);
                return true;
            }
            break;
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton && browser_.doubleClick()) return true;
            break;
        case QEvent::KeyPress: {
            // From the keyboard: Space selects the pane, Enter adds it, as a
            // click and a double-click do.
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Space) {
                browser_.press(k);
                return true;
            }
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                if (browser_.press(k)) browser_.doubleClick();
                return true;
            }
            break;
        }
        default: break;
    }
    return QWidget::eventFilter(watched, event);
}

void openPicturesFromCategoryTab(TForm1& mainWindow, TTuForm& pictures) {
    CategoryTabs* tabs = mainWindow.categoryTabs();
    QObject::connect(tabs, &CategoryTabs::pressed, &pictures, [tabs, &pictures] {
        if (tabs->currentIndex() == TTuForm::kCategoryTab) pictures.showBrowser();
    });
}

}  // namespace zorvik::ui
