// The real program run unattended, as cron or a script runs it: no display, hostile files,
// failing and mute servers, killed runs and runs that meet on one output.
#include "app/file_write.h"
#include "support/temp_dir.h"
#include "support/test_databases.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <thread>

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Ended {
    int status = -1;  // the exit status, or 128 plus the signal
    std::string errors;
};

std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    for (int c; pipe != nullptr && (c = std::fgetc(pipe)) != EOF;) {
        out += static_cast<char>(c);
    }
    return pipe != nullptr && pclose(pipe) == 0 ? out : "<failed>";
}

// Polls until the condition holds; false when the process ended first or a minute passed.
bool WaitWhileRunning(pid_t pid, const std::function<bool()>& condition) {
    siginfo_t ended{};
    for (int tick = 0; tick < 6000; ++tick) {
        if (waitid(P_PID, pid, &ended, WEXITED | WNOHANG | WNOWAIT) != 0 || ended.si_pid == pid) {
            return false;
        }
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

const std::regex kLogLines(R"((\d\d/\d\d/\d\d \d\d:\d\d:\d\d -- .*\n)+)");

class BatchRunTest : public ::testing::Test {
  protected:
    void SetUp() override {
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
            unsetenv(name);
        }
        Shell("sqlite3 " + db + " \"create table t (id integer, name text); insert into t values " +
              "(1, 'a''b'), (2, 'c')\"");
    }
    void TearDown() override { Shell("umount -l " + dir.File("small") + " 2>&1"); }

    // The program without a display, with input as its standard input.
    pid_t Start(std::vector<std::string> arguments, const std::string& input = "") {
        std::vector<char*> argv{const_cast<char*>(QUERIMO_BINARY)};
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        int ends[2];
        pipe2(ends, O_CLOEXEC);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[0], 0);
        posix_spawn_file_actions_addopen(&actions, 2,
                                         logs.File(std::to_string(m_errors.size())).c_str(),
                                         O_WRONLY | O_CREAT, 0644);
        pid_t pid = -1;
        posix_spawn(&pid, QUERIMO_BINARY, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        m_errors[pid] = logs.File(std::to_string(m_errors.size()));
        EXPECT_EQ(write(ends[1], input.data(), input.size()), static_cast<ssize_t>(input.size()));
        close(ends[0]);
        close(ends[1]);
        return pid;
    }
    Ended Finish(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        return {WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status),
                ReadFileBytes(m_errors[pid])};
    }
    Ended Querimo(const std::vector<std::string>& arguments, const std::string& input = "") {
        return Finish(Start(arguments, input));
    }
    std::map<std::string, std::uintmax_t> Files() const {
        std::map<std::string, std::uintmax_t> files;
        for (const auto& entry : fs::directory_iterator(dir.Path())) {
            files[entry.path().filename().string()] =
                entry.is_regular_file() ? entry.file_size() : 0;
        }
        return files;
    }

    TempDir dir, logs;
    std::string db = dir.File("t.db");
    std::string conn = "Driver=SQLite3;Database=" + db + ";StepAPI=1;";
    std::map<pid_t, std::string> m_errors;
};

TEST_F(BatchRunTest, SwitchesAndPipesReachTheCsv) {
    const std::string sql = "select id, name from t order by id", out = dir.File("out.csv");
    for (auto [arguments, expected] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"-u", "-q'", conn, dir.Write("q.sql", sql), out},
              "'id','name'\r\n'1','a''b'\r\n'2','c'\r\n"},
             {{"-s", "-d", "\\t", conn, "/dev/stdin", out}, "1\t\"a'b\"\r\n2\t\"c\"\r\n"}}) {
        EXPECT_EQ(Querimo(arguments, sql).status, 0);
        EXPECT_EQ(ReadFileBytes(out), expected);
    }
}

