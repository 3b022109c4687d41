#include "app/log_path.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

using querimo::BatchLogPath;
using querimo::ProgramLogPath;

namespace {

TEST(LogPathTest, OutputPathIsTheLogWhenItsFolderExists) {
    TempDir dir;
    std::string output = dir.File("result.csv");
    EXPECT_EQ(BatchLogPath(output, "/opt/q/querimo"), output);
}

TEST(LogPathTest, MissingFolderSendsTheLogBesideTheProgram) {
    TempDir dir;
    std::string output = dir.File("missing/result.csv");
    EXPECT_EQ(BatchLogPath(output, "/opt/q/querimo.bin"), "/opt/q/querimo.log");
}

TEST(LogPathTest, PathWithoutFolderIsItsOwnLog) {
    EXPECT_EQ(BatchLogPath("result.html", "/opt/q/querimo"), "result.html");
}

TEST(LogPathTest, FileInTheRootFolderKeepsItsPath) {
    EXPECT_EQ(BatchLogPath("/result.csv", "/opt/q/querimo"), "/result.csv");
}

struct ProgramLogCase {
    const char* program;
    const char* log;
};

class ProgramLogPathTest : public ::testing::TestWithParam<ProgramLogCase> {};

TEST_P(ProgramLogPathTest, ReplacesOnlyTheFileNameExtension) {
    EXPECT_EQ(ProgramLogPath(GetParam().program), GetParam().log);
}

INSTANTIATE_TEST_SUITE_P(
    Programs, ProgramLogPathTest,
    ::testing::Values(ProgramLogCase{"/usr/bin/querimo", "/usr/bin/querimo.log"},
                      ProgramLogCase{"/usr/bin/q.exe", "/usr/bin/q.log"},
                      ProgramLogCase{"/home/a/.local/bin/querimo",
                                     "/home/a/.local/bin/querimo.log"},
                      ProgramLogCase{"/home/a/.local/bin/q.v2.run", "/home/a/.local/bin/q.v2.log"},
                      ProgramLogCase{"querimo", "querimo.log"}));

TEST(LogPathTest, ProgramPathIsTheRunningExecutable) {
    std::string path = querimo::ProgramPath();
    EXPECT_TRUE(std::filesystem::path(path).is_absolute());
    EXPECT_TRUE(std::filesystem::exists(path));
}

}  // namespace
