// Times the station's search as the operator meets it: the real Station,
// search controller, listings and result list, with a result view set up as
// the results panel sets it up, shown, so that the view's costs count.
//
//   zorvik_searchbench ready TEXT TAB REPEATS [--list FILE]
//       Seconds from SearchController::start() to the ready label's "就绪！",
//       and to the first row (rowsInserted) and first painted row, per run.
//       --list writes the rows of the last run, one drive path a line.
//   zorvik_searchbench stall TEXT TAB REPEATS
//       The longest gap between ticks of a 2 ms GUI timer while the search
//       runs, with the view scrolled to the end every 25 ms.
//   zorvik_searchbench million ROWS
//       Resident memory of a listing of ROWS rows made by walking the library
//       drives over and over, then the times of scrolling to its last row,
//       selecting all rows, repainting and reading the selected rows back.
//
// TAB is a category tab (0 ... 11) or -1 for none. The program folder comes
// from ZORVIK_HOME, whose 数据文件/Corlen.ini names the library drives.
// Every figure is printed as "key value"; the script reads them.

#include <QApplication>
#include <QItemSelectionModel>
#include <QEventLoop>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QTableView>
#include <QTimer>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "app/station.h"
#include "library/layout.h"
#include "library/listing.h"
#include "library/walk.h"

using namespace zorvik;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

const QString kReady = QStringLiteral("就绪！");

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "zorvik_searchbench: %s\n", what);
    std::exit(1);
}

int usage() {
    std::fprintf(stderr,
                 "usage: zorvik_searchbench ready TEXT TAB REPEATS [--list FILE]\n"
                 "       zorvik_searchbench stall TEXT TAB REPEATS\n"
                 "       zorvik_searchbench million ROWS\n");
    return 2;
}

// Resident set in KiB, from /proc/self/status.
long residentKiB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// Runs events until `done` holds; false when `limitSeconds` pass first.
bool runUntil(const std::function<bool()>& done, double limitSeconds) {
    const auto t0 = Clock::now();
    while (!done()) {
        if (secondsSince(t0) > limitSeconds) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    }
    return true;
}

// Small drawn icons like the ones the window layer hands the result list
// when the desktop theme has none (as on a headless machine).
std::array<QVariant, 5> groupIcons() {
    const QColor colours[5] = {QColor(0x2e, 0x7d, 0x32), QColor(0x15, 0x65, 0xc0), QColor(0xef, 0x6c, 0x00),
                               QColor(0x6a, 0x1b, 0x9a), QColor(0x5d, 0x40, 0x37)};
    std::array<QVariant, 5> icons;
    for (size_t i = 0; i < icons.size(); ++i) {
        QPixmap pixmap(22, 22);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setBrush(colours[i]);
        painter.setPen(colours[i].darker(140));
        painter.drawRoundedRect(QRectF(1.5, 1.5, 19, 19), 4, 4);
        painter.end();
        icons[i] = QIcon(pixmap);
    }
    return icons;
}

// The results group as the main window lays it out (521 x 481, the list 40
// shorter, 16 down), with the list set up as the results panel does it.
struct ResultsWindow {
    QWidget window;
    QTableView* view;
    QLabel* count;

    explicit ResultsWindow(app::Station& station) {
        auto& results = station.results();
        results.setGroupIcons(groupIcons());
        window.resize(521, 481);
        view = new QTableView(&window);
        view->setModel(&results);
        view->setSelectionModel(&station.resultSelection());
        view->horizontalHeader()->setSelectionModel(
            new QItemSelectionModel(&station.results(), view->horizontalHeader()));
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setSortingEnabled(false);
        view->setShowGrid(true);
        view->setWordWrap(false);
        view->setIconSize(QSize(22, 22));
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        view->verticalHeader()->hide();
        view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        view->verticalHeader()->setDefaultSectionSize(24);
        auto* header = view->horizontalHeader();
        header->setSectionResizeMode(QHeaderView::Interactive);
        header->resizeSection(library::ResultList::Name, 290);
        header->resizeSection(library::ResultList::Type, 50);
        header->resizeSection(library::ResultList::Size, 70);
        header->setStretchLastSection(true);
        view->setGeometry(0, 16, 521, 481 - 40);
        count = new QLabel(QStringLiteral("0 个对象"), &window);
        count->setGeometry(8, 481 - 17, 200, 16);
        QObject::connect(&results, &library::ResultList::countChanged, count, [this](int rows) {
            count->setText(QString::number(rows) + QStringLiteral(" 个对象"));
        });
        window.show();
    }
};

