#include "ui/parameterswindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <algorithm>

#include "core/errors.h"
#include "core/settings.h"
#include "player/cueplayer.h"
#include "ui/controlmanners.h"
#include "ui/focusselect.h"
#include "ui/texts.h"

namespace zorvik::ui {

namespace {

class FocusOnClick final : public QObject {
public:
    FocusOnClick(QWidget* target, QObject* parent) : QObject(parent), target_(target) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) target_->setFocus(Qt::ShortcutFocusReason);
        return QObject::eventFilter(watched, event);
    }

private:
    QWidget* target_;
};

// The field sits where the full-width blanks are.
const std::array<QString, orders::kCategoryCount> kPriceCaptions{
    QStringLiteral("音乐：　　　　元/首"), QStringLiteral("MTV：　　　　元/首"),
    QStringLiteral("电影：　　　　元/部"), QStringLiteral("连续剧：　　　元/集"),
    QStringLiteral("图片：　　　　元/个"), QStringLiteral("电子书：　　　元/部"),
    QStringLiteral("游戏：　　　　元/个"), QStringLiteral("伦理片：　　　元/部"),
    QStringLiteral("小品：　　　　元/个"), QStringLiteral("演唱会：　　　元/个"),
    QStringLiteral("铃声：　　　　元/个"), QStringLiteral("其它：　　　　元/个")};

const QString kSavedNotice = QStringLiteral("新设置将在下次开启软件后生效！");

}  // namespace

TCanSHuForm::TCanSHuForm(core::Settings& settings, player::CuePlayer& cues,
                         const std::vector<std::string>& inputMethods, QWidget* parent)
    : QWidget(parent, Qt::Window), settings_(settings), cues_(cues) {
    setObjectName(QStringLiteral("CanSHuForm"));
    setWindowTitle(QStringLiteral("参数设置"));
    setFixedSize(404, 518);
    // Only the main window's close ends the program, even with this one open.
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* methodGroup = new QGroupBox(QStringLiteral("输入法设置"), this);
    methodGroup->setObjectName(QStringLiteral("inputMethodGroup"));
    methodGroup->setGeometry(10, 8, 384, 64);
    auto* methodLabel = new QLabel(QStringLiteral("输入法:"), methodGroup);
    methodLabel->setGeometry(20, 28, 56, 24);
    inputMethodBox_ = new QComboBox(methodGroup);
    inputMethodBox_->setObjectName(QStringLiteral("inputMethodBox"));
    inputMethodBox_->setGeometry(80, 28, 284, 24);

    auto* optionGroup = new QGroupBox(QStringLiteral("选择框设置"), this);
    optionGroup->setObjectName(QStringLiteral("optionGroup"));
    optionGroup->setGeometry(10, 80, 384, 60);
    syncDownload_ = new QCheckBox(QStringLiteral("同步下载"), optionGroup);
    syncDownload_->setObjectName(QStringLiteral("syncDownloadBox"));
    syncDownload_->setGeometry(20, 28, 140, 22);
    numberSearch_ = new QCheckBox(QStringLiteral("编号查找"), optionGroup);
    numberSearch_->setObjectName(QStringLiteral("numberSearchBox"));
    numberSearch_->setGeometry(200, 28, 140, 22);

    auto* priceGroup = new QGroupBox(QStringLiteral("单价设置"), this);
    priceGroup->setObjectName(QStringLiteral("priceGroup"));
    priceGroup->setGeometry(10, 148, 384, 300);
    buildPriceGroup(priceGroup);

    saveButton_ = new QPushButton(QStringLiteral("保存设置并退出"), this);
    saveButton_->setObjectName(QStringLiteral("saveButton"));
    saveButton_->setGeometry(122, 464, 160, 36);

    // Load: the input methods, the stored choice, then the prices in use.
    for (const auto& name : inputMethods) inputMethodBox_->addItem(QString::fromStdString(name));
    inputMethod_ = QString::fromStdString(settings_.read(core::keys::kInputMethod));
    orders::LoadedPrices loaded = orders::loadPrices(settings_);
    for (size_t i = 0; i < priceFields_.size(); ++i)
        priceFields_[i]->setText(QString::fromStdString(loaded.texts[i]));
    prices_ = loaded.prices;
    if (!loaded.faults.empty()) settings_.errors().report(loaded.faults);
    // With none stored the first installed one serves; with none installed the box stays empty.
    if (inputMethod_.isEmpty() && inputMethodBox_->count() > 0) inputMethod_ = inputMethodBox_->itemText(0);
    inputMethodBox_->setCurrentIndex(inputMethodBox_->findText(inputMethod_));
    // A name stored on another machine, or of one taken away since, shows as
    // it is rather than as a blank box.
    inputMethodBox_->setPlaceholderText(inputMethod_);

    connect(inputMethodBox_, &QComboBox::textActivated, this, &TCanSHuForm::chooseInputMethod);
    connect(syncDownload_, &QCheckBox::toggled, this,
            [this](bool on) { storeOption(core::keys::kSyncDownload, on); });
    connect(numberSearch_, &QCheckBox::toggled, this,
            [this](bool on) { storeOption(core::keys::kNumberSearch, on); });
    connect(saveButton_, &QPushButton::clicked, this, &TCanSHuForm::save);
}

