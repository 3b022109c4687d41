// grid_probe: the real main window, offscreen, timed from outside its own code.
//
//   grid_probe startup
//       From process start to the main window shown, as a run without arguments does it but
//       without the start-up wait. The caller puts its clock reading (microseconds since the
//       epoch) into QUERIMO_BENCH_T0 just before starting this program.
//   grid_probe grid CONNECTION-STRING SQL-FILE
//       Runs the SQL with Max Rows 0 through the Execute button's handler and times it until
//       the grid shows the last line; then jumps through the grid and times each repaint.
//   grid_probe runs CONNECTION-STRING SQL-FILE N
//       Runs the SQL N times in one window (N >= 100) and reports the resident size after the
//       50th and the last run: a leak per run shows as growth.
//
// Prints "key value" lines for bench/run.sh. The grid's view updates are counted as well: they
// come at most a few times a second, so how many there are depends on how fast the run goes,
// and bench/grid_split.sh needs the natural number to weigh a profile taken under callgrind.
#include "app/querimo_dlg.h"
#include "db/odbc_connect.h"
#include "ui/prompt.h"
#include "ui/result_grid_model.h"
#include "ui/splash_wnd.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTableView>
#include <QWindow>

#include <algorithm>
#include <chrono>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A field of /proc/self/status in KiB.
long StatusKib(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            return std::atol(line.c_str() + field.size() + 1);
        }
    }
    return -1;
}

// From here on VmHWM is the peak of what follows, not of the start-up.
void ResetPeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

