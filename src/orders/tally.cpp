#include "orders/tally.h"

#include "core/mediafiles.h"
#include "library/layout.h"

namespace zorvik::orders {

namespace {
constexpr int kPictureCategory = 5;
constexpr int kMostSignificantDigits = 15;
}  // namespace

TallyFigures countEntries(const std::vector<std::string>& entries, const std::vector<std::int64_t>& sizes) {
    TallyFigures figures;
    for (size_t i = 0; i < entries.size(); ++i) {
        const std::string& entry = entries[i];
        // Each file is truncated on its own: three files of 5,000 bytes add nothing.
        const std::int64_t size = i < sizes.size() ? sizes[i] : 0;
        if (size > 0) figures.sizeUnits += size / 10240;
        const std::string_view folder =
            std::string_view(entry).substr(0, entry.size() - core::fileNameOf(entry).size());
        int category = library::categoryOf(folder);
        if (category == 0) category = kPictureCategory;
        ++figures.counts[static_cast<size_t>(category - 1)];
        ++figures.entries;
    }
    return figures;
}

std::int64_t amountDue(const TallyFigures& figures, const UnitPriceTable& prices) {
    std::int64_t sum = 0;
    for (size_t i = 0; i < prices.size(); ++i) sum += figures.counts[i] * prices[i];
    return sum;
}

std::string amountText(std::int64_t tenThousandths) {
    const bool negative = tenThousandths < 0;
    std::string digits = std::to_string(negative ? -tenThousandths : tenThousandths);
    if (digits.size() < 5) digits = std::string(5 - digits.size(), '0') + digits;
    // Keep at most 15 significant digits, rounding half up, as a general
    // floating-point format would.
    const size_t first = digits.find_first_not_of('0');
    if (first != std::string::npos && digits.size() - first > kMostSignificantDigits) {
        size_t cut = first + kMostSignificantDigits;
        bool up = digits[cut] >= '5';
        for (size_t i = cut; i < digits.size(); ++i) digits[i] = '0';
        for (size_t i = cut; up && i-- > 0;) {
            if (digits[i] == '9') {
                digits[i] = '0';
            } else {
                ++digits[i];
                up = false;
            }
        }
        if (up) digits = '1' + digits;
    }
    std::string whole = digits.substr(0, digits.size() - 4);
    std::string fraction = digits.substr(digits.size() - 4);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    std::string text = (negative ? "-" : "") + whole;
    if (!fraction.empty()) text += "." + fraction;
    return text;
}

Tally::Tally(QObject* parent) : QObject(parent) {}

void Tally::recompute(int activeList, const std::vector<std::string>& entries,
                      const std::vector<std::int64_t>& sizes) {
    figures_ = countEntries(entries, sizes);
    if (figures_.entries > 0) {
        sizeText_ = QString::fromStdString(core::sizeText(figures_.sizeUnits * 10240));
        // An emptied list keeps its last total for the copy engine's bar.
        listTotals_[static_cast<size_t>(activeList - 1)] = sizeText_;
        Q_EMIT listTotalChanged(activeList, sizeText_);
    } else {
        sizeText_ = QStringLiteral("0");
    }
    amount_ = QString::fromStdString(amountText(amountDue(figures_, prices_)));
    Q_EMIT changed();
}

void Tally::pictureAdded(int entries) {
    ++figures_.counts[kPictureCategory - 1];
    figures_.entries = entries;
    Q_EMIT changed();
}

void Tally::refreshAmount() {
    amount_ = QString::fromStdString(amountText(amountDue(figures_, prices_)));
    Q_EMIT changed();
}

}  // namespace zorvik::orders