void TCanSHuForm::buildPriceGroup(QWidget* group) {
    const QFontMetrics metrics(group->font());
    const QChar blank(0x3000);
    constexpr int kRowWidth = 176;
    for (size_t i = 0; i < priceFields_.size(); ++i) {
        const QString& caption = kPriceCaptions[i];
        const int x = i < 6 ? 16 : 200;
        const int y = 30 + static_cast<int>(i % 6) * 44;
        const qsizetype first = caption.indexOf(blank);
        qsizetype last = first;
        while (last < caption.size() && caption[last] == blank) ++last;

        // The caption's name and unit with the field in place of its blanks,
        // as wide as the row allows: a price with all its decimals shows whole.
        auto* name = new QLabel(caption.left(first), group);
        name->setObjectName(QStringLiteral("priceCaption%1").arg(i + 1));
        const int nameWidth = metrics.horizontalAdvance(name->text()) + 2;
        name->setGeometry(x, y, nameWidth, 24);
        auto* unit = new QLabel(caption.mid(last), group);
        unit->setObjectName(QStringLiteral("priceUnit%1").arg(i + 1));
        const int unitWidth = metrics.horizontalAdvance(unit->text()) + 2;
        unit->setGeometry(x + kRowWidth - unitWidth, y, unitWidth, 24);

        auto* field = new QLineEdit(group);
        field->setObjectName(QStringLiteral("priceField%1").arg(i + 1));
        field->setAccessibleName(caption.left(first) + caption.mid(last));
        field->setAlignment(Qt::AlignCenter);
        field->setGeometry(x + nameWidth + 2, y + 1, kRowWidth - nameWidth - unitWidth - 6, 22);
        field->setToolTip(QStringLiteral("单价，如 0.5；保存后下次开启软件时生效"));
        field->setText(QString::fromUtf8(orders::kPriceFields[i].defaultText));
        selectAllOnFocus(field);
        keepTextWhole(field);
        // A click on the caption hands the field the focus, its price selected.
        for (QLabel* part : {name, unit}) part->installEventFilter(new FocusOnClick(field, part));
        priceFields_[i] = field;
    }
}

void TCanSHuForm::setOptionBoxes(bool syncDownload, bool numberSearch) {
    syncDownload_->setChecked(syncDownload);
    numberSearch_->setChecked(numberSearch);
}

void TCanSHuForm::storeOption(const core::keys::Key& key, bool on) {
    if (settings_.write(key, on ? "true" : "false")) cues_.request(core::Cues::Select);
}

void TCanSHuForm::chooseInputMethod(const QString& name) {
    if (name.isEmpty()) return;
    if (const int index = inputMethodBox_->findText(name); index >= 0) inputMethodBox_->setCurrentIndex(index);
    inputMethod_ = name;
    inputMethodBox_->setPlaceholderText(name);
    // The choice holds for this run even when the file cannot take it (that was reported).
    const bool stored = settings_.write(core::keys::kInputMethod, name.toStdString());
    Q_EMIT inputMethodChosen(name);
    if (stored) cues_.request(core::Cues::Select);
}

orders::PriceTexts TCanSHuForm::fieldTexts() const {
    orders::PriceTexts texts;
    for (size_t i = 0; i < priceFields_.size(); ++i) texts[i] = priceFields_[i]->text().toStdString();
    return texts;
}

void TCanSHuForm::save() {
    const orders::PriceTexts texts = fieldTexts();
    const orders::PriceSave result = orders::savePrices(settings_, texts);
    if (!result.refusal.empty()) {
        // Show the operator the first field to mend.
        for (size_t i = 0; i < texts.size(); ++i)
            if (!orders::parsePrice(texts[i]).ok()) {
                priceFields_[i]->setFocus();
                priceFields_[i]->selectAll();
                break;
            }
        QMessageBox::warning(this, windowTitle(), QString::fromStdString(result.refusal));
        return;
    }
    if (!result.saved) return;  // the file refused; the error box said why
    cues_.request(core::Cues::Select);
    QMessageBox::information(this, texts::kApplicationTitle, kSavedNotice);
    hide();
}

}  // namespace zorvik::ui
