#include "ui/filemanagerpanel.h"

#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTreeView>

#include <algorithm>

#include "app/station.h"
#include "platform/drives.h"
#include "platform/fileops.h"
#include "platform/mountwatcher.h"
#include "storage/filemanager.h"
#include "storage/folderpath.h"
#include "ui/focusselect.h"
#include "ui/icons.h"
#include "ui/resultspanel.h"

namespace zorvik::ui {

namespace {

constexpr int kTop = 16;           // below the group's title, as the result list
constexpr int kFootHeight = 40;    // the count and the buttons
constexpr int kLabelHeight = 16;   // the folder label, on a line of its own above them
constexpr int kTreeWidth = 160;
constexpr int kTreeTop = 32;       // under the path box
constexpr int kPathBoxLength = 4;  // characters that can be typed
constexpr int kButtonWidth = 63;

// Renaming in place: Enter and Esc belong to the name being edited, not to the
// window's search key; as in Explorer the name is selected without its extension.
class NameEditing final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        auto* edit = qobject_cast<QLineEdit*>(editor);
        // The row redrawn by a reading of the folder keeps the name being typed.
        if (edit && edit->isModified()) return;
        QStyledItemDelegate::setEditorData(editor, index);
        const QString name = index.data(Qt::EditRole).toString();
        const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
        const bool folder = index.siblingAtColumn(storage::FileListModel::Type).data().toString() ==
                            QStringLiteral("文件夹");
        // After the view has selected the whole text, which it does on opening the editor.
        if (edit && !folder && dot > 0)
            QMetaObject::invokeMethod(
                edit, [edit, dot] { edit->setSelection(0, static_cast<int>(dot)); }, Qt::QueuedConnection);
    }

protected:
    bool eventFilter(QObject* editor, QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
                event->accept();
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(editor, event);
    }
};

// The path box lists the drives as they are when it opens.
class PathBox final : public QComboBox {
public:
    PathBox(std::function<void()> refill, std::function<void()> entered, QWidget* parent)
        : QComboBox(parent), refill_(std::move(refill)), entered_(std::move(entered)) {}
    void showPopup() override {
        refill_();
        QComboBox::showPopup();
    }
    // As a Windows drop-down did, the text is selected when the list closes,
    // so that what is typed next replaces it.
    void hidePopup() override {
        QComboBox::hidePopup();
        lineEdit()->selectAll();
    }

protected:
    // Enter takes the typed path, whether or not it names an item of the
    // list, and goes no further: it is not the window's search key here.
    bool event(QEvent* event) override {
        if (event->type() == QEvent::ShortcutOverride && isEnter(static_cast<QKeyEvent*>(event))) {
            event->accept();
            return true;
        }
        return QComboBox::event(event);
    }
    void keyPressEvent(QKeyEvent* event) override {
        if (isEnter(event) && !view()->isVisible()) {
            event->accept();
            entered_();
            return;
        }
        QComboBox::keyPressEvent(event);
    }

private:
    static bool isEnter(const QKeyEvent* key) {
        return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
               (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    }

    std::function<void()> refill_;
    std::function<void()> entered_;
};

// The folder tree. The style draws a folder's arrow in the text's colour,
// which a skin's highlight may match: the selected folder's arrow is drawn
// again in the highlighted text's colour.
class FolderTree final : public QTreeView {
public:
    using QTreeView::QTreeView;

protected:
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override {
        QTreeView::drawBranches(painter, rect, index);
        if (!selectionModel() || !selectionModel()->isSelected(index) || !model()->hasChildren(index)) return;
        QStyleOptionViewItem arrow;
        initViewItemOption(&arrow);
        arrow.rect = QRect(rect.right() + 1 - indentation(), rect.top(), indentation(), rect.height());
        arrow.state = QStyle::State_Item | QStyle::State_Children | QStyle::State_Selected | QStyle::State_Enabled;
        if (isExpanded(index)) arrow.state |= QStyle::State_Open;
        const QColor ink = arrow.palette.color(QPalette::HighlightedText);
        for (auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text, QPalette::Dark, QPalette::Mid,
                          QPalette::Shadow})
            arrow.palette.setColor(role, ink);
        style()->drawPrimitive(QStyle::PE_IndicatorBranch, &arrow, painter, this);
    }
};

}  // namespace

