// The command line's switches and positions, and where an unattended run logs.
#include "app/command_line.h"
#include "app/log_path.h"
#include "app/usage.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace {

using querimo::CommandLine;

struct Case {
    std::vector<std::string> arguments;
    // quoteAll header append quote delimiter | connection | sql | output
    std::string expected;
};

std::string Describe(const CommandLine& c) {
    auto character = [](const std::optional<char>& value) {
        return !value           ? std::string("_")
               : *value == '\0' ? std::string("NUL")
                                : std::string(1, *value);
    };
    return std::to_string(c.quoteAll) + std::to_string(c.header) + std::to_string(c.append) + " " +
           character(c.quote) + " " + character(c.delimiter) + "|" + c.connectString + "|" +
           c.sqlFile + "|" + c.outputFile;
}

TEST(CommandLineTest, SwitchesThenPositions) {
    for (const Case& c : std::vector<Case>{
             {{"-u", "-sx", "-a"}, "101 _ _|||"},
             {{"-q'", "-d", "\\t"}, "010 ' \t|||"},
             {{"-d\\t", "-q", "xyz"}, "010 x \t|||"},
             {{"-d", "\\tx", "-d", "\\n"}, "010 _ \n|||"},
             {{"-d", "abc", "-q;"}, "010 ; a|||"},
             {{"-d\\tx"}, "010 _ \\|||"},
             {{"-q", "", "-d"}, "010 NUL NUL|||"},
             {{"-x", "-", "-d", "-s", "dsn"}, "010 _ -|dsn||"},
             {{"-u", "DSN=x", "-s", "in.sql", "out.csv", "more"}, "110 _ _|DSN=x|-s|in.sql"},
             {{"", "-s"}, "010 _ _||-s|"}}) {
        EXPECT_EQ(Describe(querimo::ParseCommandLine(c.arguments)), c.expected)
            << testing::PrintToString(c.arguments);
    }
    EXPECT_FALSE(querimo::ParseCommandLine({}).hasArguments);
    EXPECT_TRUE(querimo::ParseCommandLine({"a", "b", "c"}).IsBatchRun());
}

TEST(CommandLineTest, OnlyTheExactFirstWordAsksForInformation) {
    EXPECT_EQ(querimo::InformationRequest({"--version"}), "Querimo 4.0\n");
    EXPECT_EQ(querimo::InformationRequest({"--help", "DSN=x"}), querimo::UsageText());
    EXPECT_EQ(querimo::InformationRequest({"-s", "--help"}), std::nullopt);
    EXPECT_EQ(querimo::InformationRequest({"--HELP"}), std::nullopt);
}

TEST(CommandLineTest, LogIsTheOutputUnlessItsFolderIsMissing) {
    TempDir dir;
    for (auto [output, program, log] : std::vector<std::array<std::string, 3>>{
             {dir.File("r.csv"), "/opt/q/querimo", dir.File("r.csv")},
             {dir.File("missing/r.csv"), "/opt/q/q.bin", "/opt/q/q.log"},
             {dir.File("missing/r.csv"), "/home/a/.local/bin/querimo",
              "/home/a/.local/bin/querimo.log"},
             {dir.File("missing/r.csv"), "/o/q.v2.run", "/o/q.v2.log"},
             {"r.html", "/opt/q/querimo", "r.html"},
             {"/r.csv", "/opt/q/querimo", "/r.csv"}}) {
        EXPECT_EQ(querimo::BatchLogPath(output, program), log);
    }
}

}  // namespace
