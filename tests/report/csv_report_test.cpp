#include "report_fixture.h"

#include <cstdio>
#include <fstream>

namespace {

class CsvReportTest : public ReportTest {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        ConnectSqlite();
        Run("create table t (id integer, name varchar(40), flag bit, born date, amount double)");
        Run("insert into t values (1, 'Ann', 1, '2001-02-03', 1.5)");
        Run("insert into t values (2, 'B\"o,b\nline', 0, '1999-12-31', -2.25)");
        Run("insert into t values (3, null, null, null, null)");
    }
};

TEST_F(CsvReportTest, DefaultsQuoteTextAndDatesOnlyWithCrLfLines) {
    EXPECT_EQ(Csv("select id, name, flag, born, amount from t order by id"),
              "\"id\",\"name\",\"flag\",\"born\",\"amount\"\r\n"
              "1,\"Ann\",1,\"2001-02-03\",1.500000\r\n"
              "2,\"B\"\"o,b\\012line\",0,\"1999-12-31\",-2.250000\r\n"
              "3,\"\",,\"\",\r\n");
    EXPECT_EQ(rowsWritten, 3);
}

TEST_F(CsvReportTest, QuoteAllQuotesNumbersAndSpellsBits) {
    EXPECT_EQ(Csv("select id, flag from t where id < 3 order by id",
                  [](ODBCReport& report) { report.m_quoteAll = true; }),
              "\"id\",\"flag\"\r\n\"1\",\"True\"\r\n\"2\",\"False\"\r\n");
}

struct SettingsCase {
    const char* name;
    char delimiter;
    char quote;
    bool header;
    const char* expected;
};

class CsvSettingsTest : public CsvReportTest, public ::testing::WithParamInterface<SettingsCase> {};

