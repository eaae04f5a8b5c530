#include "ui/orderpanel.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QStyle>
#include <QTreeView>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>

#include "app/station.h"
#include "storage/foldertree.h"
#include "ui/controlmanners.h"
#include "ui/copytexts.h"
#include "ui/focusselect.h"
#include "ui/icons.h"
#include "ui/keypicks.h"
#include "ui/texts.h"

namespace zorvik::ui {

namespace {
QString text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

// A long file name ends in "…" before "用时" rather than running up to it;
// the whole text is the label's tip.
void showWithin(QLabel* label, const QString& whole) {
    label->setText(label->fontMetrics().elidedText(whole, Qt::ElideRight, label->width()));
    label->setToolTip(label->text() == whole ? QString() : whole);
}
}  // namespace

OrderPanel::OrderPanel(app::Station& station, QWidget* client) : QObject(client), station_(station) {
    auto& book = station_.orderBook();
    tabs_ = new QTabWidget(client);
    tabs_->setObjectName(QStringLiteral("orderTabs"));
    tabs_->setGeometry(728, 34, 273, 623);
    tabs_->setStyleSheet(QStringLiteral("QTabBar::tab { width: 54px; height: 30px; padding: 0px; }"));
    for (int n = 1; n <= 5; ++n) buildPage(n, client);

    // The order view lies over the tab pages and shows the active list.
    std::array<QVariant, 5> icons;
    auto themed = mediaGroupIcons();
    for (size_t i = 0; i < icons.size(); ++i) icons[i] = themed[i];
    book.rows().setGroupIcons(std::move(icons));
    view_ = new QTableView(client);
    view_->setObjectName(QStringLiteral("orderView"));
    view_->setGeometry(736, 136, 215, 305);
    view_->setModel(&book.rows());
    view_->setSelectionModel(&book.selection());
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setShowGrid(true);
    view_->setWordWrap(false);
    view_->setIconSize(QSize(22, 22));
    view_->setToolTip(QStringLiteral("双击为播放  右击为右键菜单"));
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(24);
    view_->horizontalHeader()->resizeSection(orders::OrderRows::Name, 215);
    view_->setContextMenuPolicy(Qt::CustomContextMenu);

    // The folder picker: the device's folders, over the order view, read in
    // jobs as the file manager's tree is; the computer's drives at first.
    auto& devices = station_.devices();
    auto& folders = devices.folderPicker();
    QStyle* look = client->style();
    folders.setIcons(styleIconLater("folder", look, QStyle::SP_DirIcon),
                     styleIconLater("drive-harddisk", look, QStyle::SP_DriveHDIcon),
                     styleIconLater("drive-removable-media", look, QStyle::SP_DriveFDIcon));
    if (folders.root().isEmpty()) folders.setRoot(QString());
    picker_ = new QTreeView(client);
    picker_->setObjectName(QStringLiteral("folderPicker"));
    picker_->setAccessibleName(QStringLiteral("文件夹"));
    picker_->setGeometry(808, 136, 153, 241);
    picker_->setModel(&folders);
    picker_->setHeaderHidden(true);
    picker_->setUniformRowHeights(true);
    picker_->hide();
    connect(picker_, &QTreeView::clicked, this, [this](const QModelIndex& index) {
        auto& devices = station_.devices();
        const int list = station_.orderBook().active();
        const int line = page(list).destination->currentIndex();
        const auto outcome = devices.pick(list, line, devices.folderPicker().folderOf(index).toStdString());
        hideFolderPicker();  // after every pick, a refused one too
        if (outcome == orders::PickOutcome::NotADrivePath)
            QMessageBox::information(view_->window(), QString(), text(orders::kInvalidPickedFolder));
    });
    // A device's root item is open from the start.
    connect(&folders, &QAbstractItemModel::modelReset, picker_, [this, &folders] {
        if (!folders.root().isEmpty()) picker_->expand(folders.index(0, 0));
    });
    connect(&devices, &orders::ListDevices::changed, this, &OrderPanel::showDestinations);
    // The picker lists its folders afresh with every refresh of the space line,
    // while it is shown: a slow phone is not kept busy for a hidden list.
    connect(&station_.removableDrives(), &storage::RemovableDrives::diskSpaceLineRefreshing, this, [this] {
        if (picker_->isVisible()) station_.devices().folderPicker().refresh();
    });
    auto& localCopy = station_.localCopy();
    connect(&localCopy, &orders::LocalCopy::filesNotCopied, this,
            [this](const orders::CopyFailures& failures) { tellNotCopied(QStringLiteral("复制到本地磁盘"), failures); });
    connect(&station_.pictureOrder(), &orders::PictureOrder::filesNotCopied, this,
            [this](const orders::CopyFailures& failures) { tellNotCopied(QStringLiteral("图片浏览"), failures); });

    connect(view_, &QWidget::customContextMenuRequested, this, &OrderPanel::showMenu);
    connect(view_, &QTableView::clicked, this, &OrderPanel::hideFolderPicker);

    auto& drives = station_.removableDrives();
    setDeviceEntries(drives.entries());
    connect(&drives, &storage::RemovableDrives::entryAdded, this,
            [this, &drives] { setDeviceEntries(drives.entries()); });
    connect(&drives, &storage::RemovableDrives::entryRemoved, this, [this, &drives](const QString& entry) {
        for (auto& p : pages_)
            if (p.device->currentText() == entry) p.device->setEditText(text(orders::kDevicePlaceholder));
        setDeviceEntries(drives.entries());
    });
    connect(view_, &QTableView::pressed, this,
            [this](const QModelIndex& index) { station_.makeEntryCurrent(index.row()); });
    pickWithKeys(view_, [this](const QModelIndex& index) { station_.makeEntryCurrent(index.row()); });
    connect(view_, &QTableView::doubleClicked, this, [this] { station_.playEntries(); });
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
        station_.orderBook().switchTo(index + 1);
    });
    connect(&book, &orders::OrderBook::activeChanged, this, [this](int list) {
        tabs_->setCurrentIndex(list - 1);
        for (int n = 1; n <= 5; ++n) {
            page(n).bar->setVisible(n == list && station_.lane(n).barShown());
            page(n).animation->setVisible(n == list && station_.lane(n).running());
        }
    });
    connect(&book, &orders::OrderBook::focusOrderView, view_, [this] { view_->setFocus(); });
}