// Every failure is logged at the output, one line an entry; an append run keeps what was there.
TEST_F(BatchRunTest, FailuresAreLoggedAndAnAppendKeepsTheEarlierBytes) {
    struct Case {
        std::string connection, sql, output;
        int status;
        std::string entries;  // found in the log, in this order
    };
    const std::string sql = dir.File("q.sql"), small = dir.File("small/out.csv");
    std::vector<Case> cases{
        {"DSN=QuerimoNoSuchSource", "select 1", "out.csv", 255, "Data source name not found"},
        {conn, "<missing>", "out.csv", 254, "file " + sql + " .No such file or directory"},
        {conn, "<folder>", "out.csv", 254, "Could not open file " + sql + " .Is a directory"},
        {conn, "<fifo>", "out.csv", 254, "file " + sql + " .No writer on the pipe"},
        {conn, std::string("select 1\0; drop table t", 23), "out.csv", 254, "NUL byte at offset 8"},
        {conn, "<zero>", "out.csv", 254, "file " + sql + " .Not a text file: NUL byte at offset 0"},
        {conn, "select * from nowhere", "page.htm", 255, "no such table: nowhere"},
        {conn, "", "out.csv", 255, "SQL file is empty: " + sql},
        {conn, NumbersQuery(20000), small, 255, "writing " + small + ": No space left on device"}};
    if (auto pg = PgConnectionString(PgDriver::Unicode)) {
        const std::string killed =
            "select case n when 500 then pg_terminate_backend(pg_backend_pid()) "
            "end from generate_series(1, 1000) n";
        cases.push_back({*pg + "UseDeclareFetch=1;Fetch=100;", killed, "out.csv", 255,
                         "The connection has been lost.*\n.*SQLMoreResults"});
    }
    // A server that takes the connection and never answers is given up after the login timeout.
    int mute = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t length = sizeof(address);
    bind(mute, reinterpret_cast<sockaddr*>(&address), length);
    listen(mute, 4);
    getsockname(mute, reinterpret_cast<sockaddr*>(&address), &length);
    if (Shell("odbcinst -q -d").find("[PostgreSQL Unicode]") != std::string::npos || PgRequired()) {
        cases.push_back({"Driver=PostgreSQL Unicode;Server=127.0.0.1;Database=q;UID=q;Port=" +
                             std::to_string(ntohs(address.sin_port)),
                         "select 1", "out.csv", 255, "timeout expired"});
    }
    setenv("QUERIMO_LOGIN_TIMEOUT", "3", 1);
    fs::create_directory(dir.File("small"));
    const bool mounted =
        Shell("mount -t tmpfs -o size=64k tmpfs " + dir.File("small")) != "<failed>";
    for (const Case& c : cases) {
        for (const std::string earlier : {"", "earlier\r\n"}) {
            SCOPED_TRACE(c.connection.substr(0, 20) + " " + c.sql.substr(0, 40) + " " + earlier);
            if (c.output == small && !mounted) {
                continue;
            }
            fs::remove_all(sql);
            if (c.sql == "<folder>") {
                fs::create_directory(sql);
            } else if (c.sql == "<fifo>") {
                mkfifo(sql.c_str(), 0600);
            } else if (c.sql == "<zero>") {
                fs::create_symlink("/dev/zero", sql);
            } else if (c.sql != "<missing>") {
                dir.Write("q.sql", c.sql);
            }
            std::string out = dir.Write(c.output, "earlier\r\n");
            EXPECT_EQ(Querimo({earlier.empty() ? "-s" : "-a", c.connection, sql, out}).status,
                      c.status);
            std::string log = ReadFileBytes(out);
            if (!log.starts_with(earlier)) {
                ADD_FAILURE() << "the earlier bytes are gone: " << log;
                continue;
            }
            log.erase(0, earlier.size());
            EXPECT_TRUE(std::regex_match(log, kLogLines)) << log;
            EXPECT_TRUE(std::regex_search(log, std::regex(c.entries)))
                << c.entries << " not in " << log;
        }
    }
    close(mute);
    if (mounted) {
        // A script saved where there is no room keeps the file it was to replace.
        std::string script = dir.Write("small/s.sql", "old");
        EXPECT_FALSE(querimo::WriteWholeFile(script, std::string(1 << 20, 'x')).ok());
        EXPECT_EQ(ReadFileBytes(script), "old");
    }
}

// An output that cannot be opened is left alone; standard error says why and what was lost.
TEST_F(BatchRunTest, UnwritableOutputsAreExplainedOnStandardError) {
    fs::create_directory(dir.File("folder.csv"));
    mkfifo(dir.File("fifo.csv").c_str(), 0600);
    fs::create_symlink(dir.File("missing/out.csv"), dir.File("dangling.csv"));
    for (auto [path, why] : std::vector<std::pair<std::string, std::string>>{
             {dir.File("folder.csv"), "open log file {}: Is a directory -- "},
             {dir.File("fifo.csv"), "open log file {}: No such device or address -- "},
             {dir.File("dangling.csv"), "open log file {}: No such file or directory -- "},
             {"/dev/full", "write log file {}: No space left on device -- "}}) {
        Ended run = Querimo({conn, dir.Write("q.sql", "select 1"), path});
        EXPECT_EQ(run.status, 255) << path;
        EXPECT_NE(run.errors.find(why.replace(why.find("{}"), 2, path)), std::string::npos)
            << run.errors;
        EXPECT_TRUE(
            std::regex_search(run.errors, std::regex("-- .*(Could not open|while writing)")));
    }
    EXPECT_TRUE(fs::is_directory(dir.File("folder.csv")) && fs::is_fifo(dir.File("fifo.csv")));
    EXPECT_FALSE(fs::exists(dir.File("missing")));
}

