#pragma once

#include <QByteArray>
#include <QImage>
#include <QObject>
#include <QSize>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "core/jobs.h"

#include "platform/drives.h"

namespace zorvik::ui {

// A picture file made ready for a pane.
struct DecodedPicture {
    bool ok = false;
    QImage still;          // scaled to the pane already
    QByteArray animation;  // an animation's file bytes, for QMovie
    QSize frame;           // its frames scaled to the pane, in device pixels
};

// Reads and decodes the panes' picture files on a few worker threads of low
// priority, in the order asked for, so that the GUI thread keeps the
// processor while a page of large photos loads. A JPEG is decoded straight at
// about the pane's size, which makes a 12-megapixel photo a matter of
// milliseconds of decoding; the rest is decoded whole and scaled smoothly.
class PictureDecoder final : public QObject {
    Q_OBJECT
public:
    using Done = std::function<void(const std::shared_ptr<DecodedPicture>&)>;

    PictureDecoder(core::JobRegistry& jobs, const platform::DriveTable& drives, int workers,
                   QObject* parent = nullptr);
    ~PictureDecoder() override;

    // Decodes `path` (a program path) to fit `target` device pixels; `done`
    // runs on this object's thread. A new request of the same client
    // replaces one of its requests still waiting.
    void request(const void* client, std::string path, QSize target, Done done);

private:
    struct Request {
        const void* client;
        std::string path;
        QSize target;
        Done done;
    };
    void work(std::stop_token stop);

    const platform::DriveTable& drives_;
    const int workers_;
    std::mutex mutex_;
    std::deque<Request> queue_;
    int running_ = 0;
    core::Jobs jobs_;  // last: joined before the queue goes
};

std::shared_ptr<DecodedPicture> decodePicture(const platform::DriveTable& drives, const std::string& path, QSize target);

}  // namespace zorvik::ui
