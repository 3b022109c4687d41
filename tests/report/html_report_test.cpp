#include "report_fixture.h"

#include <regex>

namespace {

class HtmlReportTest : public ReportTest {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        ConnectSqlite();
        Run("create table t (id integer, name varchar(40))");
        Run("insert into t values (1, '  <b>&co  ')");
        Run("insert into t values (2, null)");
        Run("insert into t values (3, '')");
    }

    std::string Html(const std::string& sql,
                     const std::function<void(ODBCReport&)>& configure = {}) {
        EXPECT_TRUE(Report(sql, path, ODBCReport::kHtml, configure)) << sql;
        return ReadFileBytes(path);
    }

    static std::size_t Count(const std::string& text, const std::string& part) {
        std::size_t count = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
            ++count;
        }
        return count;
    }

    std::string path = dir.File("page.htm");
};

TEST_F(HtmlReportTest, PageHasHeadTableAndEnd) {
    std::string page = Html("select id, name from t order by id", [](ODBCReport& report) {
        report.m_styleSheet = "querimo.css";
        report.m_headings = {"", "", "Querimo export"};
        report.m_fontAttributes = "size=2";
    });
    EXPECT_TRUE(std::regex_search(
        page,
        std::regex(
            R"(^<!-- ODBCReport::OutputHTML\(\) Pellinor Ltd,NZ \d\d/\d\d/\d\d \d\d:\d\d:\d\d -->\r\n<html>\r\n)")));
    EXPECT_NE(page.find("charset=utf-8\">\r\n"), std::string::npos);
    EXPECT_NE(
        page.find(
            "<link href=\"querimo.css\" type=\"text/css\" rel=\"stylesheet\" />\r\n"
            "<title>page.htm</title>\r\n</head>\r\n<body>\r\n<hr color=red width=\"100%\">\r\n"
            "<h3 class=heading3>Querimo export</h3>\r\n"),
        std::string::npos);
    EXPECT_EQ(Count(page, "<h1"), 0u);
    EXPECT_NE(
        page.find("<table cellPadding=2 cellSpacing=0 class=report width=\"100%\" border=1>\r\n"
                  "<tr>\r\n<th class=columnlabel><font size=2>#</th>\r\n"
                  "<th align=right class=columnlabel>id</th>\r\n"
                  "<th align=left class=columnlabel>name</th>\r\n</tr>\r\n"
                  "<tr class=repline1>\r\n<td align=right><font size=2>1</td>\r\n"
                  "<td align=right><font size=2>1</td>\r\n<td><font size=2>&lt;b&gt;&co</td>\r\n"
                  "</tr>\r\n\r\n"
                  "<tr class=repline0>\r\n<td align=right><font size=2>2</td>\r\n"
                  "<td align=right><font size=2>2</td>\r\n<td><font size=2>&lt;null&gt;</td>\r\n"
                  "</tr>\r\n\r\n"
                  "<tr class=repline1>\r\n<td align=right><font size=2>3</td>\r\n"
                  "<td align=right><font size=2>3</td>\r\n<td><font size=2></td>\r\n"
                  "</tr>\r\n\r\n</table>\r\n<!-- ODBCReport::Append insert position:"),
        std::string::npos)
        << page;
    EXPECT_EQ(page.substr(page.size() - 18), "</body>\r\n</html>\r\n");
    EXPECT_EQ(rowsWritten, 3);
}

TEST_F(HtmlReportTest, MarkerRecordsTheOffsetOfItsOwnLine) {
    std::string page = Html("select id from t");
    std::smatch match;
    ASSERT_TRUE(std::regex_search(
        page, match, std::regex(R"(<!-- ODBCReport::Append insert position:(\d+) -->\r\n)")));
    EXPECT_EQ(std::stoll(match[1]), match.position(0));
    // The whole marker must stay within the part of the page a later append searches.
    EXPECT_LE(page.size() - static_cast<std::size_t>(match.position(0)), 512u);
}

TEST_F(HtmlReportTest, TwoAppendsGiveOnePageWithBothTables) {
    auto append = [](ODBCReport& report) { report.m_append = true; };
    Html("select id from t where id = 1", append);
    std::string page = Html("select name from t where id = 3", append);
    EXPECT_EQ(Count(page, "<html>"), 1u);
    EXPECT_EQ(Count(page, "<table cellPadding"), 2u);
    EXPECT_EQ(Count(page, "ODBCReport::Append insert position:"), 1u);
    EXPECT_EQ(Count(page, "</html>"), 1u);
    std::smatch match;
    ASSERT_TRUE(std::regex_search(page, match, std::regex(R"(insert position:(\d+) -->)")));
    EXPECT_EQ(page.compare(std::stoull(match[1]), 4, "<!--"), 0);
}

TEST_F(HtmlReportTest, AppendingToAShortPageWithoutMarkerAddsAfterIt) {
    dir.Write("page.htm", "<p>old</p>\r\n");
    std::string page =
        Html("select id from t where id = 1", [](ODBCReport& report) { report.m_append = true; });
    EXPECT_EQ(page.rfind("<p>old</p>\r\n<table", 0), 0u);
    EXPECT_EQ(Count(page, "insert position:"), 1u);
}

TEST_F(HtmlReportTest, MarkerWithAWrongNumberCutsAtTheMarkerItself) {
    std::string old = "<p>" + std::string(600, 'k') + "</p>\r\n";
    dir.Write("page.htm", old + "<!-- ODBCReport::Append insert position:99999999 -->\r\nend\r\n");
    std::string page =
        Html("select id from t where id = 1", [](ODBCReport& report) { report.m_append = true; });
    EXPECT_EQ(page.rfind(old + "<table", 0), 0u);
    EXPECT_EQ(Count(page, "insert position:"), 1u);
}

