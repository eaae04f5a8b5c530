#pragma once

#include <QString>
#include <QWidget>
#include <array>
#include <string>
#include <vector>

#include "core/settingskeys.h"
#include "orders/prices.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zorvik::core {
class Settings;
}
namespace zorvik::player {
class CuePlayer;
}

namespace zorvik::ui {

// Parameters window "参数设置": unit prices, the search box's input method
// and the start-up state of the two option boxes. Created once at start-up,
// which is when the prices in use load; shown and hidden, never modal.
class TCanSHuForm final : public QWidget {
    Q_OBJECT
public:
    TCanSHuForm(core::Settings& settings, player::CuePlayer& cues,
                const std::vector<std::string>& inputMethods, QWidget* parent = nullptr);

    // Fixed from creation to exit; saving changes only the file.
    const orders::UnitPriceTable& unitPrices() const { return prices_; }
    // Empty when none is stored and none is installed.
    const QString& inputMethod() const { return inputMethod_; }

    // Start-up: ticks the boxes from the two settings; a box that changes
    // writes its value back as the operator's click would.
    void setOptionBoxes(bool syncDownload, bool numberSearch);
    // The operator's choice in the drop-down: stored at once, used at once.
    void chooseInputMethod(const QString& name);
    // "保存设置并退出".
    void save();

    QComboBox* inputMethodBox() const { return inputMethodBox_; }
    QCheckBox* syncDownloadBox() const { return syncDownload_; }
    QCheckBox* numberSearchBox() const { return numberSearch_; }
    QLineEdit* priceField(int index) const { return priceFields_[static_cast<size_t>(index)]; }
    QPushButton* saveButton() const { return saveButton_; }

Q_SIGNALS:
    // The search box switches to this input method when focused (in keyword search).
    void inputMethodChosen(const QString& name);

private:
    void buildPriceGroup(QWidget* group);
    void storeOption(const core::keys::Key& key, bool on);
    orders::PriceTexts fieldTexts() const;

    core::Settings& settings_;
    player::CuePlayer& cues_;
    orders::UnitPriceTable prices_{};
    QString inputMethod_;

    QComboBox* inputMethodBox_;
    QCheckBox* syncDownload_;
    QCheckBox* numberSearch_;
    std::array<QLineEdit*, orders::kCategoryCount> priceFields_{};
    QPushButton* saveButton_;
};

}  // namespace zorvik::ui
