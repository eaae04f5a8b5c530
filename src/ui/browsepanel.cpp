#include "ui/browsepanel.h"

#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>

#include "app/station.h"
#include "library/readylistings.h"
#include "search/categorybrowser.h"
#include "search/singers.h"
#include "ui/focusselect.h"

namespace zorvik::ui {

namespace {

QString text(std::string_view utf8) { return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())); }

constexpr int kLetterWidth = 18;
constexpr int kLettersPerRow = 13;
constexpr int kCategoryColumns = 8;

}  // namespace

BrowsePanel::BrowsePanel(app::Station& station, QWidget* parent) : QTabWidget(parent), station_(station) {
    setObjectName(QStringLiteral("browsePanel"));
    addTab(singerPage(), text(search::kBrowsePageTitles[search::SingersPage]));
    for (int page = search::MusicPage; page < search::kBrowsePageCount; ++page)
        addTab(categoryPage(page), text(search::kBrowsePageTitles[static_cast<size_t>(page)]));
    hide();
}

void BrowsePanel::showPanel() {
    if (!shownBefore_) setCurrentIndex(search::OtherPage);
    shownBefore_ = true;
    show();
}

QWidget* BrowsePanel::singerPage() {
    auto* page = new QWidget(this);
    page->setObjectName(QStringLiteral("singerPage"));
    auto& singers = station_.singers();

    letterBox_ = new QLineEdit(page);
    letterBox_->setObjectName(QStringLiteral("letterBox"));
    letterBox_->setToolTip(QStringLiteral("字母输入框,双击清空"));
    letterBox_->setAccessibleName(QStringLiteral("字母输入框"));
    letterBox_->setGeometry(6, 6, 102, 24);
    letterBox_->installEventFilter(this);
    selectAllOnFocus(letterBox_);
    connect(letterBox_, &QLineEdit::textChanged, &singers, &search::SingerBrowser::setLetters);

    auto* previous = new QPushButton(QStringLiteral("上一页"), page);
    previous->setGeometry(112, 6, 62, 24);
    connect(previous, &QPushButton::clicked, &singers, &search::SingerBrowser::previousPage);
    auto* next = new QPushButton(QStringLiteral("下一页"), page);
    next->setGeometry(176, 6, 62, 24);
    connect(next, &QPushButton::clicked, &singers, &search::SingerBrowser::nextPage);

    for (int i = 0; i < 26; ++i) {
        const QString letter(QChar(u'A' + i));
        auto* button = new QPushButton(letter, page);
        button->setObjectName(QStringLiteral("letter") + letter);
        button->setGeometry(6 + (i % kLettersPerRow) * kLetterWidth, 36 + (i / kLettersPerRow) * 26, kLetterWidth, 24);
        connect(button, &QPushButton::clicked, this, [this, letter] { letterBox_->setText(letterBox_->text() + letter); });
    }

    grid_ = new QTableWidget(search::kGridRows, search::kGridColumns, page);
    grid_->setObjectName(QStringLiteral("singerGrid"));
    grid_->setAccessibleName(QStringLiteral("歌手"));
    grid_->setGeometry(246, 4, 266, 104);
    grid_->horizontalHeader()->hide();
    grid_->verticalHeader()->hide();
    grid_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grid_->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    grid_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid_->setSelectionMode(QAbstractItemView::SingleSelection);
    grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    grid_->installEventFilter(this);
    for (int row = 0; row < search::kGridRows; ++row)
        for (int column = 0; column < search::kGridColumns; ++column) grid_->setItem(row, column, new QTableWidgetItem);
    connect(grid_, &QTableWidget::cellClicked, this, [this](int row, int column) {
        station_.singers().choose(row, column);
    });
    connect(&singers, &search::SingerBrowser::cellsChanged, this, &BrowsePanel::showCells);
    showCells();
    return page;
}

QWidget* BrowsePanel::categoryPage(int pageIndex) {
    auto* page = new QWidget(this);
    const search::CategoryPage category = search::categoryPage(pageIndex);
    std::vector<QString> captions;
    for (auto caption : category.buttons) captions.push_back(text(caption));
    if (pageIndex == search::RingtonesPage) captions.push_back(text(search::kIdleRingtoneButton));
    constexpr int width = 62;
    constexpr int height = 26;
    for (size_t i = 0; i < captions.size(); ++i) {
        auto* button = new QPushButton(captions[i], page);
        const int column = static_cast<int>(i) % kCategoryColumns;
        const int row = static_cast<int>(i) / kCategoryColumns;
        button->setGeometry(6 + column * (width + 2), 8 + row * (height + 6), width, height);
        if (captions[i] == text(search::kIdleRingtoneButton)) continue;  // it never had an action
        connect(button, &QPushButton::clicked, this, [this, pageIndex, caption = captions[i]] {
            station_.categories().browse(pageIndex, caption);
        });
    }
    return page;
}

void BrowsePanel::showCells() {
    auto& singers = station_.singers();
    for (int row = 0; row < search::kGridRows; ++row)
        for (int column = 0; column < search::kGridColumns; ++column)
            grid_->item(row, column)->setText(singers.cell(row, column));
}

void BrowsePanel::chooseCurrentCell() {
    const QModelIndex current = grid_->currentIndex();
    if (current.isValid()) station_.singers().choose(current.row(), current.column());
}

bool BrowsePanel::eventFilter(QObject* watched, QEvent* event) {
    if (watched == letterBox_ && event->type() == QEvent::MouseButtonDblClick) {
        letterBox_->clear();
        return true;
    }
    // From the keyboard, Enter or Space on a cell is its click; Enter must not
    // reach the window's own search key first.
    if (watched == grid_ && (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress)) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            event->accept();
            if (event->type() == QEvent::KeyPress) chooseCurrentCell();
            return true;
        }
    }
    return QTabWidget::eventFilter(watched, event);
}

NewArrivalsBar::NewArrivalsBar(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("newArrivalsBar"));
    constexpr int width = 72;
    for (size_t kind = 0; kind < library::kNewArrivalKinds.size(); ++kind) {
        auto* button = new QPushButton(text(library::kNewArrivalKinds[kind].caption), this);
        button->setGeometry(8 + static_cast<int>(kind) * (width + 6), 4, width, 26);
        connect(button, &QPushButton::clicked, this, [this, kind] { Q_EMIT kindChosen(static_cast<int>(kind)); });
    }
    hide();
}

}  // namespace zorvik::ui