void OrderPanel::buildPage(int list, QWidget* client) {
    auto& p = pages_[static_cast<size_t>(list - 1)];
    p.page = new QWidget;
    p.page->setObjectName(QStringLiteral("orderPage%1").arg(list));
    tabs_->addTab(p.page, QStringLiteral("清单%1").arg(list));

    p.device = new QComboBox(p.page);
    p.device->setObjectName(QStringLiteral("deviceSelector%1").arg(list));
    p.device->setEditable(true);
    p.device->setEditText(text(orders::kDevicePlaceholder));
    p.device->setToolTip(text(orders::kDeviceSelectorHint));
    selectAllOnFocus(p.device);
    wheelOnlyWhenFocused(p.device);
    p.device->setGeometry(6, 4, 255, 26);
    p.destination = new QComboBox(p.page);
    p.destination->setObjectName(QStringLiteral("destinationSelector%1").arg(list));
    p.destination->setGeometry(6, 34, 205, 26);
    wheelOnlyWhenFocused(p.destination);
    p.open = new QPushButton(QStringLiteral("打开"), p.page);
    p.open->setGeometry(214, 34, 47, 26);

    // The page's foot: the buttons, then the progress of the list's copying.
    p.progressGroup = new QWidget(p.page);
    p.progressGroup->setObjectName(QStringLiteral("progressGroup%1").arg(list));
    p.progressGroup->setGeometry(0, 555, 270, 46);
    p.selectAll = new QPushButton(QStringLiteral("全选"), p.progressGroup);
    p.selectAll->setGeometry(6, 0, 56, 24);
    p.download = new QPushButton(QStringLiteral("下载"), p.progressGroup);
    p.download->setGeometry(66, 0, 56, 24);
    p.lyrics = new QCheckBox(QStringLiteral("歌词"), p.progressGroup);
    p.lyrics->setGeometry(128, 0, 60, 24);
    if (list == 1) {
        p.selectAll->setToolTip(QStringLiteral("全部选择当前清单文件"));
        p.download->setToolTip(QStringLiteral("下载选择的文件到指定目录"));
        p.lyrics->setToolTip(QStringLiteral("勾选后下载歌曲时将同步下载歌词"));
    }
    // The copying animation: a running bar while the list's job runs, over the
    // tally box, so it lies on the window rather than on the page.
    p.animation = new QProgressBar(client);
    p.animation->setObjectName(QStringLiteral("copyAnimation%1").arg(list));
    p.animation->setRange(0, 0);
    p.animation->setTextVisible(false);
    p.animation->setGeometry(922, 548, 66, 16);
    p.animation->hide();

    p.progressText = new QLabel(p.progressGroup);
    p.progressText->setGeometry(6, 26, 170, 18);
    p.doneLabel = new QLabel(copytexts::doneText(list), p.progressGroup);
    p.doneLabel->setStyleSheet(QStringLiteral("color: red;"));
    p.doneLabel->setGeometry(6, 26, 170, 18);
    p.doneLabel->hide();
    auto* took = new QLabel(QStringLiteral("用时      秒"), p.progressGroup);
    took->setGeometry(180, 26, 90, 18);
    p.seconds = new QLabel(QStringLiteral("0"), p.progressGroup);
    p.seconds->setAlignment(Qt::AlignCenter);
    p.seconds->setGeometry(204, 26, 30, 18);

    p.bar = new QProgressBar(client);
    p.bar->setObjectName(QStringLiteral("progressBar%1").arg(list));
    p.bar->setGeometry(448, 648, 537, 12);
    p.bar->setTextVisible(false);
    p.bar->hide();

    p.destination->setToolTip(QString());
    if (list == 1) p.open->setToolTip(text(orders::kOpenDestinationHint));
    showDestinations(list);
    connect(p.device, &QComboBox::textActivated, this, [this, list](const QString& text) {
        station_.devices().choose(list, text.toStdString());
    });
    connect(p.destination, QOverload<int>::of(&QComboBox::activated), this, [this] {
        auto& folders = station_.devices().folderPicker();
        // Shown afresh: the computer's drives as they are now, or the device's folders.
        if (folders.root().isEmpty())
            folders.setRoot(QString());
        else if (!picker_->isVisible())
            folders.refresh();
        picker_->show();
        picker_->raise();
        station_.cues().request(core::Cues::Select);
    });
    connect(p.open, &QPushButton::clicked, this, [this, list] {
        hideFolderPicker();
        station_.devices().openDestination(page(list).destination->currentText().toStdString());
    });

    connect(p.selectAll, &QPushButton::clicked, this, [this] { station_.orderBook().selectAll(true); });
    connect(p.download, &QPushButton::clicked, this, [this] { station_.downloadSelected(); });
    followLane(list);
}

