// The real program, run unattended the way cron or a script runs it: no display at all.
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct RunResult {
    int exitStatus = -1;
    std::chrono::milliseconds elapsed{0};
};

// Runs querimo without DISPLAY, WAYLAND_DISPLAY or a chosen Qt platform.
RunResult RunQuerimo(const std::vector<std::string>& arguments, const std::string& workDir) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        std::string value = *entry;
        if (value.rfind("DISPLAY=", 0) != 0 && value.rfind("WAYLAND_DISPLAY=", 0) != 0 &&
            value.rfind("QT_QPA_PLATFORM=", 0) != 0) {
            environment.push_back(value);
        }
    }
    std::vector<std::string> argv{QUERIMO_BINARY};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    std::vector<char*> argvPointers;
    for (auto& argument : argv) {
        argvPointers.push_back(argument.data());
    }
    argvPointers.push_back(nullptr);
    std::vector<char*> environmentPointers;
    for (auto& entry : environment) {
        environmentPointers.push_back(entry.data());
    }
    environmentPointers.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, workDir.c_str());
    auto started = std::chrono::steady_clock::now();
    pid_t pid = 0;
    RunResult result;
    if (posix_spawn(&pid, QUERIMO_BINARY, &actions, nullptr, argvPointers.data(),
                    environmentPointers.data()) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - started);
    posix_spawn_file_actions_destroy(&actions);
    return result;
}

const std::regex kLogLine(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d -- (.*)\n)");

std::string LoggedText(const std::string& logContents) {
    std::smatch match;
    if (!std::regex_match(logContents, match, kLogLine)) {
        return "<not one log line: " + logContents + ">";
    }
    return match[1];
}

class BatchRunTest : public ::testing::Test {
  protected:
    TempDir dir;
};

TEST_F(BatchRunTest, WrongDataSourceEndsWith255AndLogsTheDriverManagersError) {
    std::string sql = dir.Write("query.sql", "select 1");
    std::string output = dir.File("out.csv");
    RunResult run = RunQuerimo({"DSN=QuerimoNoSuchSource", sql, output}, dir.Path().string());
    EXPECT_EQ(run.exitStatus, 255);
    EXPECT_GE(run.elapsed.count(), 1500);
    EXPECT_EQ(LoggedText(ReadFileBytes(output)),
              "Application Error -1: \"[unixODBC][Driver Manager]Data source name not found and "
              "no default driver specified\" (IM002)");
}

TEST_F(BatchRunTest, UnreadableSqlFileEndsWith254AndLogsTheReason) {
    std::string database = dir.File("demo.db");
    std::string missing = dir.File("missing.sql");
    std::string output = dir.File("out.csv");
    RunResult run =
        RunQuerimo({"Driver=SQLite3;Database=" + database, missing, output}, dir.Path().string());
    EXPECT_EQ(run.exitStatus, 254);
    EXPECT_EQ(LoggedText(ReadFileBytes(output)),
              "Could not open file " + missing + " (No such file or directory)");
}

TEST_F(BatchRunTest, EmptySqlFileArgumentEndsWith254) {
    std::string output = dir.File("out.csv");
    RunResult run = RunQuerimo({"Driver=SQLite3;Database=" + dir.File("demo.db"), "", output},
                               dir.Path().string());
    EXPECT_EQ(run.exitStatus, 254);
    EXPECT_EQ(LoggedText(ReadFileBytes(output)),
              "Could not open file  (No such file or directory)");
}

TEST_F(BatchRunTest, LogAccumulatesWhenTheOutputPathNamesALog) {
    std::string sql = dir.Write("query.sql", "select 1");
    std::string output = dir.File("run.log");
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(
            RunQuerimo({"DSN=QuerimoNoSuchSource", sql, output}, dir.Path().string()).exitStatus,
            255);
    }
    std::string log = ReadFileBytes(output);
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 2);
}

TEST_F(BatchRunTest, VersionAndHelpPrintWithoutADisplay) {
    std::string out = dir.File("stdout.txt");
    std::string command = std::string("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM ") +
                          QUERIMO_BINARY + " --version > " + out;
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFileBytes(out), "Querimo 4.0\n");
    command = std::string("env -u DISPLAY ") + QUERIMO_BINARY + " --help > " + out;
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFileBytes(out).rfind("Usage: querimo [switches]", 0), 0u);
}

