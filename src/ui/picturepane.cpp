#include "ui/picturepane.h"

#include <QBuffer>
#include <QMovie>
#include <QPainter>
#include <QStyleOptionFocusRect>

#include "core/mediafiles.h"
#include "ui/picturedecoder.h"

namespace zorvik::ui {

PicturePane::PicturePane(int number, PictureDecoder& decoder, QWidget* parent)
    : QWidget(parent), decoder_(decoder) {
    setObjectName(QStringLiteral("picturePane%1").arg(number));
    setAccessibleName(QStringLiteral("图片%1").arg(number));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

PicturePane::~PicturePane() = default;

QString PicturePane::fileName() const {
    const std::string path = path_.toStdString();
    return QString::fromStdString(std::string(core::fileNameOf(path)));
}

void PicturePane::showFile(const QString& path) {
    path_ = path;
    state_ = State::Loading;
    setAccessibleDescription(fileName());
    const quint64 generation = ++generation_;
    const qreal ratio = devicePixelRatioF();
    const QSize target = (QSizeF(size()) * ratio).toSize();
    decoder_.request(this, path.toStdString(), target,
                     [this, generation](const std::shared_ptr<DecodedPicture>& result) { finish(generation, result); });
}

void PicturePane::finish(quint64 generation, const std::shared_ptr<DecodedPicture>& result) {
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
        image_.setDevicePixelRatio(devicePixelRatioF());
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