// Watches paint events of the list's viewport that have rows to draw.
class PaintWatch final : public QObject {
public:
    PaintWatch(QAbstractItemView& view) : view_(view) { view.viewport()->installEventFilter(this); }
    std::function<void()> onRowsPainted;
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && view_.model()->rowCount() > 0) ++paints;
        if (event->type() == QEvent::Paint && view_.model()->rowCount() > 0 && onRowsPainted) {
            // Called after the paint so that its cost counts.
            QTimer::singleShot(0, &view_, [f = onRowsPainted] { f(); });
        }
        return false;
    }

private:
    QAbstractItemView& view_;
};

// The station after its start-up: drives loaded, warm-up walked, first tab chosen.
void startStation(app::Station& station) {
    bool warmed = false;
    bool started = false;
    QObject::connect(&station, &app::Station::warmUpFinished, [&warmed](qint64) { warmed = true; });
    QObject::connect(&station, &app::Station::startupFinished, [&started] { started = true; });
    station.create();
    station.firstShow();
    if (!runUntil([&] { return warmed && started; }, 300)) fail("the start-up did not finish");
    int drives = 0;
    for (const auto& d : station.libraryDrives()) drives += d.empty() ? 0 : 1;
    if (drives == 0) fail("no library drives in the settings (PanFu1 ... PanFu6)");
    std::printf("drives %d\n", drives);
}

struct SearchRun {
    double ready = -1;       // start() to "就绪！"
    double firstRow = -1;    // start() to the first rowsInserted
    double firstPaint = -1;  // start() to the end of the first paint with rows
    double startCall = -1;   // start() itself, on the GUI thread
    int rows = 0;
    int paints = 0;          // paints of the list with rows, until ready
};

// One search from start() to the ready label; `during` runs once the
// search has started, `after` when it is ready.
SearchRun timeSearch(app::Station& station, ResultsWindow& ui, const std::function<void()>& during = {},
                     const std::function<void()>& after = {}) {
    SearchRun run;
    QEventLoop loop;
    bool done = false;
    PaintWatch watch(*ui.view);
    const auto t0 = Clock::now();
    auto rowsConn = QObject::connect(&station.results(), &QAbstractItemModel::rowsInserted, &loop, [&] {
        if (run.firstRow < 0) run.firstRow = secondsSince(t0);
    });
    watch.onRowsPainted = [&] {
        if (run.firstPaint < 0) run.firstPaint = secondsSince(t0);
    };
    auto readyConn = QObject::connect(&station.listings(), &library::Listings::readyTextChanged, &loop,
                                      [&](const QString& text) {
                                          if (text != kReady || done) return;
                                          run.ready = secondsSince(t0);
                                          done = true;
                                          if (after) after();
                                          loop.quit();
                                      });
    if (!station.search().start()) fail("the search was refused");
    run.startCall = secondsSince(t0);
    if (during) during();
    if (!done) loop.exec();
    QObject::disconnect(rowsConn);
    QObject::disconnect(readyConn);
    run.rows = station.results().count();
    run.paints = watch.paints;
    return run;
}

void prepareSearch(app::Station& station, const QString& text, int tab) {
    station.search().selectTab(tab);
    station.search().setText(text);
}

