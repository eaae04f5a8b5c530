#pragma once

#include <QGroupBox>
#include <array>

class QLabel;

namespace zorvik::orders {
class Tally;
}

namespace zorvik::ui {

// The tally box "统计": twelve counts, the amount due, the size and number
// of entries of the active order list, and the disk space line at its foot.
class TallyBox final : public QGroupBox {
    Q_OBJECT
public:
    TallyBox(orders::Tally& tally, QWidget* parent);

    QLabel* amount() const { return amount_; }
    QLabel* count(int category) const { return counts_[static_cast<size_t>(category - 1)]; }
    QLabel* size() const { return size_; }
    QLabel* entries() const { return entries_; }
    QLabel* diskLine() const { return diskLine_; }

private:
    void show(const orders::Tally& tally);

    QLabel* amount_;
    std::array<QLabel*, 12> counts_{};
    QLabel* size_;
    QLabel* entries_;
    QLabel* diskLine_;
};

}  // namespace zorvik::ui