TEST_P(CsvSettingsTest, DelimiterQuoteAndHeader) {
    const SettingsCase& test = GetParam();
    EXPECT_EQ(Csv("select id, name from t where id = 1",
                  [&](ODBCReport& report) {
                      report.m_delimiter = test.delimiter;
                      report.m_quote = test.quote;
                      report.m_header = test.header;
                  }),
              test.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Settings, CsvSettingsTest,
    ::testing::Values(SettingsCase{"Tab", '\t', '"', true, "\"id\"\t\"name\"\r\n1\t\"Ann\"\r\n"},
                      SettingsCase{"Semicolon", ';', '"', true, "\"id\";\"name\"\r\n1;\"Ann\"\r\n"},
                      SettingsCase{"Apostrophe", ',', '\'', true, "'id','name'\r\n1,'Ann'\r\n"},
                      SettingsCase{"NoHeader", ',', '"', false, "1,\"Ann\"\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(CsvReportTest, UpdateWritesOnlyTheRowsAffected) {
    EXPECT_EQ(Csv("update t set amount = 0"), "\"Rows affected\"\r\n3");
    EXPECT_EQ(rowsWritten, 0);
}

TEST_F(CsvReportTest, UpdateMatchingNoRowWritesZero) {
    EXPECT_EQ(Csv("update t set amount = 0 where id = 99"), "\"Rows affected\"\r\n0");
}

TEST_F(CsvReportTest, AppendKeepsTheOldContentAndRepeatsTheHeading) {
    std::string path = dir.Write("out.csv", "old\r\n");
    auto append = [](ODBCReport& report) { report.m_append = true; };
    ASSERT_TRUE(Report("select id from t where id = 1", path, ODBCReport::kCsv, append));
    ASSERT_TRUE(Report("select id from t where id = 2", path, ODBCReport::kCsv, append));
    EXPECT_EQ(ReadFileBytes(path), "old\r\n\"id\"\r\n1\r\n\"id\"\r\n2\r\n");
}

TEST_F(CsvReportTest, WithoutAppendTheFileIsReplaced) {
    std::string path = dir.Write("out.csv", std::string(1000, 'x'));
    ASSERT_TRUE(Report("select id from t where id = 1", path, ODBCReport::kCsv));
    EXPECT_EQ(ReadFileBytes(path), "\"id\"\r\n1\r\n");
}

TEST_F(CsvReportTest, UnknownFormatTouchesNothing) {
    std::string path = dir.Write("out.xml", "keep");
    EXPECT_FALSE(Report("select id from t", path, ODBCReport::kXml));
    EXPECT_EQ(ReadFileBytes(path), "keep");
    EXPECT_TRUE(handler.records.empty());
}

TEST_F(CsvReportTest, FileThatCannotBeOpenedIsReported) {
    std::string path = dir.File("missing/out.csv");
    EXPECT_FALSE(Report("select id from t", path, ODBCReport::kCsv));
    ASSERT_EQ(handler.records.size(), 1u);
    EXPECT_EQ(handler.records[0].message,
              "Could not open file " + path + " (No such file or directory)");
    EXPECT_EQ(handler.records[0].source, "ODBCReport::Report");
    EXPECT_EQ(handler.records[0].retcode, SQL_ERROR);
}

TEST_F(CsvReportTest, FullDiskIsAFailureNotASuccess) {
    EXPECT_FALSE(Report("select id, name from t", "/dev/full", ODBCReport::kCsv));
    ASSERT_EQ(handler.records.size(), 1u);
    EXPECT_EQ(handler.records[0].source, "ODBCReport::OutputCSV");
    EXPECT_NE(handler.records[0].message.find("No space left on device"), std::string::npos);
}

class ScriptedCsvTest : public ReportTest {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        Connect(TestDriverConnectionString());
    }
};

TEST_F(ScriptedCsvTest, EveryResultSetGetsItsHeadingLine) {
    const char* script =
        "script: result(a INTEGER) row(1) row(2) result(b VARCHAR(5), c INTEGER) row(x, 3)";
    EXPECT_EQ(Csv(script), "\"a\"\r\n1\r\n2\r\n\"b\",\"c\"\r\n\"x\",3\r\n");
    EXPECT_EQ(Csv(script, [](ODBCReport& report) { report.m_header = false; }),
              "1\r\n2\r\n\"b\",\"c\"\r\n\"x\",3\r\n");
    EXPECT_EQ(rowsWritten, 3);
}

TEST_F(ScriptedCsvTest, RowsAffectedFirstEndsTheReport) {
    EXPECT_EQ(Csv("script: result() rowcount(3) result(a INTEGER) row(1)"),
              "\"Rows affected\"\r\n3");
}

TEST_F(ScriptedCsvTest, UnquotedFieldThatWouldSplitTheLineIsQuoted) {
    EXPECT_EQ(Csv("script: result(t WLONGVARCHAR(100), n DOUBLE) row('a,b', 1.5) row('plain', 2) "
                  "row('say \"hi\"', 3) row('two\\nlines', 4)"),
              "\"t\",\"n\"\r\n\"a,b\",1.500000\r\nplain,2.000000\r\n\"say \"\"hi\"\"\",3.000000\r\n"
              "\"two\\012lines\",4.000000\r\n");
}

struct FormattedSplitCase {
    const char* name;
    char delimiter;
    char quote;
    const char* expected;
};

class FormattedSplitTest : public ScriptedCsvTest,
                           public ::testing::WithParamInterface<FormattedSplitCase> {};

// Numbers, times and timestamps are unquoted, until a delimiter or quote is one of their
// characters.
TEST_P(FormattedSplitTest, NumberAndTimeTextsAreQuotedWhenTheyWouldSplit) {
    const FormattedSplitCase& test = GetParam();
    EXPECT_EQ(Csv("script: result(i INTEGER, d DOUBLE, s TIMESTAMP) "
                  "row(-7, 2.5, '2011-03-04 05:06:07')",
                  [&](ODBCReport& report) {
                      report.m_delimiter = test.delimiter;
                      report.m_quote = test.quote;
                      report.m_header = false;
                  }),
              test.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Delimiters, FormattedSplitTest,
    ::testing::Values(
        FormattedSplitCase{"Comma", ',', '"', "-7,2.500000,2011-03-04 05:06:07.000\r\n"},
        FormattedSplitCase{"Point", '.', '"', "-7.\"2.500000\".\"2011-03-04 05:06:07.000\"\r\n"},
        FormattedSplitCase{"Blank", ' ', '"', "-7 2.500000 \"2011-03-04 05:06:07.000\"\r\n"},
        FormattedSplitCase{"Colon", ':', '"', "-7:2.500000:\"2011-03-04 05:06:07.000\"\r\n"},
        FormattedSplitCase{"Minus", '-', '"', "\"-7\"-2.500000-\"2011-03-04 05:06:07.000\"\r\n"},
        FormattedSplitCase{"Digit", '0', '"', "-70\"2.500000\"0\"2011-03-04 05:06:07.000\"\r\n"},
        FormattedSplitCase{"DigitQuote", ',', '5',
                           "-7,52.55000005,52011-03-04 055:06:07.0005\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ScriptedCsvTest, FailingMoreResultsFailsAfterWritingEverything) {
    std::string path = dir.File("out.csv");
    EXPECT_FALSE(Report("script: result(a INTEGER) row(1) fail(MoreResults, diag(HY000, 7, gone))",
                        path, ODBCReport::kCsv));
    EXPECT_EQ(ReadFileBytes(path), "\"a\"\r\n1\r\n");
    ASSERT_FALSE(handler.records.empty());
    EXPECT_EQ(handler.records.back().nativeError, 7);
}

// The rows after the failed fetch are missing, so the report is not a success.
TEST_F(ScriptedCsvTest, FailingFetchEndsOnlyItsResultSetAndFailsTheReport) {
    std::string path = dir.File("out.csv");
    EXPECT_FALSE(
        Report("script: result(a INTEGER) row(1) row(2) "
               "fail(Fetch@2, diag(HY000, 1, bad)) result(b INTEGER) row(9)",
               path, ODBCReport::kCsv));
    EXPECT_EQ(ReadFileBytes(path), "\"a\"\r\n1\r\n\"b\"\r\n9\r\n");
}

TEST_F(ScriptedCsvTest, ResultSetWhoseColumnsCannotBeBoundIsNotReadAndFails) {
    std::string path = dir.File("out.csv");
    EXPECT_FALSE(
        Report("script: result(a INTEGER) row(1) result(b INTEGER, c INTEGER) row(2, 3) "
               "fail(DescribeCol@2, diag(HY000, 1, no))",
               path, ODBCReport::kCsv));
    EXPECT_EQ(ReadFileBytes(path), "\"a\"\r\n1\r\n");
}

// A real CSV reader must get back exactly the values that went in.
TEST_F(CsvReportTest, PythonsCsvReaderReadsTheValuesBack) {
    if (std::system("python3 -c 'import csv' 2>/dev/null") != 0) {
        GTEST_SKIP() << "python3 is not available";
    }
    Run("create table v (id integer, txt varchar(60))");
    Run("insert into v values (1, 'comma, inside'), (2, 'quote \" inside'), "
        "(3, 'M\xC3\xBCller \xE6\x9D\xB1\xE4\xBA\xAC'), (4, null), (5, 'line\nbreak')");
    std::string path = dir.File("out.csv");
    ASSERT_TRUE(Report("select id, txt from v order by id", path, ODBCReport::kCsv));
    std::string decoded = dir.File("decoded.txt");
    std::string command =
        "python3 -c \"import csv,sys; rows=list(csv.reader(open(sys.argv[1], "
        "newline='', encoding='utf-8'))); open(sys.argv[2],'w',encoding='utf-8')"
        ".write('|'.join(r[0]+'='+r[1] for r in rows))\" " +
        path + " " + decoded;
    ASSERT_EQ(std::system(command.c_str()), 0);
    EXPECT_EQ(ReadFileBytes(decoded),
              "id=txt|1=comma, inside|2=quote \" inside|3=M\xC3\xBCller \xE6\x9D\xB1\xE4\xBA\xAC|"
              "4=|5=line\\012break");
}

}  // namespace