class BatchExportTest : public BatchRunTest {
protected:
    void SetUp() override {
        database = dir.File("demo.db");
        connection = "Driver=SQLite3;Database=" + database;
        std::string command = "sqlite3 " + database +
                              " \"create table t (id integer, name varchar(20), ok bit); "
                              "insert into t values (1, 'a''b', 1), (2, 'c', 0);\"";
        ASSERT_EQ(std::system(command.c_str()), 0);
        query = dir.Write("query.sql", "select id, name, ok from t order by id");
    }

    int Run(const std::vector<std::string>& arguments) {
        return RunQuerimo(arguments, dir.Path().string()).exitStatus;
    }

    std::string database;
    std::string connection;
    std::string query;
};

struct SwitchCase {
    const char* name;
    std::vector<std::string> switches;
    const char* expected;
};

class BatchSwitchTest : public BatchExportTest, public ::testing::WithParamInterface<SwitchCase> {};

TEST_P(BatchSwitchTest, SwitchesShapeTheCsv) {
    std::vector<std::string> arguments = GetParam().switches;
    std::string output = dir.File("out.csv");
    arguments.insert(arguments.end(), {connection, query, output});
    ASSERT_EQ(Run(arguments), 0);
    EXPECT_EQ(ReadFileBytes(output), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Switches, BatchSwitchTest,
    ::testing::Values(
        SwitchCase{"Defaults", {}, "\"id\",\"name\",\"ok\"\r\n1,\"a'b\",1\r\n2,\"c\",0\r\n"},
        SwitchCase{"QuoteAll", {"-u"},
                   "\"id\",\"name\",\"ok\"\r\n\"1\",\"a'b\",\"True\"\r\n\"2\",\"c\",\"False\"\r\n"},
        SwitchCase{"NoHeading", {"-s"}, "1,\"a'b\",1\r\n2,\"c\",0\r\n"},
        SwitchCase{"Apostrophe", {"-q'"}, "'id','name','ok'\r\n1,'a''b',1\r\n2,'c',0\r\n"},
        SwitchCase{"TabWord", {"-d", "\\t", "-s"}, "1\t\"a'b\"\t1\r\n2\t\"c\"\t0\r\n"},
        SwitchCase{"SemicolonAttached", {"-d;", "-s"}, "1;\"a'b\";1\r\n2;\"c\";0\r\n"},
        SwitchCase{"EmptyDelimiterKeepsTheComma", {"-s", "-d", ""},
                   "1,\"a'b\",1\r\n2,\"c\",0\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(BatchExportTest, AppendSwitchGrowsTheFile) {
    std::string output = dir.File("grow.csv");
    ASSERT_EQ(Run({"-s", connection, query, output}), 0);
    ASSERT_EQ(Run({"-s", "-a", connection, query, output}), 0);
    EXPECT_EQ(ReadFileBytes(output),
              "1,\"a'b\",1\r\n2,\"c\",0\r\n1,\"a'b\",1\r\n2,\"c\",0\r\n");
}

TEST_F(BatchExportTest, HtmlOutputIsChosenByName) {
    std::string output = dir.File("page.html");
    ASSERT_EQ(Run({connection, query, output}), 0);
    std::string page = ReadFileBytes(output);
    EXPECT_NE(page.find("<title>page.html</title>"), std::string::npos);
    EXPECT_TRUE(std::regex_search(page, std::regex("<h3 class=heading3>Querimo -- \\[query\\.sql\\] export results "
                                                   "as at \\d\\d/\\d\\d/\\d\\d ")))
        << page;
}

TEST_F(BatchExportTest, FailingSqlEndsWith255WithItsErrorInPlaceOfTheOutput) {
    std::string output = dir.File("out.csv");
    ASSERT_EQ(Run({connection, dir.Write("bad.sql", "select * from nowhere"), output}), 255);
    EXPECT_NE(LoggedText(ReadFileBytes(output)).find("no such table: nowhere"), std::string::npos);
}

TEST_F(BatchExportTest, MissingOutputFolderLogsBesideTheProgram) {
    std::string programLog = std::string(QUERIMO_BINARY) + ".log";
    std::remove(programLog.c_str());
    std::string output = dir.File("missing/out.csv");
    EXPECT_EQ(Run({connection, query, output}), 255);
    std::string log = ReadFileBytes(programLog);
    std::remove(programLog.c_str());
    EXPECT_NE(log.find("Could not open file " + output + " (No such file or directory)"),
              std::string::npos)
        << log;
}

TEST_F(BatchExportTest, XmlOutputFailsWithoutTouchingTheFile) {
    std::string output = dir.Write("out.xml", "keep");
    EXPECT_EQ(Run({connection, query, output}), 255);
    // The failure itself writes nothing; the file stays as it was.
    EXPECT_EQ(ReadFileBytes(output), "keep");
}

}  // namespace
