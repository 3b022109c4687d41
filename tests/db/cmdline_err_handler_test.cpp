// The log of unattended runs: what a run's entries do to what the file held.
#include "db/cmdline_err_handler.h"

#include "db/notice.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

class CmdLineErrHandlerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SetNoticeSink([this](const std::string&, const std::string& text, NoticeIcon) {
            notices.push_back(text);
        });
    }
    void TearDown() override { SetNoticeSink({}); }

    TempDir dir;
    std::vector<std::string> notices;
};

const std::string kStamp = R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d -- )";

TEST_F(CmdLineErrHandlerTest, EveryEntryOfARunStaysAndOnlyAReplacingRunEmptiesTheFile) {
    struct Case {
        const char* name;
        bool keepExisting;
        bool earlierStays;
    };
    for (const Case& c : {Case{"run.log", false, true}, Case{"out.csv", false, false},
                          Case{"out.LOG", false, false}, Case{"out.csv", true, true}}) {
        CCmdLineErrHandler handler;
        handler.m_logFile = dir.Write(c.name, "earlier\n");
        handler.m_keepExisting = c.keepExisting;
        EXPECT_TRUE(handler.WriteLog("first\r\nline"));
        EXPECT_TRUE(handler.WriteLog("second\nline"));
        std::regex expected((c.earlierStays ? "earlier\n" : "") + kStamp + "first line\n" + kStamp +
                            "second line\n");
        EXPECT_TRUE(std::regex_match(ReadFileBytes(handler.m_logFile), expected))
            << c.name << ": " << ReadFileBytes(handler.m_logFile);
    }
}

}  // namespace
