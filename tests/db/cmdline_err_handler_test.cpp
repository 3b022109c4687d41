#include "db/cmdline_err_handler.h"

#include "db/notice.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <vector>

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

class CmdLineErrHandlerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetNoticeSink([this](const std::string& caption, const std::string& text, NoticeIcon icon) {
            notices.push_back(caption + "|" + text);
            icons.push_back(icon);
        });
    }
    void TearDown() override { SetNoticeSink({}); }

    std::string WriteTwice(const std::string& name) {
        handler.m_logFile = dir.File(name);
        EXPECT_TRUE(handler.WriteLog("first"));
        EXPECT_TRUE(handler.WriteLog("second"));
        return ReadFileBytes(handler.m_logFile);
    }

    TempDir dir;
    CCmdLineErrHandler handler;
    std::vector<std::string> notices;
    std::vector<NoticeIcon> icons;
};

TEST_F(CmdLineErrHandlerTest, LogPathAccumulatesAcrossEntries) {
    auto lines = Lines(WriteTwice("errors.log"));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("first"), std::string::npos);
    EXPECT_NE(lines[1].find("second"), std::string::npos);
}

TEST_F(CmdLineErrHandlerTest, OtherPathsKeepOnlyTheLastEntry) {
    for (const char* name : {"errors.LOG", "result.csv", "log"}) {
        auto lines = Lines(WriteTwice(name));
        ASSERT_EQ(lines.size(), 1u) << name;
        EXPECT_NE(lines[0].find("second"), std::string::npos) << name;
    }
}

TEST_F(CmdLineErrHandlerTest, LogMarkerCountsAfterTheFirstCharacterAnywhere) {
    EXPECT_TRUE(LogPathAccumulates("a.log"));
    EXPECT_TRUE(LogPathAccumulates("/tmp/x.logs/out.csv"));
    EXPECT_FALSE(LogPathAccumulates(".log"));
    EXPECT_FALSE(LogPathAccumulates("out.Log"));
}

TEST_F(CmdLineErrHandlerTest, LineHasTheClassicTimeStampAndALineFeed) {
    handler.m_logFile = dir.File("out.csv");
    ASSERT_TRUE(handler.WriteLog("Could not open file x"));
    std::string text = ReadFileBytes(handler.m_logFile);
    EXPECT_TRUE(std::regex_match(
        text, std::regex(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d -- Could not open file x\n)")))
        << text;
}

TEST_F(CmdLineErrHandlerTest, TimeStampIsMonthDayYear) {
    std::tm when{};
    when.tm_year = 126;
    when.tm_mon = 11;
    when.tm_mday = 6;
    when.tm_hour = 14;
    when.tm_min = 5;
    when.tm_sec = 9;
    when.tm_isdst = -1;
    EXPECT_EQ(FormatLogTime(std::mktime(&when)), "12/06/26 14:05:09");
}

TEST_F(CmdLineErrHandlerTest, RecordsAreWrittenAsTheirLogText) {
    handler.m_logFile = dir.File("out.csv");
    ODBCError error;
    error.m_retcode = SQL_ERROR;
    error.m_message = "boom";
    std::copy_n("42S02", 6, error.m_sqlState);
    handler.HandleError(&error);
    EXPECT_NE(ReadFileBytes(handler.m_logFile).find(" -- Application Error -1: \"boom\" (42S02)\n"),
              std::string::npos);
}

TEST_F(CmdLineErrHandlerTest, UnwritableLogIsANoticeNotASuccess) {
    struct Case {
        std::string path;
        const char* reason;
    };
    for (const Case& test : {Case{dir.File("missing/out.log"), "No such file or directory"},
                             Case{"/dev/full", "No space left on device"},
                             Case{dir.Path().string(), "Is a directory"}}) {
        notices.clear();
        handler.m_logFile = test.path;
        EXPECT_FALSE(handler.WriteLog("lost")) << test.path;
        ASSERT_EQ(notices.size(), 1u) << test.path;
        EXPECT_NE(notices[0].find(test.path), std::string::npos) << notices[0];
        EXPECT_NE(notices[0].find(test.reason), std::string::npos) << notices[0];
        EXPECT_EQ(icons[0], NoticeIcon::Stop);
    }
}

}  // namespace