int readyMode(app::Station& station, ResultsWindow& ui, const QString& text, int tab, int repeats,
              const std::string& listFile) {
    prepareSearch(station, text, tab);
    double best = 0, firstBest = 0, firstWorst = 0, paintWorst = 0;
    int rows = -1;
    for (int i = 1; i <= repeats; ++i) {
        SearchRun run = timeSearch(station, ui);
        if (rows >= 0 && run.rows != rows) fail("runs found different numbers of files");
        rows = run.rows;
        if (i == 1 || run.ready < best) best = run.ready;
        if (i == 1 || run.firstRow < firstBest) firstBest = run.firstRow;
        firstWorst = std::max(firstWorst, run.firstRow);
        paintWorst = std::max(paintWorst, run.firstPaint);
        std::printf("run %d ready %.6f first_row %.6f first_paint %.6f rows %d\n", i, run.ready, run.firstRow,
                    run.firstPaint, run.rows);
    }
    std::printf("best %.6f\n", best);
    std::printf("first_row_best %.6f\n", firstBest);
    std::printf("first_row_worst %.6f\n", firstWorst);
    std::printf("first_paint_worst %.6f\n", paintWorst);
    std::printf("hits %d\n", rows);
    if (!listFile.empty()) {
        std::ofstream out(listFile, std::ios::binary | std::ios::trunc);
        for (int r = 0; r < station.results().count(); ++r) out << station.results().path(r) << '\n';
        if (!out.flush()) fail("cannot write the list");
    }
    return 0;
}

// Largest gap between ticks of a fast GUI-thread timer.
class StallMeter final {
public:
    StallMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(2);
        QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
    }
    void start() {
        longest_ = 0;
        over16_ = over50_ = ticks_ = 0;
        last_ = Clock::now();
        timer_.start();
    }
    void stop() {
        tick();
        timer_.stop();
    }
    double longest() const { return longest_; }
    int over16() const { return over16_; }
    int over50() const { return over50_; }
    int ticks() const { return ticks_; }

private:
    void tick() {
        const auto now = Clock::now();
        const double gap = std::chrono::duration<double>(now - last_).count();
        last_ = now;
        ++ticks_;
        longest_ = std::max(longest_, gap);
        if (gap > 0.016) ++over16_;
        if (gap > 0.050) ++over50_;
    }

    QTimer timer_;
    Clock::time_point last_;
    double longest_ = 0;
    int over16_ = 0, over50_ = 0, ticks_ = 0;
};

int stallMode(app::Station& station, ResultsWindow& ui, const QString& text, int tab, int repeats) {
    prepareSearch(station, text, tab);
    StallMeter meter;
    QTimer scroller;
    scroller.setInterval(25);
    QObject::connect(&scroller, &QTimer::timeout, ui.view, [&ui] { ui.view->scrollToBottom(); });
    double worst = 0;
    int rows = -1;
    for (int i = 1; i <= repeats; ++i) {
        // The meter starts before start(): clearing the previous listing is part of the search.
        meter.start();
        scroller.start();
        SearchRun run = timeSearch(station, ui, {}, [&] {
            meter.stop();
            scroller.stop();
        });
        if (rows >= 0 && run.rows != rows) fail("runs found different numbers of files");
        rows = run.rows;
        worst = std::max(worst, meter.longest());
        std::printf("run %d ready %.6f start_call %.6f longest_gap %.6f gaps_over_16ms %d gaps_over_50ms %d "
                    "ticks %d paints %d rows %d\n",
                    i, run.ready, run.startCall, meter.longest(), meter.over16(), meter.over50(), meter.ticks(),
                    run.paints, run.rows);
    }
    std::printf("longest_gap %.6f\n", worst);
    std::printf("hits %d\n", rows);
    return 0;
}

