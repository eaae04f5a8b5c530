#include "ui/resultspanel.h"

#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QTableView>

#include "app/station.h"
#include "library/files.h"
#include "library/rename.h"
#include "platform/fileops.h"
#include "ui/focusselect.h"
#include "ui/icons.h"
#include "ui/texts.h"

namespace zorvik::ui {

namespace {
constexpr int kRowHeight = 24;
constexpr int kFootHeight = 40;
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

    connect(&results, &library::ResultList::countChanged, count_,
            [this](int rows) { count_->setText(QString::number(rows) + QStringLiteral(" 个对象")); });
    connect(view_, &QWidget::customContextMenuRequested, this, &ResultsPanel::showMenu);
    connect(view_, &QTableView::pressed, this,
            [this](const QModelIndex& index) { station_.makeResultCurrent(index.row()); });
    connect(view_, &QTableView::doubleClicked, this, [this] { station_.addSelectedResults(); });
}

void ResultsPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    showFullHeight();
    count_->setGeometry(8, height() - 17, 200, 16);
}

void ResultsPanel::showFullHeight() {
    view_->setGeometry(0, 16, width(), std::max(0, height() - kFootHeight));
    view_->show();
}

void ResultsPanel::showMenu(const QPoint& at) {
    QMenu menu(this);
    connect(menu.addAction(QStringLiteral("批量添加 到 清单")), &QAction::triggered, this,
            [this] { station_.batchAddResults(); });
    menu.addSeparator();
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
    QString name = QString::fromStdString(library::displayName(oldPath));
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
                                 QStringLiteral("\n") + QString::fromStdString(platform::lastErrorText()));
    }
}

}  // namespace zorvik::ui
