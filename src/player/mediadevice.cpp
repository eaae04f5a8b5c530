#include "player/mediadevice.h"

namespace zorvik::player {

QtMediaDevice::QtMediaDevice(QObject* parent) : MediaDevice(parent) {
    if (const auto* module = platform::soundModule()) backend_.reset(module->media(*this));
}

QtMediaDevice::~QtMediaDevice() = default;

int QtMediaDevice::open(const QString& nativePath) {
    ++serial_;
    if (backend_) {
        backend_->open(nativePath);
    } else {
        // Reported as the backend would, after open() has returned the number.
        QMetaObject::invokeMethod(
            this, [this, serial = serial_] { Q_EMIT failed(serial, QStringLiteral("声音模块无法加载")); },
            Qt::QueuedConnection);
    }
    return serial_;
}

void QtMediaDevice::play() {
    if (backend_) backend_->play();
}

void QtMediaDevice::pauseToggle() {
    if (backend_) backend_->pauseToggle();
}

void QtMediaDevice::stop() {
    if (backend_) backend_->stop();
}

void QtMediaDevice::seek(qint64 ms) {
    if (backend_) backend_->seek(ms);
}

qint64 QtMediaDevice::position() const { return backend_ ? backend_->position() : 0; }

qint64 QtMediaDevice::length() const { return backend_ ? backend_->length() : 0; }

void QtMediaDevice::mediaOpened(qint64 lengthMs) { Q_EMIT opened(serial_, lengthMs); }

void QtMediaDevice::mediaLengthChanged(qint64 lengthMs) { Q_EMIT lengthChanged(serial_, lengthMs); }

void QtMediaDevice::mediaFailed(const QString& text) { Q_EMIT failed(serial_, text); }

void QtMediaDevice::mediaEnded() { Q_EMIT ended(serial_); }

}  // namespace zorvik::player
