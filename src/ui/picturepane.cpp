#include "ui/picturepane.h"

#include <QBuffer>
#include <QImageReader>
#include <QMovie>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include "library/layout.h"
#include "platform/fileops.h"

namespace zorvik::ui {

struct PicturePane::Decoded {
    bool ok = false;
    QImage still;          // scaled to the pane already
    QByteArray animation;  // the file's bytes, for QMovie
    QSize frame;           // an animation's frames scaled to the pane, in device pixels
};

namespace {

QSize fitted(QSize size, QSize target) {
    return size.isEmpty() ? size : size.scaled(target, Qt::KeepAspectRatio).expandedTo({1, 1});
}

// Reads and decodes a picture file for a pane of `target` device pixels. A
// JPEG is decoded straight at (about) the pane's size, which makes a 12
// megapixel photo a matter of milliseconds; the rest is decoded whole and
// scaled smoothly.
std::shared_ptr<PicturePane::Decoded> decode(const std::string& path, QSize target, std::stop_token stop) {
    auto result = std::make_shared<PicturePane::Decoded>();
    auto bytes = platform::readWholeFile(path);
    if (!bytes || stop.stop_requested()) return result;
    QByteArray data = QByteArray::fromStdString(*bytes);
    bytes.reset();
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    {
        QImageReader probe(&buffer);
        if (probe.supportsAnimation() && probe.imageCount() > 1 && probe.size().isValid()) {
            result->frame = fitted(probe.size(), target);
            result->animation = data;
            result->ok = true;
            return result;
        }
    }
    buffer.seek(0);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);  // phone photos lie on their side otherwise
    QSize size = reader.size();
    if (size.isValid()) {
        const bool turned = reader.transformation() & QImageIOHandler::TransformationRotate90;
        if (turned) size.transpose();
        QSize fit = fitted(size, target);
        // Scaling happens before the turn.
        if (fit.width() < size.width()) reader.setScaledSize(turned ? fit.transposed() : fit);
    }
    if (stop.stop_requested()) return result;
    QImage image = reader.read();
    if (image.isNull()) return result;
    const QSize fit = fitted(image.size(), target);
    if (image.size() != fit) image = image.scaled(fit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    result->still = std::move(image);
    result->ok = true;
    return result;
}

}  // namespace

PicturePane::PicturePane(int number, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("picturePane%1").arg(number));
    setAccessibleName(QStringLiteral("图片%1").arg(number));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

PicturePane::~PicturePane() = default;

QString PicturePane::fileName() const {
    const std::string path = path_.toStdString();
    return QString::fromStdString(std::string(library::fileNameOf(path)));
}

void PicturePane::showFile(const QString& path) {
    path_ = path;
    state_ = State::Loading;
    setAccessibleDescription(fileName());
    const quint64 generation = ++generation_;
    const qreal ratio = devicePixelRatioF();
    const QSize target = (QSizeF(size()) * ratio).toSize();
    jobs_.cancelAll();  // a picture paged past is not worth finishing
    jobs_.start([this, generation, target, ratio, file = path.toStdString()](std::stop_token stop) {
        auto result = decode(file, target, stop);
        result->still.setDevicePixelRatio(ratio);
        jobs_.post([this, generation, result] { finish(generation, result); });
    });
}

void PicturePane::finish(quint64 generation, const std::shared_ptr<Decoded>& result) {
    if (generation != generation_) return;  // told to show something else meanwhile
    dropMovie();
    image_ = QImage();
    if (!result->ok) {
        state_ = State::Undecodable;
    } else if (!result->animation.isEmpty()) {
        movieData_ = std::make_unique<QBuffer>();
        movieData_->setData(result->animation);
        movieData_->open(QIODevice::ReadOnly);
        movie_ = std::make_unique<QMovie>(movieData_.get());
        movie_->setScaledSize(result->frame);
        connect(movie_.get(), &QMovie::frameChanged, this, [this] { update(); });
        movie_->start();
        state_ = State::Animation;
    } else {
        image_ = result->still;
        state_ = State::Picture;
    }
    update();
    Q_EMIT loaded(result->ok);
}

void PicturePane::dropMovie() {
    movie_.reset();
    movieData_.reset();
}

void PicturePane::setMarked(bool marked) {
    if (marked_ == marked) return;
    marked_ = marked;
    update();
}

QRect PicturePane::pictureRect() const {
    QSizeF shown;
    if (!image_.isNull())
        shown = image_.deviceIndependentSize();
    else if (movie_)
        shown = QSizeF(movie_->scaledSize()) / devicePixelRatioF();
    else
        return rect();
    QRectF area(QPointF(), shown);
    area.moveCenter(QRectF(rect()).center());
    return area.toAlignedRect();
}

void PicturePane::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);  // the page behind the picture
    const QRect area = pictureRect();
    if (!image_.isNull()) {
        painter.drawImage(area, image_);
    } else if (movie_) {
        painter.drawPixmap(area, movie_->currentPixmap());
    } else if (state_ == State::Undecodable) {
        painter.setPen(palette().color(QPalette::Disabled, QPalette::WindowText));
        painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWrapAnywhere, fileName());
    }
    if (marked_) {
        // As a browser marks a page whose content is all selected.
        QColor highlight = palette().color(QPalette::Highlight);
        painter.setPen(QPen(highlight, 2));
        highlight.setAlpha(110);
        painter.setBrush(highlight);
        painter.drawRect(QRectF(area).adjusted(1, 1, -1, -1));
    }
    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect().adjusted(2, 2, -2, -2);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

}  // namespace zorvik::ui