void OrderPanel::followLane(int list) {
    const auto& p = page(list);
    auto& lane = station_.lane(list);
    connect(p.lyrics, &QCheckBox::toggled, &lane, &orders::CopyLane::setLyrics);
    connect(&lane, &orders::CopyLane::runningChanged, p.animation, [this, list](bool running) {
        auto* animation = page(list).animation;
        animation->setVisible(running && station_.orderBook().active() == list);
        animation->raise();
    });
    connect(&lane, &orders::CopyLane::displayChanged, this, [this, list] { showLane(list); });
    connect(&lane, &orders::CopyLane::fileStarted, this, [this, list](const orders::CopyProgress& progress) {
        if (auto panel = copytexts::secondPanelForFile(list, progress)) Q_EMIT secondPanelText(*panel);
    });
    connect(&lane, &orders::CopyLane::batchFinished, this, [this, list, &lane] {
        if (lane.notCopied() > 0)
            Q_EMIT secondPanelText(copytexts::notCopiedPanelText(list, lane.notCopied()));
        else if (auto panel = copytexts::secondPanelAtBatchEnd(list))
            Q_EMIT secondPanelText(*panel);
    });
    connect(&lane, &orders::CopyLane::immediateFinished, this, [this, list, &lane] {
        if (lane.notCopied() > 0)
            Q_EMIT secondPanelText(copytexts::notCopiedPanelText(list, lane.notCopied()));
        else if (auto panel = copytexts::secondPanelAtImmediateEnd(list))
            Q_EMIT secondPanelText(*panel);
    });
    connect(&lane, &orders::CopyLane::filesNotCopied, this, [this, list](const orders::CopyFailures& failures) {
        tellNotCopied(QStringLiteral("清单%1").arg(list), failures);
    });
}

