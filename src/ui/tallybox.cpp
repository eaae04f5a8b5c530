#include "ui/tallybox.h"

#include <QHBoxLayout>
#include <QLabel>

#include "orders/tally.h"
#include "ui/controlmanners.h"

namespace zorvik::ui {

namespace {

QLabel* label(QWidget* parent, const QString& text, QRect at, const char* style = nullptr) {
    auto* l = new QLabel(text, parent);
    l->setGeometry(at);
    if (style) l->setStyleSheet(QLatin1String(style));
    return l;
}

// A line of captions with values between them. Each value keeps at least the
// room its caption left for it and grows with a large figure, pushing the
// rest of the line along, so a figure always shows whole.
class FlowLine {
public:
    FlowLine(QWidget* parent, QRect at) : line_(new QWidget(parent)), layout_(new QHBoxLayout(line_)) {
        line_->setGeometry(at);
        layout_->setContentsMargins(0, 0, 0, 0);
        layout_->setSpacing(0);
    }
    void caption(const QString& text) { layout_->addWidget(new QLabel(text, line_)); }
    QLabel* value(int leastWidth, const char* style = nullptr) {
        auto* l = new QLabel(QStringLiteral("0"), line_);
        l->setMinimumWidth(leastWidth);
        l->setAlignment(Qt::AlignCenter);
        if (style) l->setStyleSheet(QLatin1String(style));
        layout_->addWidget(l);
        return l;
    }
    void end() { layout_->addStretch(1); }

private:
    QWidget* line_;
    QHBoxLayout* layout_;
};

}  // namespace

TallyBox::TallyBox(orders::Tally& tally, QWidget* parent) : QGroupBox(QStringLiteral("统计"), parent) {
    setObjectName(QStringLiteral("tallyBox"));
    setToolTip(QStringLiteral("统计详细"));
    QFont small = font();
    small.setPixelSize(12);
    setFont(small);

    FlowLine due(this, {8, 16, 245, 18});
    due.caption(QStringLiteral("应收金额："));
    amount_ = due.value(90, "color: red; font-weight: bold;");
    due.caption(QStringLiteral(" 元"));
    due.end();

    // Three columns of four: the categories in their order, column by column.
    static const char16_t* const kCaptions[12] = {u"音  乐：", u"M T V ：", u"电  影：", u"连续剧：",
                                                  u"图  片：", u"电子书：", u"游  戏：", u"生活片：",
                                                  u"小  品：", u"演唱会：", u"铃  声：", u"其  它："};
    for (int i = 0; i < 12; ++i) {
        const int x = 8 + (i / 4) * 82;
        const int y = 36 + (i % 4) * 17;
        label(this, QString::fromUtf16(kCaptions[i]), {x, y, 52, 16});
        counts_[static_cast<size_t>(i)] = label(this, QStringLiteral("0"), {x + 52, y, 30, 16});
    }

    FlowLine size(this, {8, 106, 245, 16});
    size.caption(QStringLiteral("文件大小："));
    size_ = size.value(44);
    size.caption(QStringLiteral(" MB  共: "));
    entries_ = size.value(26);
    size.caption(QStringLiteral(" 个对象"));
    size.end();

    diskLine_ = label(this, QString(), {8, 124, 245, 16});
    diskLine_->setObjectName(QStringLiteral("diskLine"));

    connect(&tally, &orders::Tally::changed, this, [this, &tally] { show(tally); });
    show(tally);
}

void TallyBox::show(const orders::Tally& tally) {
    amount_->setText(tally.amount());
    for (size_t i = 0; i < counts_.size(); ++i)
        setWholeText(counts_[i], QString::number(tally.figures().counts[i]));  // a fixed column
    size_->setText(tally.sizeText());
    entries_->setText(tally.entriesText());
}

}  // namespace zorvik::ui
