#include "ui/resultspanel.h"

#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>

#include "app/station.h"
#include "core/mediafiles.h"
#include "library/rename.h"
#include "platform/fileops.h"
#include "ui/focusselect.h"
#include "ui/icons.h"
#include "ui/keypicks.h"
#include "ui/texts.h"

namespace zorvik::ui {

namespace {
constexpr int kRowHeight = 24;
constexpr int kFootHeight = 40;
constexpr int kShortFootHeight = 160;  // room for the browse panel
constexpr int kFootButtonWidth = 72;
constexpr int kFootButtonsLeft = 120;
}  // namespace

ResultsPanel::ResultsPanel(app::Station& station, QWidget* parent)
    : QWidget(parent), station_(station) {
    setObjectName(QStringLiteral("resultsGroup"));
    auto& results = station_.results();
    std::array<QVariant, 5> icons;
    auto themed = mediaGroupIcons();
    for (size_t i = 0; i < icons.size(); ++i) icons[i] = themed[i];
    results.setGroupIcons(std::move(icons));

    view_ = new QTableView(this);
    view_->setObjectName(QStringLiteral("resultList"));
    view_->setModel(&results);
    view_->setSelectionModel(&station_.resultSelection());
    // The header would otherwise test every row for selection on each paint:
    // 50 ms a paint with a million rows selected.
    view_->horizontalHeader()->setSelectionModel(new QItemSelectionModel(&results, view_->horizontalHeader()));
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view_->setSortingEnabled(false);
    view_->setShowGrid(true);
    view_->setWordWrap(false);
    view_->setIconSize(QSize(22, 22));
    view_->setContextMenuPolicy(Qt::CustomContextMenu);
    // Fixed row heights keep a listing of a million rows as quick as a short one.
    view_->verticalHeader()->hide();
    view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view_->verticalHeader()->setDefaultSectionSize(kRowHeight);
    auto* header = view_->horizontalHeader();
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->resizeSection(library::ResultList::Name, 290);
    header->resizeSection(library::ResultList::Type, 50);
    header->resizeSection(library::ResultList::Size, 70);
    header->setStretchLastSection(true);

    count_ = new QLabel(QStringLiteral("0 个对象"), this);
    count_->setObjectName(QStringLiteral("countLabel"));

    // The foot row: "新增资源", "热门排行", "分类查找", then the file manager's two.
    newArrivals_ = new QPushButton(QStringLiteral("新增资源"), this);
    hotRanking_ = new QPushButton(QStringLiteral("热门排行"), this);
    browse_ = new QPushButton(QStringLiteral("分类查找"), this);

    // While the file manager has hidden the list, the label counts its items.
    connect(&results, &library::ResultList::countChanged, count_, [this](int rows) {
        if (!view_->isHidden()) count_->setText(QString::number(rows) + QStringLiteral(" 个对象"));
    });
    connect(&results, &QAbstractItemModel::rowsRemoved, count_,
            [this] { count_->setText(QString::number(station_.results().count()) + QStringLiteral(" 个对象")); });
    connect(view_, &QWidget::customContextMenuRequested, this, &ResultsPanel::showMenu);
    connect(view_, &QTableView::pressed, this,
            [this](const QModelIndex& index) { station_.makeResultCurrent(index.row()); });
    pickWithKeys(view_, [this](const QModelIndex& index) { station_.makeResultCurrent(index.row()); });
    connect(view_, &QTableView::doubleClicked, this, [this] { station_.addSelectedResults(); });
}

void ResultsPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeResultList();  // a new size does not bring the list in front of the file manager
    count_->setGeometry(8, height() - 17, kFootButtonsLeft - 12, 16);
    int left = kFootButtonsLeft;
    for (auto* button : {newArrivals_, hotRanking_, browse_}) {
        button->setGeometry(left, height() - 24, kFootButtonWidth - 2, 22);
        left += kFootButtonWidth;
    }
}

void ResultsPanel::showShortened() {
    view_->setGeometry(0, 16, width(), std::max(0, height() - kShortFootHeight));
    view_->show();
}

void ResultsPanel::placeResultList() { view_->setGeometry(0, 16, width(), std::max(0, height() - kFootHeight)); }

void ResultsPanel::showFullHeight() {
    placeResultList();
    view_->show();
}

void ResultsPanel::showMenu(const QPoint& at) {
    QMenu menu(this);
    connect(menu.addAction(QStringLiteral("播放")), &QAction::triggered, this, [this] { station_.playResults(); });
    menu.addSeparator();
    connect(menu.addAction(QStringLiteral("批量添加 到 清单")), &QAction::triggered, this,
            [this] { station_.batchAddResults(); });
    menu.addSeparator();
    connect(menu.addAction(QStringLiteral("添加到 播放列表")), &QAction::triggered, this,
            [this] { station_.addResultsToPlaylist(); });
    connect(menu.addAction(QStringLiteral("全部添加 到 播放列表")), &QAction::triggered, this,
            [this] { station_.addAllResultsToPlaylist(); });
    menu.addSeparator();
    connect(menu.addAction(QStringLiteral("彻底删除选中的文件")), &QAction::triggered, this,
            &ResultsPanel::deleteSelectedForGood);
    menu.addAction(QStringLiteral("替换文件"));  // the shop's station had no action here either
    QAction* rename = menu.addAction(QStringLiteral("重命名"));
    rename->setEnabled(station_.resultSelection().hasSelection());
    connect(rename, &QAction::triggered, this, &ResultsPanel::renameSelected);
    menu.exec(view_->viewport()->mapToGlobal(at));
}

void ResultsPanel::renameSelected() {
    const auto rows = station_.selectedResultRows();
    if (rows.empty()) return;
    const int row = rows.front();
    const std::string oldPath = station_.results().path(row);
    QString name = QString::fromStdString(core::displayName(oldPath));
    // A refused name is said so and offered again for mending.
    for (;;) {
        QInputDialog box(window());
        box.setWindowTitle(QStringLiteral("添加歌手"));
        box.setLabelText(QStringLiteral("请输入歌手名称"));
        box.setTextValue(name);
        if (auto* edit = box.findChild<QLineEdit*>()) selectAllOnFocus(edit);
        if (box.exec() != QDialog::Accepted) return;
        name = box.textValue();
        const auto refusal = library::renameRefusal(name.toStdString());
        if (refusal.empty()) break;
        QMessageBox::warning(window(), texts::kApplicationTitle,
                             QString::fromUtf8(refusal.data(), static_cast<qsizetype>(refusal.size())));
    }
    if (auto newPath = station_.renameResult(row, name.toStdString())) {
        QMessageBox::information(window(), texts::kApplicationTitle, QString::fromStdString(*newPath));
    } else {
        QMessageBox::warning(window(), texts::kApplicationTitle,
                             QStringLiteral("文件无法重命名：") + QString::fromStdString(oldPath) +
                                 QStringLiteral("\n") + QString::fromStdString(newPath.errorText()));
    }
}

void ResultsPanel::deleteSelectedForGood() {
    if (station_.selectedResultRows().empty()) return;
    if (QMessageBox::question(window(), QStringLiteral("删除文件"), QStringLiteral("你确定要删除所选文件吗?"),
                              QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Ok) != QMessageBox::Ok)
        return;
    station_.deleteResultForGood();
}

}  // namespace zorvik::ui
