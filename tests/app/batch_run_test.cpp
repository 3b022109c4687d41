// The real program, run unattended the way cron or a script runs it: no display at all.
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
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

}  // namespace
