// Long runs in one window: many Execute runs must not make the process grow, and a grid of a
// million lines must scroll from its first line to its last. Too slow for every test run, so
// tests/long_runs.sh runs them; QUERIMO_LONG_RUNS sets the number of Execute runs.
#include "window_fixture.h"

#include <QScrollBar>
#include <QTableView>

#include <unistd.h>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>

namespace {

long ResidentKib() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

std::string NumberedRows(int count) {
    return "with recursive c(n) as (select 1 union all select n + 1 from c where n < " +
           std::to_string(count) +
           ") select n, n * 2 as twice, printf('%040d', n) as padded, n / 3.0 as third from c";
}

int ExecuteRuns() {
    const char* runs = std::getenv("QUERIMO_LONG_RUNS");
    return runs != nullptr ? std::atoi(runs) : 1000;
}

class LongRunTest : public WindowTest {
  protected:
    static QTableView* Grid(CQuerimoDlg& window) {
        return qobject_cast<QTableView*>(window.Control(IDC_RESULT_LIST));
    }
};

TEST_F(LongRunTest, ThousandExecuteRunsDoNotGrowTheProcess) {
    const int runs = ExecuteRuns();
    ASSERT_GE(runs, 100);
    auto window = OpenWindow();
    window->show();
    window->m_nMaxRows = 0;
    const std::string sql = NumberedRows(1000);

    // The first runs settle the allocator, the caches of Qt and the driver.
    long settled = 0;
    for (int run = 1; run <= runs; ++run) {
        Execute(*window, sql);
        ASSERT_EQ(window->m_resultList->LineCount(), 1000) << "run " << run;
        if (run == 50) {
            settled = ResidentKib();
        }
    }
    const long last = ResidentKib();
    EXPECT_EQ(window->m_resultList->Cell(999, 1), "1000");
    EXPECT_TRUE(prompt.messages.empty());
    std::cout << "execute runs " << runs << ": resident " << settled << " KiB after run 50, "
              << last << " KiB after the last (" << (last - settled) << " KiB)\n";
    // A leak of one row a run would cost about 20 KiB a run, many megabytes in all.
    EXPECT_LT(last - settled, 4096);
}

TEST_F(LongRunTest, MillionLineGridScrollsEndToEnd) {
    auto window = OpenWindow();
    window->resize(900, 700);
    window->show();
    window->m_nMaxRows = 0;
    Execute(*window, NumberedRows(999999));
    const querimo::ResultGridModel& grid = *window->m_resultList;
    ASSERT_EQ(grid.LineCount(), 999999);
    EXPECT_TRUE(prompt.messages.empty());

    QTableView& view = *Grid(*window);
    QScrollBar& bar = *view.verticalScrollBar();
    constexpr int kSteps = 2000;
    double slowest = 0;
    for (int step = 0; step <= kSteps; ++step) {
        const auto start = std::chrono::steady_clock::now();
        bar.setValue(static_cast<int>(static_cast<long long>(bar.maximum()) * step / kSteps));
        QApplication::processEvents();
        view.viewport()->grab();
        slowest = std::max(slowest, std::chrono::duration<double, std::milli>(
                                        std::chrono::steady_clock::now() - start)
                                        .count());
        const int top = view.rowAt(0);
        ASSERT_GE(top, 0) << "step " << step;
        EXPECT_EQ(grid.Cell(top, 1), std::to_string(top + 1));
    }
    const int bottom = view.rowAt(view.viewport()->height() - 1);
    const int lastShown = bottom >= 0 ? bottom : grid.LineCount() - 1;
    EXPECT_EQ(lastShown, grid.LineCount() - 1);
    EXPECT_EQ(grid.Cell(lastShown, 1), "999999");
    std::cout << "grid of " << grid.LineCount() << " lines scrolled in " << kSteps
              << " steps; slowest step " << slowest << " ms\n";
}

}  // namespace
