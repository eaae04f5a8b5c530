// How long the window stalls while the file manager opens a big folder on a
// removable drive, against Qt's QFileSystemModel opening the same folder.
//
//   zorvik_filemanagerbench station ROUNDS
//       The real main window (headless): "U盘管理" pressed on the removable
//       drive of the drive table, until the file list holds every item and
//       has been painted; then "本地磁盘" to leave it and start again.
//   zorvik_filemanagerbench qfsm FOLDER ROUNDS
//       A QFileSystemModel with a report-style QTreeView shown over FOLDER,
//       watching nothing, until it holds every item; a fresh model each round.
//
// Both print, per round, "round N open SECONDS longest_gap SECONDS
// longest_event_cpu SECONDS" and at the end the worst of each and "items N".
// The gap is the longest time between ticks of a 2 ms GUI timer: how long
// the window could not answer, as the operator sees it; on a busy machine it
// includes time the GUI thread waited for a core. The event figure is the
// GUI thread's own CPU time in the longest single event it handled: the part
// of a stall the program itself causes. The program folder comes from
// ZORVIK_HOME.

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileSystemModel>
#include <QPushButton>
#include <QTimer>
#include <QTreeView>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

#include "app/station.h"
#include "ui/filemanagerpanel.h"
#include "ui/mainwindow.h"

using namespace zorvik;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

double threadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The GUI thread's CPU time in each event it handles from the event loop.
class MeteredApplication final : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        if (depth_++ > 0 || !metering_) {
            const bool handled = QApplication::notify(receiver, event);
            --depth_;
            return handled;
        }
        const double t0 = threadCpuSeconds();
        const bool handled = QApplication::notify(receiver, event);
        longest_ = std::max(longest_, threadCpuSeconds() - t0);
        --depth_;
        return handled;
    }
    void startMetering() {
        longest_ = 0;
        metering_ = true;
    }
    double stopMetering() {
        metering_ = false;
        return longest_;
    }

private:
    int depth_ = 0;
    bool metering_ = false;
    double longest_ = 0;
};

MeteredApplication* meteredApp() { return static_cast<MeteredApplication*>(QCoreApplication::instance()); }

// Largest gap between ticks of a fast GUI-thread timer.
class GapMeter {
public:
    GapMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const auto now = Clock::now();
            longest_ = std::max(longest_, std::chrono::duration<double>(now - last_).count());
            last_ = now;
        });
    }
    void start() {
        longest_ = 0;
        last_ = Clock::now();
        timer_.start();
    }
    double stop() {
        timer_.stop();
        return longest_;
    }

private:
    QTimer timer_;
    Clock::time_point last_;
    double longest_ = 0;
};

// Runs events until `done` holds; false when `limitSeconds` pass first.
bool runUntil(const std::function<bool()>& done, double limitSeconds) {
    const auto t0 = Clock::now();
    while (!done()) {
        if (secondsSince(t0) > limitSeconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}

// Lets the window paint and settle: a short spell of plain event handling.
void settle(double seconds) {
    const auto t0 = Clock::now();
    while (secondsSince(t0) < seconds) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

int stationMode(int rounds) {
    const char* home = std::getenv("ZORVIK_HOME");
    if (!home) {
        std::fprintf(stderr, "zorvik_filemanagerbench: ZORVIK_HOME is not set\n");
        return 2;
    }
    app::Station station(core::ProgramFolders::at(std::string(home) + "/"));
    ui::TForm1 window(station);
    bool started = false;
    QObject::connect(&station, &app::Station::startupFinished, [&started] { started = true; });
    window.show();
    if (!runUntil([&] { return started; }, 10)) return 1;
    settle(0.5);
    auto* panel = window.fileManagerPanel();
    auto& fm = station.fileManager();
    GapMeter meter;
    double worst = 0;
    double worstEvent = 0;
    int items = 0;
    for (int round = 1; round <= rounds; ++round) {
        panel->localDiskButton()->click();
        if (!runUntil([&] { return !fm.busy() && !fm.findChild<QTimer*>(QStringLiteral("Timer5"))->isActive(); }, 30)) return 1;
        settle(0.2);
        meter.start();
        meteredApp()->startMetering();
        const auto t0 = Clock::now();
        panel->removableDiskButton()->click();
        if (!runUntil([&] { return !fm.busy() && !fm.findChild<QTimer*>(QStringLiteral("Timer5"))->isActive() && fm.list().count() > 1000; }, 60)) {
            std::fprintf(stderr, "zorvik_filemanagerbench: the list did not fill\n");
            return 1;
        }
        const double open = secondsSince(t0);
        settle(0.1);  // the first paint of the full list counts too
        const double gap = meter.stop();
        const double event = meteredApp()->stopMetering();
        items = fm.list().count();
        worst = std::max(worst, gap);
        worstEvent = std::max(worstEvent, event);
        std::printf("round %d open %.6f longest_gap %.6f longest_event_cpu %.6f\n", round, open, gap, event);
    }
    std::printf("longest_gap %.6f\nlongest_event_cpu %.6f\nitems %d\n", worst, worstEvent, items);
    return 0;
}

int qfsmMode(const QString& folder, int rounds) {
    QWidget window;
    window.resize(521, 441);
    window.show();
    settle(0.3);
    GapMeter meter;
    double worst = 0;
    double worstEvent = 0;
    int items = 0;
    const int expected = static_cast<int>(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
    for (int round = 1; round <= rounds; ++round) {
        auto model = std::make_unique<QFileSystemModel>();
        model->setOption(QFileSystemModel::DontWatchForChanges);
        model->setFilter(QDir::AllEntries | QDir::NoDotAndDotDot);
        QTreeView view(&window);
        view.setRootIsDecorated(false);
        view.setUniformRowHeights(true);
        view.setModel(model.get());
        view.setGeometry(0, 0, 521, 441);
        view.show();
        settle(0.2);
        meter.start();
        meteredApp()->startMetering();
        const auto t0 = Clock::now();
        view.setRootIndex(model->setRootPath(folder));
        if (!runUntil([&] { return model->rowCount(view.rootIndex()) >= expected; }, 60)) {
            std::fprintf(stderr, "zorvik_filemanagerbench: QFileSystemModel did not fill\n");
            return 1;
        }
        const double open = secondsSince(t0);
        settle(0.3);  // its delayed sort runs after the last rows
        const double gap = meter.stop();
        const double event = meteredApp()->stopMetering();
        items = model->rowCount(view.rootIndex());
        worst = std::max(worst, gap);
        worstEvent = std::max(worstEvent, event);
        std::printf("round %d open %.6f longest_gap %.6f longest_event_cpu %.6f\n", round, open, gap, event);
    }
    std::printf("longest_gap %.6f\nlongest_event_cpu %.6f\nitems %d\n", worst, worstEvent, items);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    MeteredApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("station") && argc == 3) return stationMode(std::atoi(argv[2]));
    if (mode == QLatin1String("qfsm") && argc == 4) return qfsmMode(QString::fromLocal8Bit(argv[2]), std::atoi(argv[3]));
    std::fprintf(stderr,
                 "usage: zorvik_filemanagerbench station ROUNDS\n"
                 "       zorvik_filemanagerbench qfsm FOLDER ROUNDS\n");
    return 2;
}