void OrderPanel::tellNotCopied(const QString& job, const orders::CopyFailures& failures) {
    auto* box = new QMessageBox(QMessageBox::Warning, texts::kApplicationTitle,
                                copytexts::notCopiedText(job, failures), QMessageBox::Ok, view_->window());
    box->setObjectName(QStringLiteral("notCopiedBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

void OrderPanel::hideFolderPicker() { picker_->hide(); }

void OrderPanel::showDestinations(int list) {
    auto* box = page(list).destination;
    const auto& destinations = station_.devices().destinations(list);
    QSignalBlocker quiet(box);
    box->clear();
    for (const auto& line : destinations.lines()) box->addItem(QString::fromStdString(line));
    box->setCurrentIndex(destinations.shownLine());
}

void OrderPanel::setDeviceEntries(const QStringList& entries) {
    for (auto& p : pages_) {
        const QString text = p.device->currentText();
        QSignalBlocker quiet(p.device);
        p.device->clear();
        p.device->addItems(entries);
        // The placeholder chooses no entry, so Down from it takes the first drive.
        p.device->setCurrentIndex(entries.indexOf(text));
        p.device->setEditText(text);
    }
}

void OrderPanel::showLane(int list) {
    const auto& p = page(list);
    const auto& lane = station_.lane(list);
    showWithin(p.progressText, lane.progress() ? copytexts::progressText(list, *lane.progress()) : QString());
    p.progressText->setVisible(!lane.doneShown());
    showWithin(p.doneLabel, copytexts::doneText(list, lane.notCopied()));
    p.doneLabel->setVisible(lane.doneShown());
    p.seconds->setText(QString::number(lane.seconds()));
    // A range of 0 to 0 would show Qt's busy bar; a list under 1 MB shows no progress.
    p.bar->setMaximum(std::max(lane.barMaximum(), 1));
    p.bar->setValue(lane.barMaximum() > 0 ? lane.barPosition() : 0);
    p.bar->setVisible(lane.barShown() && station_.orderBook().active() == list);
}

void OrderPanel::showMenu(const QPoint& at) {
    auto& book = station_.orderBook();
    QMenu menu(view_);
    connect(menu.addAction(QStringLiteral("清空")), &QAction::triggered, &book, &orders::OrderBook::clear);
    menu.addSeparator();
    connect(menu.addAction(QStringLiteral("全选")), &QAction::triggered, &book, [&book] { book.selectAll(false); });
    connect(menu.addAction(QStringLiteral("下载")), &QAction::triggered, this, [this] { station_.downloadSelected(); });
    menu.addSeparator();
    connect(menu.addAction(QStringLiteral("删除选中的文件")), &QAction::triggered, this,
            [this] { station_.deleteSelectedEntries(); });
    menu.addSeparator();
    connect(menu.addAction(QStringLiteral("播放")), &QAction::triggered, this, [this] { station_.playEntries(); });
    connect(menu.addAction(QStringLiteral("添加到播放列表")), &QAction::triggered, this,
            [this] { station_.addEntriesToPlaylist(); });
    connect(menu.addAction(QStringLiteral("复制到本地磁盘")), &QAction::triggered, this,
            [this] { station_.copySelectedToLocalDisk(); });
    menu.addSeparator();
    menu.exec(view_->viewport()->mapToGlobal(at));
}

}  // namespace zorvik::ui
