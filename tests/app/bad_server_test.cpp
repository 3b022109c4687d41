// A PostgreSQL server that goes away in the middle of a fetch, and one that is not there at all:
// the driver's errors reach the user or the log, the run ends as it should, and the window
// connects again through the chooser.
#include "db/odbc_statement.h"
#include "window_fixture.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <regex>
#include <thread>

namespace {

namespace fs = std::filesystem;

// Names our own sessions, so that ending them touches no other test's connection.
constexpr const char* kVictim = "querimo_bad_server";

// Rows enough to take seconds, fetched a hundred at a time so that most of them are still on
// the server when it goes away.
constexpr const char* kManyRows =
    "select g as n, repeat('x', 40) as t from generate_series(1, 3000000) as g";

std::string Streaming(const std::string& connection) {
    return connection + "UseDeclareFetch=1;Fetch=100;ConnSettings=set application_name to '" +
           kVictim + "';";
}

// What the server does to each session when it is stopped in fast mode.
void EndSessions(const std::string& connection) {
    ODBCConnect killer(nullptr, connection.c_str(), SQL_DRIVER_NOPROMPT);
    ASSERT_TRUE(killer.IsConnected());
    ODBCStatement statement(&killer, nullptr);
    const std::string sql = std::string(
                                "select pg_terminate_backend(pid) from pg_stat_activity "
                                "where application_name = '") +
                            kVictim + "'";
    ASSERT_TRUE(IsSqlSuccess(statement.Prepare(sql.c_str())));
    ASSERT_TRUE(IsSqlSuccess(statement.Execute()));
}

// A local port that nothing listens on.
int ClosedPort() {
    int sock = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(sock, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(sock);
    return ntohs(address.sin_port);
}

std::string WithPort(const std::string& connection, int port) {
    return std::regex_replace(connection, std::regex("Port=[0-9]+"),
                              "Port=" + std::to_string(port));
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class BadServerTest : public WindowTest {
  protected:
    void ExpectUsable(CQuerimoDlg& window) {
        EXPECT_TRUE(window.isEnabled());
        EXPECT_EQ(VisibleProgressWindow(), nullptr);
        EXPECT_EQ(prompt.waitCursorDepth, 0);
    }

    // The chooser connects again and a query shows its row.
    void ExpectReconnects(CQuerimoDlg& window, const std::string& connection) {
        prompt.messages.clear();
        ChooseDataSource(window, connection);
        Execute(window, "select 'back' as state");
        EXPECT_EQ(GridLines(window), (Lines{{"01", "back"}}));
        EXPECT_EQ(prompt.MessageTexts(), std::vector<std::string>{});
        ExpectUsable(window);
    }
};

TEST_F(BadServerTest, ServerGoneMidFetchIsReportedAndKeepsTheRowsShown) {
    QUERIMO_REQUIRE_PG_OR_SKIP(connection, PgDriver::Ansi);
    auto window = OpenWindow(false);
    ChooseDataSource(*window, Streaming(connection));
    ASSERT_NE(window->m_pConnect, nullptr);
    window->m_nMaxRows = 0;

    bool ended = false;
    Execute(*window, kManyRows, [&](CWaitProgressDlg&) {
        if (!ended && window->m_resultList->LineCount() > 500) {
            ended = true;
            EndSessions(connection);
        }
    });
    ASSERT_TRUE(ended) << "the rows arrived before the session could be ended";

    const int shown = window->m_resultList->LineCount();
    EXPECT_GT(shown, 500);
    EXPECT_LT(shown, 3000000);
    // Every row that arrived is shown, in order, after its line number.
    EXPECT_EQ(window->m_resultList->Cell(0, 1), "1");
    EXPECT_EQ(window->m_resultList->Cell(shown - 1, 1), std::to_string(shown));
    ASSERT_FALSE(prompt.messages.empty());
    EXPECT_EQ(prompt.messages[0].caption, "ODBC Error");
    EXPECT_TRUE(Contains(prompt.messages[0].text, "terminat")) << prompt.messages[0].text;
    ExpectUsable(*window);

    // The dead connection says so on the next run instead of hanging or crashing.
    prompt.messages.clear();
    Execute(*window, "select 1");
    EXPECT_FALSE(prompt.messages.empty());
    ExpectUsable(*window);

    ExpectReconnects(*window, connection);
}

TEST_F(BadServerTest, ClosedPortIsReportedAndKeepsThePreviousConnection) {
    QUERIMO_REQUIRE_PG_OR_SKIP(connection, PgDriver::Ansi);
    auto window = OpenWindow(false);
    ChooseDataSource(*window, connection);
    ODBCConnect* working = window->m_pConnect;
    ASSERT_NE(working, nullptr);
    const QString title = window->windowTitle();

    ChooseDataSource(*window, WithPort(connection, ClosedPort()));
    ASSERT_FALSE(prompt.messages.empty());
    EXPECT_EQ(prompt.messages[0].caption, "ODBC Error");
    EXPECT_TRUE(Contains(prompt.messages[0].text, "(08001)")) << prompt.messages[0].text;
    EXPECT_EQ(window->m_pConnect, working);
    EXPECT_EQ(window->windowTitle(), title);
    ExpectUsable(*window);

    // The earlier connection still works; so does choosing the server again.
    prompt.messages.clear();
    Execute(*window, "select 'still' as state");
    EXPECT_EQ(GridLines(*window), (Lines{{"01", "still"}}));
    ExpectReconnects(*window, connection);
}

TEST_F(BadServerTest, BatchRunEndsWithMinusOneAndLogsTheDriversError) {
    QUERIMO_REQUIRE_PG_OR_SKIP(connection, PgDriver::Ansi);
    const std::string sql = dir.File("many.sql");
    const std::string output = dir.File("many.csv");
    dir.Write("many.sql", kManyRows);

    // Ends the session once the export has written its first rows.
    std::atomic<bool> done{false};
    std::atomic<bool> ended{false};
    std::thread watcher([&] {
        std::error_code error;
        while (!done && !ended) {
            if (fs::file_size(output, error) > 64 * 1024 && !error) {
                EndSessions(connection);
                ended = true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    CQuerimoDlg batch({Streaming(connection), sql, output});
    const int exitCode = batch.DoModal();
    done = true;
    watcher.join();
    ASSERT_TRUE(ended) << "the export ended before the session could be ended";

    // The log is the output file and each line replaces the one before, so the lost
    // connection is what is left of it.
    EXPECT_EQ(exitCode, -1);
    const std::string logText = ReadFileBytes(output);
    EXPECT_TRUE(Contains(logText, "(08S01)")) << logText;

    // A run on a closed port never gets as far as the SQL file's rows.
    const std::string refused = dir.File("refused.csv");
    CQuerimoDlg closed({WithPort(connection, ClosedPort()), sql, refused});
    EXPECT_EQ(closed.DoModal(), -1);
    EXPECT_TRUE(Contains(ReadFileBytes(refused), "08001"));
}

}  // namespace
