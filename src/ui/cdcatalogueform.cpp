#include "ui/cdcatalogueform.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QVBoxLayout>

#include <optional>

#include "core/errors.h"
#include "core/settings.h"
#include "ui/focusselect.h"

namespace zorvik::ui {

namespace {


// Both lists draw their lines 20 pixels high.
class TwentyPixelLines final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), 20};
    }
};

QListView* lineList(const char* name, const QString& accessibleName, QStringListModel& model, QWidget* parent) {
    auto* view = new QListView(parent);
    view->setObjectName(QLatin1String(name));
    view->setAccessibleName(accessibleName);
    view->setModel(&model);
    view->setItemDelegate(new TwentyPixelLines(view));
    view->setUniformItemSizes(true);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    return view;
}

QLineEdit* field(const char* name, const QString& caption, QWidget* parent, QVBoxLayout* column) {
    auto* label = new QLabel(caption, parent);
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->setAccessibleName(caption.chopped(1));  // without the colon
    label->setBuddy(edit);
    selectAllOnFocus(edit);
    column->addWidget(label);
    column->addWidget(edit);
    return edit;
}

QPushButton* button(const QString& caption, const char* name, QWidget* parent, QVBoxLayout* column) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QLatin1String(name));
    column->addWidget(b);
    return b;
}

// Lines down the page in the font's line height, a line wider than the page
// wrapped, a new page when the next line would not fit.
std::optional<QString> printLines(QPrinter& printer, const QFont& font, const QStringList& lines) {
    QPainter painter;
    if (!painter.begin(&printer)) return QStringLiteral("打印机未就绪，或打印任务被拒绝。");
    painter.setFont(font);
    const QFontMetricsF metrics(font, &printer);
    // The painter's origin is the top left of the printable area.
    const QSizeF page = printer.pageLayout().paintRectPixels(printer.resolution()).size();
    const qreal lineHeight = metrics.lineSpacing();
    qreal y = 0;
    for (const QString& line : lines) {
        QTextLayout layout(line, font, &printer);
        QTextOption option;
        option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        layout.setTextOption(option);
        layout.beginLayout();
        QList<QTextLine> rows;
        for (QTextLine row = layout.createLine(); row.isValid(); row = layout.createLine()) {
            row.setLineWidth(page.width());
            rows << row;
        }
        layout.endLayout();
        if (rows.isEmpty()) rows << QTextLine();  // an empty line still takes its height
        for (const QTextLine& row : rows) {
            if (y + lineHeight > page.height() && y > 0) {
                if (!printer.newPage()) {
                    painter.end();
                    return QStringLiteral("打印失败：无法开始新的一页。");
                }
                y = 0;
            }
            if (row.isValid()) row.draw(&painter, QPointF(0, y));
            y += lineHeight;
        }
    }
    if (!painter.end() || printer.printerState() == QPrinter::Error)
        return QStringLiteral("打印失败：打印任务没有完成。");
    return std::nullopt;
}

}  // namespace

TCDMuLuForm::TCDMuLuForm(core::Settings& settings, QWidget* parent)
    : QWidget(parent, Qt::Window), settings_(settings) {
    setObjectName(QStringLiteral("CDMuLuForm"));
    setWindowTitle(QStringLiteral("Brask搜歌 之 CD目录"));
    resize(940, 520);
    setAttribute(Qt::WA_QuitOnClose, false);
    lastFolder_ = QDir::homePath();

    // Left to right: names, 添加 and 排版, header and catalogue, address,
    // telephone and 打印.
    auto* row = new QHBoxLayout(this);
    nameList_ = lineList("nameList", QStringLiteral("文件名列表"), catalogue_.names(), this);
    row->addWidget(nameList_, 3);

    auto* buttons = new QVBoxLayout;
    addButton_ = button(QStringLiteral("添加"), "addButton", this, buttons);
    layOutButton_ = button(QStringLiteral("排版"), "layOutButton", this, buttons);
    buttons->addStretch();
    row->addLayout(buttons);

    auto* middle = new QVBoxLayout;
    header_ = field("headerField", QStringLiteral("版头编辑:"), this, middle);
    header_->setText(catalogue_.header());
    catalogueList_ = lineList("catalogueList", QStringLiteral("CD目录"), catalogue_.lines(), this);
    middle->addWidget(catalogueList_);
    row->addLayout(middle, 4);

    auto* right = new QVBoxLayout;
    address_ = field("addressField", QStringLiteral("地址:"), this, right);
    telephone_ = field("telephoneField", QStringLiteral("电话:"), this, right);
    right->addSpacing(12);
    printButton_ = button(QStringLiteral("打印"), "printButton", this, right);
    right->addStretch();
    row->addLayout(right, 2);

    // The stored values go in as they are; writing them straight back would
    // change nothing but could raise an error box at start-up.
    address_->setText(QString::fromStdString(settings_.read(core::keys::kShopAddress)));
    telephone_->setText(QString::fromStdString(settings_.read(core::keys::kShopTelephone)));

    connect(addButton_, &QPushButton::clicked, this, &TCDMuLuForm::chooseFiles);
    connect(layOutButton_, &QPushButton::clicked, &catalogue_, &library::CdCatalogue::layOut);
    connect(header_, &QLineEdit::textChanged, &catalogue_, &library::CdCatalogue::setHeader);
    connect(address_, &QLineEdit::textChanged, this, [this](const QString& text) {
        settings_.write(core::keys::kShopAddress, text.toStdString());
    });
    connect(telephone_, &QLineEdit::textChanged, this, [this](const QString& text) {
        settings_.write(core::keys::kShopTelephone, text.toStdString());
    });
    connect(printButton_, &QPushButton::clicked, this, &TCDMuLuForm::print);
}

TCDMuLuForm::~TCDMuLuForm() = default;

void TCDMuLuForm::open() {
    showNormal();
    raise();
    activateWindow();
}

void TCDMuLuForm::chooseFiles() {
    QFileDialog dialog(this, QStringLiteral("添加"), lastFolder_, QStringLiteral("所有文件 (*)"));
    dialog.setObjectName(QStringLiteral("addFilesDialog"));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    if (dialog.exec() != QDialog::Accepted) return;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return;
    lastFolder_ = QFileInfo(files.first()).absolutePath();
    catalogue_.setFiles(files);
}

QFont TCDMuLuForm::printFont() const {
    QFont font = catalogueList_->font();
    font.setPointSize(12);
    return font;
}

QPrinter& TCDMuLuForm::printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void TCDMuLuForm::print() {
    QPrintDialog dialog(&printer(), this);
    dialog.setObjectName(QStringLiteral("printDialog"));
    if (dialog.exec() != QDialog::Accepted) return;
    printTo(printer());
}

bool TCDMuLuForm::printTo(QPrinter& printer) {
    const auto failure =
        printLines(printer, printFont(), catalogue_.printedLines(address_->text(), telephone_->text()));
    if (failure) settings_.errors().report(failure->toStdString());
    return !failure;
}

}  // namespace zorvik::ui