int Startup() {
    const char* t0 = std::getenv("QUERIMO_BENCH_T0");
    if (t0 == nullptr) {
        std::fprintf(stderr, "grid_probe: QUERIMO_BENCH_T0 is not set\n");
        return 2;
    }
    CSplashWnd::EnableSplash(true);
    CSplashWnd::ShowSplash(nullptr);
    querimo::RouteDatabaseLayerThroughPrompt();
    CQuerimoDlg window;
    window.OnInitDialog();
    while (window.windowHandle() == nullptr || !window.windowHandle()->isExposed()) {
        QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    window.repaint();
    const auto now = std::chrono::duration_cast<std::chrono::microseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    std::printf("startup_ms %.1f\n", static_cast<double>(now - std::atoll(t0)) / 1000.0);
    return 0;
}

std::string ReadFile(const char* path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

std::size_t DataTextBytes(const querimo::ResultGridModel& model) {
    std::size_t bytes = 0;
    for (int line = 0; line < model.LineCount(); ++line) {
        for (int column = 1; column < model.CellCount(line); ++column) {
            bytes += model.CellView(line, column).size();
        }
    }
    return bytes;
}

// Counts the paint events of one widget.
class PaintCounter : public QObject {
  public:
    explicit PaintCounter(QWidget* widget) : QObject(widget) { widget->installEventFilter(this); }
    int paints = 0;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

// Paints the visible cells now, as a screen update would; offscreen, grab() is what surely paints.
void Paint(QTableView& view) {
    QApplication::processEvents();
    view.viewport()->grab();
}

// Repaint times of the grid scrolled to evenly spread places, in milliseconds.
std::vector<double> ScrollFrames(QTableView& view) {
    constexpr int kJumps = 60;
    std::vector<double> frames;
    for (int jump = 0; jump < kJumps; ++jump) {
        auto start = Clock::now();
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() * jump /
                                           (kJumps - 1));
        Paint(view);
        frames.push_back(MillisecondsSince(start));
    }
    // A few steps of a mouse wheel near the end, where a slow model would show it most.
    for (int step = 0; step < 20; ++step) {
        auto start = Clock::now();
        view.verticalScrollBar()->setValue(view.verticalScrollBar()->value() - 3);
        Paint(view);
        frames.push_back(MillisecondsSince(start));
    }
    return frames;
}

// A window connected and given the SQL, with Max Rows 0; false when it could not connect.
bool Prepare(CQuerimoDlg& window, const char* connection, const char* sqlFile) {
    querimo::RouteDatabaseLayerThroughPrompt();
    window.OnInitDialog();
    window.SetConnection(new ODBCConnect(nullptr, connection, SQL_DRIVER_NOPROMPT));
    if (window.m_pConnect == nullptr) {
        std::fprintf(stderr, "grid_probe: could not connect\n");
        return false;
    }
    static_cast<QPlainTextEdit*>(window.Control(IDC_SQL))
        ->setPlainText(QString::fromStdString(ReadFile(sqlFile)));
    static_cast<QLineEdit*>(window.Control(IDC_MAX_ROWS))->setText("0");
    return true;
}

int Runs(const char* connection, const char* sqlFile, int runs) {
    CQuerimoDlg window;
    if (!Prepare(window, connection, sqlFile) || runs < 100) {
        return 1;
    }
    long settled = 0;
    int lines = -1;
    for (int run = 1; run <= runs; ++run) {
        window.OnExecute();
        QApplication::processEvents();
        if (lines >= 0 && window.m_resultList->LineCount() != lines) {
            std::fprintf(stderr, "grid_probe: run %d showed %d lines, not %d\n", run,
                         window.m_resultList->LineCount(), lines);
            return 1;
        }
        lines = window.m_resultList->LineCount();
        settled = run == 50 ? StatusKib("VmRSS") : settled;
    }
    std::printf("runs %d\nlines %d\n", runs, lines);
    std::printf("rss_after_50_kib %ld\nrss_after_last_kib %ld\n", settled, StatusKib("VmRSS"));
    return 0;
}

int Grid(const char* connection, const char* sqlFile) {
    CQuerimoDlg window;
    if (!Prepare(window, connection, sqlFile)) {
        return 1;
    }
    auto& view = *static_cast<QTableView*>(window.Control(IDC_RESULT_LIST));
    QApplication::processEvents();

    auto* paints = new PaintCounter(view.viewport());
    int announcements = 0;
    const QMetaObject::Connection counting =
        QObject::connect(window.m_resultList, &QAbstractItemModel::rowsInserted,
                         [&announcements] { ++announcements; });
    // The event loop wakes once for every pump that looks for events.
    int looks = 0;
    const QMetaObject::Connection lookCounting =
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::awake,
                         [&looks] { ++looks; });
    const long rssBefore = StatusKib("VmRSS");
    ResetPeakMemory();
    const auto start = Clock::now();
    window.OnExecute();
    const int runPaints = paints->paints;
    const int runAnnouncements = announcements;
    const int runLooks = looks;
    QObject::disconnect(lookCounting);
    QApplication::processEvents();
    view.scrollToBottom();
    Paint(view);
    const double shownMs = MillisecondsSince(start);
    const long peak = StatusKib("VmHWM");
    QObject::disconnect(counting);

    const querimo::ResultGridModel& model = *window.m_resultList;
    const int lastY = view.rowViewportPosition(model.rowCount() - 1);
    const bool lastShown = lastY >= 0 && lastY < view.viewport()->height();
    std::vector<double> frames = ScrollFrames(view);
    std::sort(frames.begin(), frames.end());
    std::printf("rows %d\n", model.rowCount());
    std::printf("last_row_visible %d\n", lastShown ? 1 : 0);
    std::printf("shown_ms %.1f\n", shownMs);
    std::printf("rss_before_kib %ld\n", rssBefore);
    std::printf("peak_growth_kib %ld\n", peak - rssBefore);
    std::printf("line_store_kib %zu\n", model.LineMemoryBytes() / 1024);
    std::printf("text_kib %zu\n", DataTextBytes(model) / 1024);
    std::printf("frame_median_ms %.2f\n", frames[frames.size() / 2]);
    std::printf("frame_max_ms %.2f\n", frames.back());
    std::printf("run_paints %d\n", runPaints);
    std::printf("run_announcements %d\n", runAnnouncements);
    std::printf("run_event_looks %d\n", runLooks);
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "startup" && argc == 2) {
        return Startup();
    }
    if (mode == "grid" && argc == 4) {
        return Grid(argv[2], argv[3]);
    }
    if (mode == "runs" && argc == 5) {
        return Runs(argv[2], argv[3], std::atoi(argv[4]));
    }
    std::fprintf(stderr,
                 "usage: grid_probe startup | grid CONNECTION-STRING SQL-FILE | runs "
                 "CONNECTION-STRING SQL-FILE N\n");
    return 2;
}
