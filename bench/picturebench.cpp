// Pages the picture browser through a theme of 60 photos of 4000 by 3000
// pixels and reports the longest stall of the window while a page loads: the
// longest gap between ticks of a 2 ms timer on the GUI thread, from the press
// of "下一页 " or "上一页 " until all six panes show their new pictures.
//
// Reference, in the same run: the same pages decoded on the GUI thread, as a
// pane that loads its file itself would (QImageReader at full size, then a
// smooth scale to the pane). The idle gap of the timer shows what the machine
// itself costs.
//
//   zorvik_picturebench [FOLDER]     (the photos are made once in FOLDER)

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "app/station.h"
#include "platform/textcodec.h"
#include "ui/picturepane.h"
#include "ui/picturewindow.h"

using namespace zorvik;

namespace {

constexpr int kPhotos = 60;
constexpr int kDistinct = 6;
constexpr QSize kPhotoSize{4000, 3000};

// Of the GUI thread: milliseconds on a CPU and runnable but waiting for one,
// from the scheduler's own count; zeros where the kernel keeps none.
struct SchedTimes {
    double onCpu = 0;
    double waiting = 0;
};

SchedTimes schedTimes(int fd) {
    char text[128];
    const ssize_t n = fd >= 0 ? ::pread(fd, text, sizeof text - 1, 0) : -1;
    if (n <= 0) return {};
    text[n] = 0;
    unsigned long long cpu = 0, wait = 0;
    if (std::sscanf(text, "%llu %llu", &cpu, &wait) != 2) return {};
    return {cpu / 1e6, wait / 1e6};
}

// The longest gap between ticks of a 2 ms timer since the last reset, and
// how the GUI thread spent it: on a CPU (its own work) or waiting for one
// (the machine's load).
class GapProbe {
public:
    GapProbe() : sched_(::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC)) {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
        clock_.start();
        timer_.start();
    }
    ~GapProbe() {
        if (sched_ >= 0) ::close(sched_);
    }
    void reset() {
        last_ = clock_.nsecsElapsed();
        lastTimes_ = schedTimes(sched_);
        longest_ = 0;
        longestTimes_ = {};
    }
    double longestMs() {
        tick();  // the gap still open counts too
        return longest_ / 1e6;
    }
    SchedTimes longestTimes() const { return longestTimes_; }

private:
    void tick() {
        const qint64 now = clock_.nsecsElapsed();
        const SchedTimes times = schedTimes(sched_);
        if (now - last_ > longest_) {
            longest_ = now - last_;
            longestTimes_ = {times.onCpu - lastTimes_.onCpu, times.waiting - lastTimes_.waiting};
        }
        last_ = now;
        lastTimes_ = times;
    }
    int sched_;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0;
    SchedTimes lastTimes_;
    qint64 longest_ = 0;
    SchedTimes longestTimes_;
};

// A photo-like picture: smooth light, texture and grain, so the JPEG is as
// large as a camera's (a few megabytes).
QImage photo(int seed) {
    QImage image(kPhotoSize, QImage::Format_RGB32);
    QRandomGenerator random(static_cast<quint32>(seed + 1));
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grain = static_cast<int>(random.bounded(24));
            const int r = (x * 255 / kPhotoSize.width() + seed * 40 + grain) & 255;
            const int g = (y * 255 / kPhotoSize.height() + ((x / 37 + y / 53) % 7) * 9 + grain) & 255;
            const int b = (128 + ((x ^ y) & 63) + seed * 17 + grain) & 255;
            line[x] = qRgb(r, g, b);
        }
    }
    QPainter painter(&image);
    painter.setPen(QPen(Qt::white, 40));
    painter.drawEllipse(QRect(800 + seed * 300, 600, 1600, 1600));
    return image;
}

