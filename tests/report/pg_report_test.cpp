#include "report_fixture.h"

#include <unistd.h>

namespace {

class PgReportTest : public ReportTest, public ::testing::WithParamInterface<PgDriver> {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        QUERIMO_REQUIRE_PG_OR_SKIP(connectionString, GetParam());
        Connect(connectionString);
        // Tests of both drivers run at once against one database.
        table = "report_" + std::to_string(getpid()) + (GetParam() == PgDriver::Ansi ? "_a" : "_u");
        Run("drop table if exists " + table);
        Run("create table " + table + " (id integer, txt text, ok boolean, at timestamp)");
        Run("insert into " + table +
            " values (1, 'a,b', true, '2011-03-04 05:06:07'), (2, 'say \"hi\"', false, null)");
    }
    void TearDown() override {
        if (connection) {
            Run("drop table if exists " + table);
        }
        ReportTest::TearDown();
    }
    std::string table;
};

TEST_P(PgReportTest, TwoSelectsInOneTextGiveTwoHeadedResultSets) {
    EXPECT_EQ(Csv("select id from " + table + " order by id; select 'x' as y"),
              "\"id\"\r\n1\r\n2\r\n\"y\"\r\n\"x\"\r\n");
    EXPECT_EQ(rowsWritten, 3);
}

TEST_P(PgReportTest, UpdateGivesItsCountAndNoRowsMatchedGivesZero) {
    EXPECT_EQ(Csv("update " + table + " set id = id"), "\"Rows affected\"\r\n2");
    EXPECT_EQ(Csv("update " + table + " set id = id where id < 0"), "\"Rows affected\"\r\n0");
}

TEST_P(PgReportTest, TextValuesNeverSplitTheirLine) {
    // Whatever type each driver reports for text, a delimiter or quote stays inside one field.
    std::string csv = Csv("select txt from " + table + " order by id");
    EXPECT_EQ(csv, "\"txt\"\r\n\"a,b\"\r\n\"say \"\"hi\"\"\"\r\n");
}

TEST_P(PgReportTest, HtmlPageOfTwoResultSets) {
    std::string path = dir.File("pg.html");
    ASSERT_TRUE(Report("select id, at from " + table + " order by id; select 1 as n", path,
                       ODBCReport::kHtml));
    std::string page = ReadFileBytes(path);
    EXPECT_NE(page.find("<td align=right>2011-03-04 05:06:07.000</td>"), std::string::npos) << page;
    EXPECT_NE(page.find("&lt;null&gt;"), std::string::npos);
    EXPECT_NE(page.find("<td align=right>3</td>\r\n<td align=right>1</td>"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Drivers, PgReportTest,
                         ::testing::Values(PgDriver::Ansi, PgDriver::Unicode),
                         [](const auto& info) {
                             return std::string(info.param == PgDriver::Ansi ? "Ansi" : "Unicode");
                         });

}  // namespace