TEST_F(HtmlReportTest, WithoutHeaderTheTableHasNoHeadingRow) {
    std::string page =
        Html("select id from t where id = 1", [](ODBCReport& report) { report.m_header = false; });
    EXPECT_NE(page.find("border=1>\r\n<tr class=repline1>"), std::string::npos);
    EXPECT_EQ(Count(page, "<th"), 0u);
}

TEST_F(HtmlReportTest, UpdateGivesTheRowsAffectedParagraph) {
    std::string page = Html("update t set id = id + 10");
    EXPECT_NE(page.find("<p>Rows affected: 3</p>\r\n<!-- ODBCReport::Append"), std::string::npos);
    EXPECT_EQ(Count(page, "<table cellPadding"), 0u);
}

TEST_F(HtmlReportTest, FailuresToWriteAreReportedUnderTheHtmlWriter) {
    EXPECT_FALSE(Report("select id from t", "/dev/full", ODBCReport::kHtml));
    ASSERT_EQ(handler.records.size(), 1u);
    EXPECT_EQ(handler.records[0].source, "ODBCReport::OutputHTML");
}

class ScriptedHtmlTest : public HtmlReportTest {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        Connect(TestDriverConnectionString());
    }
};

TEST_F(ScriptedHtmlTest, RowNumbersGoOnAcrossResultSetsAndRowCountsShow) {
    std::string page = Html(
        "script: result(a INTEGER) row(1) row(2) result() rowcount(4) result(b VARCHAR(3)) row(x)");
    EXPECT_NE(page.find("<p>Rows affected: 4</p>"), std::string::npos);
    EXPECT_NE(page.find("<tr class=repline1>\r\n<td align=right>3</td>\r\n<td>x</td>"),
              std::string::npos)
        << page;
    EXPECT_EQ(Count(page, "<table cellPadding"), 2u);
}

TEST(ReportTextTest, CellTextIsTrimmedAndAngleBracketsEscaped) {
    EXPECT_EQ(report_text::HtmlCellText(" \t<a & \"b\">\r\n"), "&lt;a & \"b\"&gt;");
    EXPECT_EQ(report_text::HtmlCellText(" \n "), "");
}

TEST(ReportTextTest, QuotedFieldEscapesControlsAndDoublesQuotes) {
    EXPECT_EQ(report_text::QuotedCsvField(std::string("a\tb\x01\x1f\"c\\d", 9), '"'),
              "\"a\\011b\\001\\037\"\"c\\d\"");
    EXPECT_EQ(report_text::QuotedCsvField("it's", '\''), "'it''s'");
}

struct QuotedFieldCase {
    const char* name;
    std::string text;
    char quote;
    std::string expected;
};

// Texts are looked at eight bytes at a time: what needs escaping must be found at every place
// of such a block, behind a NUL and among bytes above 127.
const QuotedFieldCase kQuotedFieldCases[] = {
    {"Empty", "", '"', "\"\""},
    {"SevenPlain", "abcdefg", '"', "\"abcdefg\""},
    {"QuoteFirst", "\"bcdefghij", '"', "\"\"\"bcdefghij\""},
    {"QuoteLastOfBlock", "abcdefg\"ij", '"', "\"abcdefg\"\"ij\""},
    {"QuoteFirstOfSecondBlock", "abcdefgh\"j", '"', "\"abcdefgh\"\"j\""},
    {"ControlLastOfSecondBlock", "abcdefghijklmno\x1f", '"', "\"abcdefghijklmno\\037\""},
    {"ControlInShortTail", std::string(17, 'x') + "\n", '"',
     "\"" + std::string(17, 'x') + "\\012\""},
    {"ControlBehindNul", std::string("ab\0cdefg\th", 10), '"',
     "\"" + std::string("ab\0cdefg", 8) + "\\011h\""},
    {"HighBytesAndDelete", "\xC3\xA9\xE2\x82\xAC\x7F\x80\xFF\xA0\x9F", '"',
     "\"\xC3\xA9\xE2\x82\xAC\x7F\x80\xFF\xA0\x9F\""},
    {"SpaceIsNotControl", "        ", '"', "\"        \""},
    {"EveryEscapeInOneBlock", "\x01\"\x02\"\x1e\"\x1f\"", '"',
     "\"\\001\"\"\\002\"\"\\036\"\"\\037\"\"\""},
    {"QuoteInHighRange",
     "ab\xE9"
     "cdefgh\xE9",
     '\xE9',
     "\xE9"
     "ab\xE9\xE9"
     "cdefgh\xE9\xE9\xE9"},
    {"ControlQuoteIsEscapedNotDoubled", "a\tb", '\t', "\ta\\011b\t"},
};

class QuotedFieldTest : public ::testing::TestWithParam<QuotedFieldCase> {};

TEST_P(QuotedFieldTest, EscapesWhereverTheCharacterStands) {
    const QuotedFieldCase& c = GetParam();
    EXPECT_EQ(report_text::QuotedCsvField(c.text, c.quote), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Blocks, QuotedFieldTest, ::testing::ValuesIn(kQuotedFieldCases),
                         [](const ::testing::TestParamInfo<QuotedFieldCase>& info) {
                             return info.param.name;
                         });

TEST(ReportTextTest, InsertPlaceIsWhereTheMarkerStands) {
    std::string marker = report_text::kInsertMarker;
    EXPECT_EQ(report_text::InsertPlace("abc" + marker + "3 -->", 100), 103);
    EXPECT_EQ(report_text::InsertPlace("no marker here", 100), -1);
    EXPECT_EQ(report_text::InsertPlace(marker + "1 -->" + marker + "2 -->", 0),
              static_cast<int64_t>(marker.size() + 5));
}

}  // namespace
