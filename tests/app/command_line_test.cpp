#include "app/command_line.h"
#include "app/usage.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using querimo::CommandLine;
using querimo::ParseCommandLine;

namespace {

struct CommandLineCase {
    const char* name;
    std::vector<std::string> arguments;
    CommandLine expected;
};

CommandLine With(void (*change)(CommandLine&)) {
    CommandLine line;
    line.hasArguments = true;
    change(line);
    return line;
}

std::vector<CommandLineCase> Cases() {
    return {
        {"Empty", {}, CommandLine{}},
        {"QuoteAll", {"-u"}, With([](CommandLine& c) { c.quoteAll = true; })},
        {"NoHeader", {"-s"}, With([](CommandLine& c) { c.header = false; })},
        {"NoHeaderTrailingLettersIgnored", {"-sx"}, With([](CommandLine& c) { c.header = false; })},
        {"Append", {"-a"}, With([](CommandLine& c) { c.append = true; })},
        {"QuoteAttached", {"-q'"}, With([](CommandLine& c) { c.quote = '\''; })},
        {"QuoteSeparateTakesFirstCharacter", {"-q", "xyz"}, With([](CommandLine& c) {
             c.quote = 'x';
         })},
        {"TabSeparate", {"-d", "\\t"}, With([](CommandLine& c) { c.delimiter = '\t'; })},
        {"TabAttached", {"-d\\t"}, With([](CommandLine& c) { c.delimiter = '\t'; })},
        {"LineFeedWord", {"-d", "\\n"}, With([](CommandLine& c) { c.delimiter = '\n'; })},
        {"TabWordMustBeExact", {"-d", "\\tx"}, With([](CommandLine& c) { c.delimiter = '\\'; })},
        {"SemicolonSeparate", {"-d", ";"}, With([](CommandLine& c) { c.delimiter = ';'; })},
        {"SemicolonAttached", {"-d;"}, With([](CommandLine& c) { c.delimiter = ';'; })},
        {"WordGivesFirstLetter", {"-d", "abc"}, With([](CommandLine& c) { c.delimiter = 'a'; })},
        {"EmptySeparateValueIsNul", {"-q", ""}, With([](CommandLine& c) { c.quote = '\0'; })},
        {"LastQuoteWithoutValueIsNul", {"-q"}, With([](CommandLine& c) { c.quote = '\0'; })},
        {"LastDelimiterWithoutValueIsNul", {"-u", "-d"}, With([](CommandLine& c) {
             c.quoteAll = true;
             c.delimiter = '\0';
         })},
        {"UnknownSwitchConsumed", {"-x", "dsn"}, With([](CommandLine& c) {
             c.connectString = "dsn";
         })},
        {"LoneDashIgnored", {"-", "dsn"}, With([](CommandLine& c) { c.connectString = "dsn"; })},
        {"LastRepeatedSwitchWins", {"-d", ";", "-d|", "-q", "a", "-qb"}, With([](CommandLine& c) {
             c.delimiter = '|';
             c.quote = 'b';
         })},
        {"ValueThatLooksLikeSwitchIsConsumed", {"-d", "-s", "dsn"}, With([](CommandLine& c) {
             c.delimiter = '-';
             c.connectString = "dsn";
         })},
        {"ThreePositionals",
         {"-u", "DSN=x", "in.sql", "out.csv", "ignored"},
         With([](CommandLine& c) {
             c.quoteAll = true;
             c.connectString = "DSN=x";
             c.sqlFile = "in.sql";
             c.outputFile = "out.csv";
         })},
        {"SwitchAfterPositionalIsAFile",
         {"DSN=x", "-s", "in.sql", "out.csv"},
         With([](CommandLine& c) {
             c.connectString = "DSN=x";
             c.sqlFile = "-s";
             c.outputFile = "in.sql";
         })},
        {"EmptyArgumentIsPositional", {"", "-s"}, With([](CommandLine& c) { c.sqlFile = "-s"; })},
    };
}

class CommandLineTest : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, ParsesLikeTheTable) {
    const CommandLineCase& test = GetParam();
    CommandLine actual = ParseCommandLine(test.arguments);
    const CommandLine& expected = test.expected;
    EXPECT_EQ(actual.quoteAll, expected.quoteAll);
    EXPECT_EQ(actual.header, expected.header);
    EXPECT_EQ(actual.append, expected.append);
    EXPECT_EQ(actual.quote, expected.quote);
    EXPECT_EQ(actual.delimiter, expected.delimiter);
    EXPECT_EQ(actual.connectString, expected.connectString);
    EXPECT_EQ(actual.sqlFile, expected.sqlFile);
    EXPECT_EQ(actual.outputFile, expected.outputFile);
    EXPECT_EQ(actual.hasArguments, expected.hasArguments);
    EXPECT_EQ(actual.IsBatchRun(), !expected.outputFile.empty());
}

INSTANTIATE_TEST_SUITE_P(Switches, CommandLineTest, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

namespace {

TEST(InformationRequestTest, OnlyTheExactWordsAsTheFirstArgument) {
    using querimo::InformationRequest;
    EXPECT_EQ(InformationRequest({"--version"}), "Querimo 4.0\n");
    EXPECT_EQ(InformationRequest({"--help", "DSN=x"}), querimo::UsageText());
    for (const std::vector<std::string>& other :
         std::vector<std::vector<std::string>>{{}, {"--helpme"}, {"--HELP"}, {"-s", "--help"},
                                               {"DSN=x", "--version"}, {"-v"}}) {
        EXPECT_EQ(InformationRequest(other), std::nullopt);
    }
    EXPECT_NE(querimo::UsageText().find("254"), std::string::npos);
}

}  // namespace