int millionMode(app::Station& station, ResultsWindow& ui, int target) {
    auto& listings = station.listings();
    auto& results = station.results();
    QCoreApplication::processEvents();
    const long before = residentKiB();

    // Every file of every library drive, over and over, until the target:
    // real drive paths through the real hand-off, as a listing makes them.
    const auto roots = library::searchRoots(station.libraryDrives(), 0);
    const std::int64_t want = target;
    StallMeter meter;
    QEventLoop loop;
    bool done = false;
    listings.startListing();
    const auto t0 = Clock::now();
    meter.start();
    listings.runThreaded(
        QStringLiteral("正 在 搜 索 ..."),
        [roots, want](library::HitSink& sink) {
            for (int pass = 0; pass < 1000 && sink.hits() < want; ++pass) {
                const std::int64_t passStart = sink.hits();
                for (const auto& root : roots) {
                    library::walk(
                        sink.drives(), root, "*", [&](std::string_view path) { return sink.hits() < want && sink.add(path); },
                        [&] { return sink.tick(); });
                    if (sink.hits() >= want || sink.superseded()) return;
                }
                if (sink.hits() == passStart) return;  // nothing to list
            }
        },
        [&](std::int64_t) {
            listings.endThreaded();
            done = true;
            loop.quit();
        });
    if (!done) loop.exec();
    meter.stop();
    const double fill = secondsSince(t0);
    QCoreApplication::processEvents();
    const long after = residentKiB();
    const int rows = results.count();
    std::printf("rows %d\n", rows);
    std::printf("fill_seconds %.6f\n", fill);
    std::printf("fill_longest_gap %.6f\n", meter.longest());
    std::printf("rss_before_mb %.1f\n", before / 1024.0);
    std::printf("rss_after_mb %.1f\n", after / 1024.0);
    std::printf("rss_delta_mb %.1f\n", (after - before) / 1024.0);
    if (rows != target) fail("the listing did not reach the row count");

    QTableView& view = *ui.view;
    auto t = Clock::now();
    view.scrollTo(results.index(rows - 1, 0));
    const double scrollCall = secondsSince(t);
    view.viewport()->repaint();
    const double scroll = secondsSince(t);
    const int bottomRow = view.rowAt(view.viewport()->height() - 1);
    std::printf("scroll_to_last_call %.6f\n", scrollCall);
    std::printf("scroll_to_last_with_paint %.6f\n", scroll);
    std::printf("bottom_row_shown %d\n", bottomRow + 1);

    t = Clock::now();
    QPixmap unselected = ui.window.grab();
    std::printf("grab_unselected %.6f\n", secondsSince(t));

    t = Clock::now();
    view.selectAll();
    const double select = secondsSince(t);
    // Paints everything the window has pending, the header included.
    view.viewport()->repaint();
    const double selectPaint = secondsSince(t);
    const bool allSelected = station.resultSelection().isRowSelected(0) &&
                             station.resultSelection().isRowSelected(rows - 1);
    std::printf("select_all %.6f\n", select);
    std::printf("select_all_with_paint %.6f\n", selectPaint);
    std::printf("all_selected %d\n", allSelected ? 1 : 0);

    for (int i = 1; i <= 2; ++i) {
        t = Clock::now();
        view.viewport()->repaint();
        std::printf("repaint_selected_%d %.6f\n", i, secondsSince(t));
    }
    t = Clock::now();
    QPixmap shot = ui.window.grab();
    std::printf("grab %.6f (%dx%d)\n", secondsSince(t), shot.width(), shot.height());
    std::printf("rss_selected_mb %.1f\n", (residentKiB() - before) / 1024.0);

    // The selected rows as the window layer asks for them (rename, adding to an order list).
    t = Clock::now();
    const auto selected = station.selectedResultRows();
    std::printf("selected_rows %.6f (%lld rows)\n", secondsSince(t), static_cast<long long>(selected.size()));

    // What the next search pays first: clearing the big listing.
    t = Clock::now();
    listings.startListing();
    std::printf("clear %.6f\n", secondsSince(t));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    std::vector<std::string> args;
    std::string listFile;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--list") {
            if (++i >= argc) return usage();
            listFile = argv[i];
        } else {
            args.push_back(arg);
        }
    }
    if (args.empty()) return usage();
    const std::string mode = args[0];
    if ((mode == "ready" || mode == "stall") && args.size() != 4) return usage();
    if (mode == "million" && args.size() != 2) return usage();
    if (mode != "ready" && mode != "stall" && mode != "million") return usage();

    QApplication application(argc, argv);
    app::Station station(core::ProgramFolders::locate());
    ResultsWindow ui(station);
    startStation(station);

    if (mode == "million") {
        const int rows = std::atoi(args[1].c_str());
        if (rows < 1) return usage();
        return millionMode(station, ui, rows);
    }
    const QString text = QString::fromStdString(args[1]);
    const int tab = std::atoi(args[2].c_str());
    const int repeats = std::atoi(args[3].c_str());
    if (repeats < 1 || tab < search::kNoTab || tab >= search::kTabCount) return usage();
    if (mode == "ready") return readyMode(station, ui, text, tab, repeats, listFile);
    return stallMode(station, ui, text, tab, repeats);
}
