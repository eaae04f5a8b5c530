#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zorvik::orders {

inline constexpr int kCategoryCount = 12;
// Unit prices per category, exact, in ten-thousandths of a yuan.
using UnitPriceTable = std::array<std::int64_t, kCategoryCount>;

// What the tally box shows for a list of entries.
struct TallyFigures {
    std::array<int, kCategoryCount> counts{};  // by category 1 ... 12; no category counts as a picture
    std::int64_t sizeUnits = 0;                // sum of each file's size in whole units of 10,240 bytes
    int entries = 0;
};

// `sizes` in bytes, by entry; one that is not known (yet) or not there adds nothing.
TallyFigures countEntries(const std::vector<std::string>& entries, const std::vector<std::int64_t>& sizes);
// The amount due in ten-thousandths of a yuan.
std::int64_t amountDue(const TallyFigures& figures, const UnitPriceTable& prices);
// A sum of ten-thousandths as the shop sees it: "0.3", "10.5", "0", no
// trailing zeros, at most 15 significant digits.
std::string amountText(std::int64_t tenThousandths);

// The tally box of the active order list, and the five list totals the copy
// engine's bars run to.
class Tally final : public QObject {
    Q_OBJECT
public:
    explicit Tally(QObject* parent = nullptr);

    void setPrices(const UnitPriceTable& prices) { prices_ = prices; }
    // Works the box out afresh from the active list's entries and their
    // sizes as the order view has read them.
    void recompute(int activeList, const std::vector<std::string>& entries, const std::vector<std::int64_t>& sizes);
    // The picture browser added one picture: one more picture, `entries`
    // objects; the size stays as it was counted last.
    void pictureAdded(int entries);
    // The amount due afresh from the counts as they stand.
    void refreshAmount();

    const TallyFigures& figures() const { return figures_; }
    QString sizeText() const { return sizeText_; }
    QString entriesText() const { return QString::number(figures_.entries); }
    QString amount() const { return amount_; }
    // The total size of list n (1 ... 5) as size text; "0" until it was counted.
    QString listTotal(int list) const { return listTotals_[static_cast<size_t>(list - 1)]; }

Q_SIGNALS:
    void changed();
    void listTotalChanged(int list, const QString& total);

private:
    UnitPriceTable prices_{};
    TallyFigures figures_;
    QString sizeText_ = QStringLiteral("0");
    QString amount_ = QStringLiteral("0");
    std::array<QString, 5> listTotals_{QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("0"),
                                       QStringLiteral("0"), QStringLiteral("0")};
};

}  // namespace zorvik::orders