// A run killed mid-export leaves the file exactly as it was, and the next run removes its litter.
TEST_F(BatchRunTest, KilledRunLeavesThePreviousFile) {
    std::string rows = dir.Write("rows.sql", NumbersQuery(50000000));
    std::string one = dir.Write("one.sql", "select 1 as n");
    for (std::string output : {"out.csv", "page.html"}) {
        std::string out = dir.File(output);
        ASSERT_EQ(Querimo({conn, one, out}).status, 0);
        const std::string before = ReadFileBytes(out);
        pid_t run = Start({output == "out.csv" ? "-s" : "-a", conn, rows, out});
        EXPECT_TRUE(WaitWhileRunning(run, [&] {
            auto files = Files();
            return std::any_of(files.begin(), files.end(), [&](const auto& file) {
                return file.first.find(output) != std::string::npos && file.second > (1 << 20);
            });
        }));
        kill(run, SIGKILL);
        EXPECT_EQ(Finish(run).status, 128 + SIGKILL);
        EXPECT_TRUE(ReadFileBytes(out) == before) << output << " changed";
        if (output == "page.html") {
            // Log lines after a page's end stay after its new end.
            EXPECT_EQ(Querimo({"-a", "DSN=QuerimoNoSuchSource", one, out}).status, 255);
        }
        EXPECT_EQ(Querimo({"-a", conn, one, out}).status, 0);
        const std::string after = ReadFileBytes(out);
        EXPECT_TRUE(output == "out.csv" ||
                    (CountOf(after, "class=report") == 2 &&
                     std::regex_search(after, std::regex("</html>\r\n[^<]*IM002"))))
            << after;
    }
    std::set<std::string> names;
    for (const auto& [name, size] : Files()) {
        names.insert(name);
    }
    EXPECT_EQ(names,
              (std::set<std::string>{"t.db", "rows.sql", "one.sql", "out.csv", "page.html"}));
}

// Runs that meet on one output wait for each other, and each appends all its rows once.
TEST_F(BatchRunTest, ConcurrentAppendsWaitForEachOther) {
    std::string rows = dir.Write("rows.sql", NumbersQuery(50000)), block;
    for (int n = 1; n <= 50000; ++n) {
        block += "\"" + std::to_string(n) + "\"\r\n";
    }
    for (std::string output : {"rows.csv", "rows.html"}) {
        std::string out = dir.Write(output, "");
        int held = open(out.c_str(), O_RDONLY | O_CLOEXEC);
        flock(held, LOCK_EX);
        pid_t first = Start({"-s", "-a", conn, rows, out}),
              second = Start({"-s", "-a", conn, rows, out});
        struct stat info {};
        stat(out.c_str(), &info);
        auto bothWait = [&] {
            return CountOf(ReadFileBytes("/proc/locks"), ":" + std::to_string(info.st_ino) + " ") ==
                   3;
        };
        EXPECT_TRUE(WaitWhileRunning(first, bothWait) && WaitWhileRunning(second, bothWait));
        close(held);
        EXPECT_EQ(Finish(first).status, 0);
        EXPECT_EQ(Finish(second).status, 0);
        std::string text = ReadFileBytes(out);
        EXPECT_TRUE(output == "rows.csv"
                        ? text == block + block
                        : CountOf(text, "<tr class=repline") == 100000 &&
                              CountOf(text, "<html>") + CountOf(text, "position:") == 2);
    }
}

TEST_F(BatchRunTest, RefusedBeforeAnythingRuns) {
    std::string sql = dir.Write("q.sql", "insert into t values (3, 'x')");
    fs::create_symlink(sql, dir.File("link.csv"));
    for (auto [arguments, status, why] :
         std::vector<std::tuple<std::vector<std::string>, int, std::string>>{
             {{conn, sql, sql}, 254, "is the SQL file"},
             {{conn, sql, dir.File("link.csv")}, 254, "is the SQL file"},
             {{conn, sql, dir.File("o.xml")}, 255, "XML"},
             // -d takes the connection string: no output file is left, so the window would open.
             {{"-d", conn, sql, dir.File("o.csv")}, 254, "No display"}}) {
        Ended run = Querimo(arguments);
        EXPECT_EQ(run.status, status);
        EXPECT_NE(run.errors.find(why), std::string::npos) << run.errors;
    }
    EXPECT_EQ(ReadFileBytes(sql), "insert into t values (3, 'x')");
    EXPECT_FALSE(fs::exists(dir.File("o.xml")));
    EXPECT_EQ(Shell("sqlite3 " + db + " 'select count(*) from t'"), "2\n");
}

}  // namespace
