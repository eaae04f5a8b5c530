#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <QWidget>
#include <memory>

class QBuffer;
class QMovie;

namespace zorvik::ui {

class PictureDecoder;
struct DecodedPicture;

// One pane of the picture browser: a picture file scaled to fit the pane,
// an animated GIF playing. The decoder reads and decodes the file beside the
// GUI thread, so a page of large photos never holds the window up; until the
// new picture is ready the pane keeps what it showed. A file that cannot be
// decoded leaves the pane empty but for its file name.
class PicturePane final : public QWidget {
    Q_OBJECT
public:
    enum class State { Empty, Loading, Picture, Animation, Undecodable };

    PicturePane(int number, PictureDecoder& decoder, QWidget* parent = nullptr);
    ~PicturePane() override;

    // `path` is a program path (a drive path, or a native one).
    void showFile(const QString& path);
    // The selection mark over the whole picture.
    void setMarked(bool marked);

    bool marked() const { return marked_; }
    State state() const { return state_; }
    QString path() const { return path_; }
    QString fileName() const;
    // The picture as shown, for tests: empty unless a still picture is shown.
    const QImage& image() const { return image_; }
    QMovie* movie() const { return movie_.get(); }

Q_SIGNALS:
    // What the pane was told to show last has been decoded, or has failed.
    void loaded(bool decoded);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void finish(quint64 generation, const std::shared_ptr<DecodedPicture>& result);
    void dropMovie();
    QRect pictureRect() const;

    PictureDecoder& decoder_;
    QString path_;
    State state_ = State::Empty;
    bool marked_ = false;
    quint64 generation_ = 0;
    QImage image_;
    std::unique_ptr<QBuffer> movieData_;
    std::unique_ptr<QMovie> movie_;
};

}  // namespace zorvik::ui
