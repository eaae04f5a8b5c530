#include "ui/picturedecoder.h"

#include <QBuffer>
#include <QImageReader>
#include <algorithm>

#include "platform/fileops.h"
#include "platform/process.h"

namespace zorvik::ui {

namespace {

QSize fitted(QSize size, QSize target) {
    return size.isEmpty() ? size : size.scaled(target, Qt::KeepAspectRatio).expandedTo({1, 1});
}

}  // namespace

std::shared_ptr<DecodedPicture> decodePicture(const platform::DriveTable& drives, const std::string& path, QSize target) {
    auto result = std::make_shared<DecodedPicture>();
    QByteArray data;
    {
        auto bytes = platform::readWholeFile(drives, path);
        if (!bytes) return result;
        data = QByteArray::fromStdString(*bytes);
    }
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
        const QSize fit = fitted(size, target);
        // Scaling happens before the turn.
        if (fit.width() < size.width()) reader.setScaledSize(turned ? fit.transposed() : fit);
    }
    QImage image = reader.read();
    if (image.isNull()) return result;
    const QSize fit = fitted(image.size(), target);
    if (image.size() != fit) image = image.scaled(fit, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    result->still = std::move(image);
    result->ok = true;
    return result;
}

PictureDecoder::PictureDecoder(core::JobRegistry& jobs, const platform::DriveTable& drives, int workers,
                               QObject* parent)
    : QObject(parent), drives_(drives), workers_(std::max(1, workers)), jobs_(this, jobs, core::JobKind::Reads) {}

PictureDecoder::~PictureDecoder() {
    {
        std::lock_guard lock(mutex_);
        queue_.clear();  // what is waiting is not worth decoding now
    }
    jobs_.cancelAll();
}

void PictureDecoder::request(const void* client, std::string path, QSize target, Done done) {
    {
        std::lock_guard lock(mutex_);
        std::erase_if(queue_, [client](const Request& r) { return r.client == client; });
        queue_.push_back({client, std::move(path), target, std::move(done)});
        if (running_ >= workers_) return;
        ++running_;
    }
    jobs_.start([this](std::stop_token stop) { work(stop); });
}

void PictureDecoder::work(std::stop_token stop) {
    platform::lowerCurrentThreadPriority();
    for (;;) {
        Request next;
        {
            std::lock_guard lock(mutex_);
            if (queue_.empty() || stop.stop_requested()) {
                --running_;
                return;
            }
            next = std::move(queue_.front());
            queue_.pop_front();
        }
        auto result = decodePicture(drives_, next.path, next.target);
        jobs_.post([done = std::move(next.done), result] { done(result); });
    }
}

}  // namespace zorvik::ui
