#include "ui/tallybox.h"

#include <QLabel>

#include "orders/tally.h"

namespace zorvik::ui {

namespace {

QLabel* label(QWidget* parent, const QString& text, QRect at, const char* style = nullptr) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(at);
    if (style) l->setStyleSheet(QLatin1String(style));
    return l;
}

}  // namespace

TallyBox::TallyBox(orders::Tally& tally, QWidget* parent) : QGroupBox(QStringLiteral("统计"), parent) {
    setObjectName(QStringLiteral("tallyBox"));
    setToolTip(QStringLiteral("统计详细"));
    QFont small = font();
    small.setPixelSize(12);
    setFont(small);

    // The value sits inside its caption, in the gap the caption leaves for it.
    label(this, QStringLiteral("应收金额：　　　　　  元"), {8, 16, 240, 18});
    amount_ = label(this, QStringLiteral("0"), {70, 16, 90, 18}, "color: red; font-weight: bold;");
    amount_->setAlignment(Qt::AlignCenter);

    // Three columns of four: the categories in their order, column by column.
    static const char16_t* const kCaptions[12] = {u"音  乐：", u"M T V ：", u"电  影：", u"连续剧：",
                                                  u"图  片：", u"电子书：", u"游  戏：", u"生活片：",
                                                  u"小  品：", u"演唱会：", u"铃  声：", u"其  它："};
    for (int i = 0; i < 12; ++i) {
        const int x = 8 + (i / 4) * 82;
        const int y = 36 + (i % 4) * 17;
        label(this, QString::fromUtf16(kCaptions[i]), {x, y, 52, 16});
        counts_[static_cast<size_t>(i)] = label(this, QStringLiteral("0"), {x + 52, y, 28, 16});
    }

    label(this, QStringLiteral("文件大小：           MB  共:      个对象"), {8, 106, 245, 16});
    size_ = label(this, QStringLiteral("0"), {66, 106, 44, 16});
    size_->setAlignment(Qt::AlignCenter);
    entries_ = label(this, QStringLiteral("0"), {150, 106, 26, 16});
    entries_->setAlignment(Qt::AlignCenter);

    diskLine_ = label(this, QString(), {8, 124, 245, 16});
    diskLine_->setObjectName(QStringLiteral("diskLine"));

    connect(&tally, &orders::Tally::changed, this, [this, &tally] { show(tally); });
    show(tally);
}

void TallyBox::show(const orders::Tally& tally) {
    amount_->setText(tally.amount());
    for (size_t i = 0; i < counts_.size(); ++i)
        counts_[i]->setText(QString::number(tally.figures().counts[i]));
    size_->setText(tally.sizeText());
    entries_->setText(tally.entriesText());
}

}  // namespace zorvik::ui
