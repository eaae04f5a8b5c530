#include "ui/searchpanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QValidator>

#include <algorithm>

#include "app/station.h"
#include "core/makerpages.h"
#include "library/drivesetup.h"
#include "ui/controlmanners.h"
#include "ui/focusselect.h"
#include "ui/texts.h"

namespace zorvik::ui {

namespace {

// The operator's edits of a drive box: one letter, a typed one replacing it.
class DriveBoxRule final : public QValidator {
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override {
        for (QChar c : input)
            if (c.unicode() > 0x7f) return Invalid;
        auto kept = library::driveBoxEdit(input.toStdString(), static_cast<std::size_t>(std::max(pos, 0)));
        if (!kept) return Invalid;
        input = QString::fromStdString(*kept);
        pos = static_cast<int>(input.size());
        return Acceptable;
    }
};

}  // namespace

void setUpDriveBox(QComboBox* box) {
    box->setEditable(true);
    selectAllOnFocus(box);
    box->setInsertPolicy(QComboBox::NoInsert);  // the list stays the drive list
    box->setCompleter(nullptr);                 // no inline completion of a typed letter
    wheelOnlyWhenFocused(box);
    QSignalBlocker quiet(box);
    for (auto item : library::kDriveBoxItems)
        box->addItem(QString::fromUtf8(item.data(), static_cast<qsizetype>(item.size())));
    box->setCurrentIndex(-1);  // no entry chosen: the box starts empty
    box->setValidator(new DriveBoxRule(box));
}

void setDriveBoxTextQuietly(QComboBox* box, const QString& text) {
    QSignalBlocker quiet(box);
    // A text put in from outside stays as it is, even one the operator could not type.
    const QValidator* rule = box->validator();
    box->lineEdit()->setValidator(nullptr);
    box->setEditText(text);
    box->lineEdit()->setValidator(rule);
}

SearchPanel::SearchPanel(app::Station& station, QWidget* parent)
    : QWidget(parent), station_(station) {
    setObjectName(QStringLiteral("searchGroup"));
    auto& search = station_.search();
    auto& listings = station_.listings();

    searchBox_ = new QComboBox(this);
    searchBox_->setObjectName(QStringLiteral("searchBox"));
    searchBox_->setEditable(true);
    searchBox_->setInsertPolicy(QComboBox::NoInsert);  // the history has its own rule
    searchBox_->setGeometry(8, 8, 200, 26);
    searchBox_->setEditText(search.text());
    searchBox_->lineEdit()->installEventFilter(this);
    ui::selectAllOnFocus(searchBox_);
    // Qt's inline completion would turn a typed 中 into an older 中国风 on Enter.
    searchBox_->setCompleter(nullptr);

    searchButton_ = new QPushButton(QStringLiteral(" 查找【Enter】"), this);
    searchButton_->setObjectName(QStringLiteral("searchButton"));
    searchButton_->setToolTip(QStringLiteral("回车为本地查找快捷键"));
    searchButton_->setGeometry(214, 8, 110, 26);

    numberMode_ = new QCheckBox(QStringLiteral("编号查找"), this);
    numberMode_->setObjectName(QStringLiteral("numberModeBox"));
    numberMode_->setGeometry(8, 38, 100, 22);

    syncDownload_ = new QCheckBox(QStringLiteral("同步下载"), this);
    syncDownload_->setObjectName(QStringLiteral("syncDownloadBox"));
    syncDownload_->setToolTip(QStringLiteral("勾选后输入编号后回车文件就直接下载到U盘相应目录"));
    syncDownload_->setGeometry(112, 38, 100, 22);
    connect(syncDownload_, &QCheckBox::toggled, this, [this](bool on) { station_.setSyncDownload(on); });
    connect(&station_, &app::Station::syncDownloadChanged, syncDownload_, [this](bool on) {
        QSignalBlocker quiet(syncDownload_);
        syncDownload_->setChecked(on);
    });

    static constexpr std::array<const char*, 6> kQuickBoxNames{
        "ComboBox3", "ComboBox4", "ComboBox5", "ComboBox20", "ComboBox21", "ComboBox22"};
    for (size_t n = 0; n < kQuickBoxNames.size(); ++n) {
        auto* box = new QComboBox(this);
        box->setObjectName(QLatin1String(kQuickBoxNames[n]));
        setUpDriveBox(box);
        box->setGeometry(336 + static_cast<int>(n % 3) * 60, 8 + static_cast<int>(n / 3) * 26, 56, 24);
        setDriveBoxTextQuietly(box, QString::fromStdString(station_.libraryDrives()[n]));
        connect(box, &QComboBox::editTextChanged, this,
                [this, n](const QString& text) { quickDriveChanged(static_cast<int>(n), text); });
        quickDriveBoxes_[n] = box;
    }

    readyLabel_ = new QLabel(listings.readyText(), this);
    readyLabel_->setObjectName(QStringLiteral("readyLabel"));
    readyLabel_->setGeometry(8, 64, 220, 20);
    auto* took = new QLabel(QStringLiteral("用时     秒"), this);
    took->setGeometry(240, 64, 90, 20);
    secondsLabel_ = new QLabel(QString::number(listings.seconds()), this);
    secondsLabel_->setObjectName(QStringLiteral("secondsLabel"));
    secondsLabel_->setAlignment(Qt::AlignCenter);
    secondsLabel_->setGeometry(262, 64, 26, 20);

    connect(searchButton_, &QPushButton::clicked, this, &SearchPanel::startSearch);
    connect(searchBox_, &QComboBox::editTextChanged, this,
            [&search](const QString& text) { search.setText(text); });
    connect(numberMode_, &QCheckBox::toggled, this, [&search](bool on) { search.setNumberMode(on); });
    connect(&search, &search::SearchController::textChanged, searchBox_, &QComboBox::setEditText);
    connect(&search, &search::SearchController::numberModeChanged, numberMode_, [this](bool on) {
        QSignalBlocker quiet(numberMode_);
        numberMode_->setChecked(on);
    });
    connect(&search, &search::SearchController::historyChanged, this, &SearchPanel::showHistory);
    connect(&search, &search::SearchController::focusSearchBox, this, &SearchPanel::focusSearchBox);
    connect(&search, &search::SearchController::selectSearchText, searchBox_,
            [this] { searchBox_->lineEdit()->selectAll(); });
    connect(&search, &search::SearchController::refused, this, [this](const QString& message) {
        QMessageBox::information(window(), texts::kApplicationTitle, message);
    });
    connect(&station_, &app::Station::libraryDrivesLoaded, this, [this] {
        for (size_t n = 0; n < quickDriveBoxes_.size(); ++n)
            setDriveBoxTextQuietly(quickDriveBoxes_[n], QString::fromStdString(station_.libraryDrives()[n]));
    });
    connect(&listings, &library::Listings::readyTextChanged, readyLabel_, &QLabel::setText);
    connect(&listings, &library::Listings::secondsChanged, secondsLabel_,
            [this](int s) { secondsLabel_->setText(QString::number(s)); });
    connect(&listings, &library::Listings::searchEnabledChanged, searchButton_, &QWidget::setEnabled);

    webSearchButton_ = new QPushButton(QStringLiteral("网上搜索"), this);
    webSearchButton_->setObjectName(QStringLiteral("webSearchButton"));
    webSearchButton_->setToolTip(QStringLiteral("网上查找"));
    webSearchButton_->setGeometry(214, 36, 110, 24);
    connect(webSearchButton_, &QPushButton::clicked, this,
            [this] { Q_EMIT webSearchRequested(searchBox_->currentText()); });

    resourceButton_ = new QPushButton(QStringLiteral("Zorvik影音 资源网"), this);
    resourceButton_->setObjectName(QStringLiteral("resourceButton"));
    QPalette red = resourceButton_->palette();
    red.setColor(QPalette::ButtonText, Qt::red);
    resourceButton_->setPalette(red);
    resourceButton_->setGeometry(336, 62, 176, 24);
    connect(resourceButton_, &QPushButton::clicked, this, [this] {
        QDesktopServices::openUrl(core::makerPages(station_.settings(), station_.folders()).resource);
    });
}

void SearchPanel::startSearch() {
    if (!searchButton_->isEnabled()) return;
    station_.search().setText(searchBox_->currentText());
    station_.search().start();
}

void SearchPanel::showHistory(const QStringList& items) {
    // Rebuilding the items resets the edit; what the operator sees and is
    // typing stays, so a selected number is still replaced by the next one.
    QLineEdit* edit = searchBox_->lineEdit();
    const QString text = edit->text();
    const int selectionStart = edit->selectionStart();
    const int selectionLength = edit->selectionLength();
    const int cursor = edit->cursorPosition();
    QSignalBlocker quiet(searchBox_);
    searchBox_->clear();
    searchBox_->addItems(items);
    searchBox_->setCurrentIndex(-1);
    searchBox_->setEditText(text);
    if (selectionLength > 0)
        edit->setSelection(selectionStart, selectionLength);
    else
        edit->setCursorPosition(cursor);
}

void SearchPanel::quickDriveChanged(int index, const QString& text) {
    const std::string drive = text.toStdString();
    library::storeLibraryDrive(station_.settings(), index + 1, drive);
    library::createCategoryFolders(station_.driveTable(), drive);
    station_.cues().request(core::Cues::Select);
    focusSearchBox();
    station_.setLibraryDrive(index, drive);
}

void SearchPanel::focusSearchBox() {
    searchBox_->setFocus();
    // Also when the box had the focus already, or the window is not yet active
    // and the focus comes only with it: typing replaces the prompt.
    searchBox_->lineEdit()->selectAll();
}

void SearchPanel::showLibraryDrive(int index, const QString& text) {
    if (index < 0 || index >= static_cast<int>(quickDriveBoxes_.size())) return;
    setDriveBoxTextQuietly(quickDriveBoxes_[static_cast<size_t>(index)], text);
    station_.setLibraryDrive(index, text.toStdString());
}

bool SearchPanel::eventFilter(QObject* watched, QEvent* event) {
    // A double-click takes the whole text, not one word of it.
    if (watched == searchBox_->lineEdit() && event->type() == QEvent::MouseButtonDblClick) {
        searchBox_->lineEdit()->selectAll();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace zorvik::ui