void makePhotos(const QString& folder) {
    QDir().mkpath(folder);
    for (int i = 0; i < kPhotos; ++i) {
        const QString name = folder + QStringLiteral("/相片%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
        if (QFile::exists(name)) continue;
        if (i < kDistinct) {
            photo(i).save(name, "JPG", 92);
        } else {
            QFile::copy(folder + QStringLiteral("/相片%1.jpg").arg(i % kDistinct, 2, 10, QLatin1Char('0')), name);
        }
    }
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir scratch;
    const QString root = argc > 1 ? QString::fromLocal8Bit(argv[1]) : scratch.path();
    const QString theme = root + QStringLiteral("/e/Brask搜歌库/5-图片/大图/美女");
    std::printf("making %d photos of %dx%d in %s\n", kPhotos, kPhotoSize.width(), kPhotoSize.height(),
                qPrintable(theme));
    std::fflush(stdout);
    makePhotos(theme);
    qint64 bytes = 0;
    for (const auto& info : QDir(theme).entryInfoList(QDir::Files)) bytes += info.size();
    std::printf("photos: %lld bytes, %.1f MB each\n", static_cast<long long>(bytes), bytes / 1e6 / kPhotos);

    const QString program = root + QStringLiteral("/prog");
    QDir().mkpath(program + QStringLiteral("/数据文件"));
    QFile ini(program + QStringLiteral("/数据文件/Corlen.ini"));
    ini.open(QIODevice::WriteOnly);
    ini.write(QByteArray::fromStdString(platform::utf8ToGb18030(
        "[PanFu1]\r\nPanFu1=E\r\n[Drives]\r\nD=" + root.toStdString() + "\r\nE=" + root.toStdString() + "/e\r\n")));
    ini.close();

    app::Station station(core::ProgramFolders::at(program.toStdString()));
    station.create();
    ui::TTuForm window(station);
    int loads = 0;
    for (int k = 0; k < library::kPicturePaneCount; ++k)
        QObject::connect(window.pane(k), &ui::PicturePane::loaded, &window, [&loads] { ++loads; });
    auto waitForPanes = [&](int count) {
        QElapsedTimer waited;
        waited.start();
        while (loads < count && waited.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        return loads >= count;
    };

    // The machine's own noise, over about as long as paging takes.
    GapProbe probe;
    QTest::qWait(300);
    probe.reset();
    QTest::qWait(5000);
    const double idle = probe.longestMs();

    station.pictures().setCursor(0);
    loads = 0;
    probe.reset();
    QElapsedTimer clock;
    clock.start();
    window.showBrowser();
    if (!QTest::qWaitForWindowExposed(&window)) return 1;
    waitForPanes(library::kPicturePaneCount);
    const double showStall = probe.longestMs();
    const double showTime = clock.nsecsElapsed() / 1e6;

    // Forward to the end, then back to the start: ten pages each way.
    std::vector<double> stalls, times;
    double longest = 0;
    SchedTimes longestTimes;
    for (int page = 0; page < 18; ++page) {
        const bool forward = page < 9;
        QTest::qWait(50);
        loads = 0;
        probe.reset();
        clock.restart();
        (forward ? window.nextButton() : window.previousButton())->click();
        if (!waitForPanes(library::kPicturePaneCount)) {
            std::printf("page %d: the panes did not load\n", page + 2);
            return 1;
        }
        const double stall = probe.longestMs();
        const double time = clock.nsecsElapsed() / 1e6;
        stalls.push_back(stall);
        times.push_back(time);
        const SchedTimes spent = probe.longestTimes();
        if (stall > longest) {
            longest = stall;
            longestTimes = spent;
        }
        std::printf("page %2d %-8s stall %6.1f ms (GUI thread on a CPU %5.1f ms, waiting for one %6.1f ms)"
                    "  all six shown after %6.1f ms\n",
                    page + 2, forward ? "forward" : "backward", stall, spent.onCpu, spent.waiting, time);
    }

    // The reference: the same six photos decoded on the GUI thread.
    std::vector<double> reference;
    const QStringList files = QDir(theme).entryList(QDir::Files, QDir::Name);
    for (int page = 0; page < 3; ++page) {
        probe.reset();
        clock.restart();
        for (int k = 0; k < library::kPicturePaneCount; ++k) {
            QImageReader reader(theme + QLatin1Char('/') + files[page * 6 + k]);
            QImage image = reader.read().scaled(QSize(260, 350), Qt::KeepAspectRatio, Qt::SmoothTransformation);
            if (image.isNull()) return 1;
        }
        reference.push_back(clock.nsecsElapsed() / 1e6);
        QTest::qWait(20);
    }

    std::printf("idle_longest_gap_ms %.1f (5 s with the window closed)\n", idle);
    std::printf("show_longest_stall_ms %.1f (theme listed and first page shown after %.1f ms)\n", showStall, showTime);
    std::printf("paging_median_stall_ms %.1f\n", median(stalls));
    std::printf("paging_longest_stall_ms %.1f\n", longest);
    std::printf("paging_longest_stall_gui_on_cpu_ms %.1f\n", longestTimes.onCpu);
    std::printf("paging_longest_stall_gui_waiting_for_cpu_ms %.1f\n", longestTimes.waiting);
    std::printf("paging_median_page_shown_ms %.1f\n", median(times));
    std::printf("reference_gui_thread_decode_page_ms %.1f (median of 3 pages)\n", median(reference));
    std::printf("ratio %.3f (longest stall / a page decoded on the GUI thread)\n", longest / median(reference));
    return 0;
}