FileManagerPanel::FileManagerPanel(app::Station& station, ResultsPanel& results)
    : QWidget(&results), station_(station), results_(results) {
    setObjectName(QStringLiteral("fileManager"));
    auto& fm = station_.fileManager();
    QStyle* look = style();

    std::array<QVariant, 5> groups;
    auto groupIcons = mediaGroupIcons();
    for (size_t i = 0; i < groups.size(); ++i) groups[i] = groupIcons[i];
    // Made once, and looked up in the theme when first drawn.
    computerIcon_ = styleIconLater("computer", look, QStyle::SP_ComputerIcon);
    fixedDriveIcon_ = styleIconLater("drive-harddisk", look, QStyle::SP_DriveHDIcon);
    removableDriveIcon_ = styleIconLater("drive-removable-media", look, QStyle::SP_DriveFDIcon);
    const QIcon folderIcon = styleIconLater("folder", look, QStyle::SP_DirIcon);
    fm.list().setIcons(folderIcon, styleIconLater("text-x-generic", look, QStyle::SP_FileIcon), groups);
    fm.tree().setIcons(folderIcon, fixedDriveIcon_, removableDriveIcon_);

    pathBox_ = new PathBox([this] { fillPathBox(); }, [this] { choosePathBoxText(); }, this);
    pathBox_->setObjectName(QStringLiteral("pathBox"));
    pathBox_->setAccessibleName(QStringLiteral("路径"));
    pathBox_->setEditable(true);
    pathBox_->setInsertPolicy(QComboBox::NoInsert);
    pathBox_->lineEdit()->setMaxLength(kPathBoxLength);
    selectAllOnFocus(pathBox_);
    fillPathBox();

    tree_ = new FolderTree(this);
    tree_->setObjectName(QStringLiteral("folderTree"));
    tree_->setAccessibleName(QStringLiteral("文件夹"));
    tree_->setModel(&fm.tree());
    tree_->setHeaderHidden(true);
    // The top folder too shows whether it opens: with the arrow hidden the
    // selected folder could be opened and closed only by a double click.
    tree_->setRootIsDecorated(true);
    tree_->setUniformRowHeights(true);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    list_ = new QTreeView(this);
    list_->setObjectName(QStringLiteral("fileList"));
    list_->setAccessibleName(QStringLiteral("文件列表"));
    list_->setModel(&fm.list());
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setUniformRowHeights(true);  // a folder of 20,000 files lays out as fast as a small one
    list_->setSortingEnabled(false);    // the model keeps the order
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    list_->setItemDelegate(new NameEditing(list_));
    list_->header()->resizeSection(storage::FileListModel::Name, 170);
    list_->header()->resizeSection(storage::FileListModel::Size, 70);
    list_->header()->resizeSection(storage::FileListModel::Type, 70);

    folderLabel_ = new QLabel(&results_);
    folderLabel_->setObjectName(QStringLiteral("folderLabel"));
    folderLabel_->hide();
    localDisk_ = new QPushButton(QStringLiteral("本地磁盘"), &results_);
    localDisk_->setObjectName(QStringLiteral("localDiskButton"));
    localDisk_->setToolTip(QStringLiteral("打开本地磁盘"));
    removableDisk_ = new QPushButton(QStringLiteral("U盘管理"), &results_);
    removableDisk_->setObjectName(QStringLiteral("removableDiskButton"));

    hide();
    stackUnder(results_.resultView());
    results_.installEventFilter(this);
    results_.resultView()->installEventFilter(this);
    layOut();

    fm.setConfirm([this](const QString& text, const QString& caption) {
        return QMessageBox::question(window(), caption, text, QMessageBox::Ok | QMessageBox::Cancel,
                                     QMessageBox::Ok) == QMessageBox::Ok;
    });
    connect(localDisk_, &QPushButton::clicked, &fm, &storage::FileManager::openLocalDisk);
    connect(removableDisk_, &QPushButton::clicked, &fm, &storage::FileManager::manageRemovableDisk);
    connect(&fm, &storage::FileManager::forwardChanged, this, &FileManagerPanel::showForward);
    connect(&fm, &storage::FileManager::rootChanged, this, &FileManagerPanel::showRoot);
    connect(&fm, &storage::FileManager::folderLabelChanged, this, [this](const QString& text, bool shown) {
        folderLabel_->setText(text);
        folderLabel_->setToolTip(text);
        folderLabel_->setVisible(shown);
    });
    connect(&fm, &storage::FileManager::countTextChanged, this, [this, &fm](const QString& text) {
        if (fm.isForward()) results_.countLabel()->setText(text);
    });
    // The list follows the tree; an opened folder of the list is selected in the tree.
    connect(tree_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this, &fm](const QModelIndex& current) {
                if (!current.isValid()) return;
                fm.showFolder(fm.tree().folderOf(current));
                fm.requestStatusRefresh();
            });
    connect(tree_, &QTreeView::clicked, &fm, &storage::FileManager::requestStatusRefresh);
    connect(&fm.tree(), &storage::FolderTreeModel::revealed, this, [this](const QModelIndex& index) {
        tree_->scrollTo(index);
        tree_->setCurrentIndex(index);
    });
    connect(list_, &QTreeView::activated, this, [&fm](const QModelIndex& index) { fm.openItem(index.row()); });
    connect(list_, &QWidget::customContextMenuRequested, this, &FileManagerPanel::showMenu);
    auto* del = new QShortcut(QKeySequence::Delete, list_, nullptr, nullptr, Qt::WidgetShortcut);
    connect(del, &QShortcut::activated, this, [this, &fm] { fm.deleteSelected(selectedRows()); });

    connect(pathBox_, QOverload<int>::of(&QComboBox::activated), this, [this, &fm](int index) {
        fm.choosePath(pathBox_->itemData(index).toString());
    });
}

void FileManagerPanel::fillPathBox() {
    const QString text = pathBox_->currentText();
    QSignalBlocker quiet(pathBox_);
    pathBox_->clear();
    pathBox_->addItem(computerIcon_, storage::kComputer, QString());
    for (const auto& drive : station_.driveTable().drives()) {
        if (drive.letter < 'C') continue;
        const QString root = platform::MountWatcher::rootOf(drive.letter);
        // A fixed drive whose folder is missing is not there; removable ones
        // are there while mounted, and are not asked.
        const bool isRemovable = drive.type == platform::DriveType::Removable;
        if (!isRemovable && !platform::folderExists(station_.driveTable(), root.toStdString())) continue;
        pathBox_->addItem(isRemovable ? removableDriveIcon_ : fixedDriveIcon_, root, root);
    }
    // The item that the text names stays current: the box takes a text that
    // differs from its current item for a choice when it loses the focus,
    // as it does to its own list, and would re-root the tree.
    const int item = pathBox_->findText(text, Qt::MatchFixedString);
    if (item >= 0) pathBox_->setCurrentIndex(item);
    pathBox_->setEditText(text);
}

void FileManagerPanel::choosePathBoxText() {
    const QString text = pathBox_->currentText();
    // A text naming an item is that item's choice.
    const int item = pathBox_->findText(text, Qt::MatchFixedString);
    if (item >= 0) {
        pathBox_->setCurrentIndex(item);
        station_.fileManager().choosePath(pathBox_->itemData(item).toString());
    } else {
        station_.fileManager().choosePath(text);
    }
}

void FileManagerPanel::showRoot(const QString& root) {
    auto& tree = station_.fileManager().tree();
    const QModelIndex top = tree.index(0, 0);
    {
        // The file manager shows the root already: no second reading for it.
        QSignalBlocker quiet(tree_->selectionModel());
        tree_->setCurrentIndex(top);
        tree_->viewport()->update();
    }
    tree_->expand(top);
    // The box shows the root's drive with its icon.
    QSignalBlocker quiet(pathBox_);
    const int item = pathBox_->findData(root.left(3));
    if (item >= 0)
        pathBox_->setCurrentIndex(item);
    else
        pathBox_->setEditText(root.left(3));
}

void FileManagerPanel::showForward(bool forward) {
    setVisible(forward);
    results_.resultView()->setVisible(!forward);
    if (forward) {
        fillPathBox();
        showRoot(station_.fileManager().root());
    } else {
        results_.countLabel()->setText(storage::objectCountText(station_.results().count()));
    }
}

std::vector<int> FileManagerPanel::selectedRows() const {
    std::vector<int> rows;
    for (const auto& range : list_->selectionModel()->selection())
        for (int row = range.top(); row <= range.bottom(); ++row) rows.push_back(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void FileManagerPanel::showMenu(const QPoint& at) {
    auto& fm = station_.fileManager();
    QMenu menu(list_);
    connect(menu.addAction(QStringLiteral("删除")), &QAction::triggered, this,
            [this, &fm] { fm.deleteSelected(selectedRows()); });
    connect(menu.addAction(QStringLiteral("新建文件夹")), &QAction::triggered, &fm,
            &storage::FileManager::newFolder);
    menu.exec(list_->viewport()->mapToGlobal(at));
}

void FileManagerPanel::layOut() {
    const int w = results_.width();
    const int h = results_.height();
    setGeometry(0, kTop, w, std::max(0, h - kFootHeight - kLabelHeight));
    pathBox_->setGeometry(0, 0, kTreeWidth, 24);
    tree_->setGeometry(0, kTreeTop, kTreeWidth, std::max(0, height() - kTreeTop));
    list_->setGeometry(kTreeWidth + 4, 0, std::max(0, w - kTreeWidth - 4), height());
    // Clear of the foot's buttons, so that a long path can be read.
    folderLabel_->setGeometry(4, kTop + height(), std::max(0, w - 8), kLabelHeight);
    removableDisk_->setGeometry(w - kButtonWidth, h - 24, kButtonWidth, 22);
    localDisk_->setGeometry(w - 2 * kButtonWidth, h - 24, kButtonWidth, 22);
}

bool FileManagerPanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &results_ && event->type() == QEvent::Resize) layOut();
    // Whatever shows the result list again (a tab, a listing) puts the file manager back.
    if (watched == results_.resultView() && event->type() == QEvent::Show && !event->spontaneous())
        station_.fileManager().goBack();
    return QWidget::eventFilter(watched, event);
}

}  // namespace zorvik::ui
