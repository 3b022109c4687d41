// The CSV and HTML writers on real drivers: every result set, escaping, NULLs, appending, long
// values, and a CSV read back by PostgreSQL's own CSV reader.
#include "report_fixture.h"

#include <dlfcn.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <vector>

// Set to make SQLGetData report that the value has no more data, as a driver that cannot deliver
// the rest of a long value does.
static bool g_getDataEndsEarly = false;

extern "C" SQLRETURN SQLGetData(SQLHSTMT statement, SQLUSMALLINT column, SQLSMALLINT type,
                                SQLPOINTER value, SQLLEN length, SQLLEN* indicator) {
    using Real = SQLRETURN (*)(SQLHSTMT, SQLUSMALLINT, SQLSMALLINT, SQLPOINTER, SQLLEN, SQLLEN*);
    static const auto real = reinterpret_cast<Real>(dlsym(RTLD_NEXT, "SQLGetData"));
    return g_getDataEndsEarly ? SQL_NO_DATA
                              : real(statement, column, type, value, length, indicator);
}

namespace {

struct WriterCase {
    const char* name;
    bool pg;
    const char* sql;
    // u: quote all, s: no heading line, t: tab, ;: semicolon, ': apostrophe as quote.
    const char* options;
    // CSV: the whole file. HTML: parts of the page, separated by "|".
    const char* expected;
};

// clang-format off
const WriterCase kCsvCases[] = {
    {"Defaults", false, "select * from t order by id", "",
     "\"id\",\"name\",\"flag\",\"born\",\"amount\"\r\n1,\"Ann\",1,\"2001-02-03\",1.500000\r\n"
     "2,\"B\"\"o,b\\012line\",0,\"1999-12-31\",-2.250000\r\n3,,,,\r\n"
     "4,\"\",0,\"2000-01-01\",0.000000\r\n"},
    {"QuoteAllLeavesNullUnquoted", false, "select id, name, flag from t where id > 2 order by id", "u",
     "\"id\",\"name\",\"flag\"\r\n\"3\",,\r\n\"4\",\"\",\"False\"\r\n"},
    {"Tab", false, "select id, name from t where id = 1", "t", "\"id\"\t\"name\"\r\n1\t\"Ann\"\r\n"},
    {"SemicolonApostropheNoHeading", false, "select id, name from t where id = 1", ";'s",
     "1;'Ann'\r\n"},
    {"RowsAffectedLineEnds", false, "update t set amount = 0", "", "\"Rows affected\"\r\n4\r\n"},
    {"TwoSelects", true, "select 1 as a; select 'x'::text as b, null::text as c", "",
     "\"a\"\r\n1\r\n\"b\",\"c\"\r\n\"x\",\r\n"},
    {"LaterHeadingsDespiteNoHeading", true, "select 1 as a; select 2 as b", "s", "1\r\n\"b\"\r\n2\r\n"},
    {"RowsAffectedThenRows", true,
     "create temp table x(a int); insert into x values (1), (2); select a from x", "",
     "\"Rows affected\"\r\n0\r\n\"a\"\r\n1\r\n2\r\n"},
};

const WriterCase kHtmlCases[] = {
    {"Layout", false, "select id, name from t where id < 4 order by id", "",
     "<table cellPadding=2 cellSpacing=0 class=report width=\"100%\" border=1>\r\n<tr>\r\n"
     "<th class=columnlabel><font size=2>#</th>\r\n<th align=right class=columnlabel>id</th>\r\n"
     "<th align=left class=columnlabel>name</th>\r\n</tr>\r\n<tr class=repline1>\r\n"
     "<td align=right><font size=2>1</td>\r\n<td align=right><font size=2>1</td>\r\n"
     "<td><font size=2>Ann</td>\r\n</tr>\r\n\r\n<tr class=repline0>\r\n"
     "<td align=right><font size=2>2</td>\r\n<td align=right><font size=2>2</td>\r\n"
     "<td><font size=2>B\"o,b\r\nline</td>\r\n</tr>\r\n\r\n<tr class=repline1>\r\n"
     "<td align=right><font size=2>3</td>\r\n<td align=right><font size=2>3</td>\r\n"
     "<td><font size=2>&lt;null&gt;</td>\r\n</tr>\r\n\r\n</table>\r\n"
     "<!-- ODBCReport::Append insert position:"},
    {"EscapesNamesAndCells", false, "select * from h", "",
     "<th align=left class=columnlabel>a&lt;b&gt;&amp;c</th>|"
     "<td><font size=2>&lt;b&gt;&amp;amp;</td>\r\n<td><font size=2></td>"},
    {"EscapesTitleHeadingAndStyleSheet", false, "select id from t where id = 1", "",
     "<link href=\"s&quot;&amp;.css\"|<title>a&amp;b&lt;c&gt;.htm</title>|"
     "<h3 class=heading3>Q &amp; A &lt;x&gt;</h3>"},
    {"RowsAffected", false, "update t set amount = 0", "",
     "<p>Rows affected: 4</p>\r\n<!-- ODBCReport::Append"},
    {"NoHeadingRow", false, "select id from t where id = 1", "s", "border=1>\r\n<tr class=repline1>"},
    {"RowNumbersGoOn", true, "select 1 as a union all select 2; update pg_temp.y set a = a; select 3 as b", "",
     "<td align=right><font size=2>2</td>|<p>Rows affected: 1</p>|"
     "<tr class=repline1>\r\n<td align=right><font size=2>3</td>"},
};
// clang-format on

class WriterTest : public ReportTest, public ::testing::WithParamInterface<WriterCase> {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        if (GetParam().pg) {
            QUERIMO_REQUIRE_PG_OR_SKIP(pg, PgDriver::Ansi);
            Connect(pg);
            return Run("create temp table y(a int); insert into y values (1)");
        }
        Connect(SqliteConnectionString(dir.File("report.db")));
        Run("create table t (id integer, name varchar(40), flag bit, born date, amount double)");
        Run("insert into t values (1, 'Ann', 1, '2001-02-03', 1.5), (2, 'B\"o,b\nline', 0, "
            "'1999-12-31', -2.25), (3, null, null, null, null), (4, '', 0, '2000-01-01', 0)");
        Run("create table h (\"a<b>&c\" varchar(20), e varchar(5))");
        Run("insert into h values ('  <b>&amp;  ', '')");
    }
    bool Write(const std::string& path, int format) {
        return Report(GetParam().sql, path, format, [](ODBCReport& r) {
            const std::string options = GetParam().options;
            auto has = [&options](char c) { return options.find(c) != std::string::npos; };
            r.m_quoteAll = has('u');
            r.m_header = !has('s');
            r.m_delimiter = has('t') ? '\t' : has(';') ? ';' : ',';
            r.m_quote = has('\'') ? '\'' : '"';
            r.m_styleSheet = "s\"&.css";
            r.m_headings = {"", "", "Q & A <x>"};
            r.m_fontAttributes = "size=2";
        });
    }
};

class CsvTest : public WriterTest {};

TEST_P(CsvTest, WritesTheFileExactly) {
    ASSERT_TRUE(Write(dir.File("out.csv"), ODBCReport::kCsv));
    EXPECT_EQ(ReadFileBytes(dir.File("out.csv")), GetParam().expected);
    EXPECT_TRUE(handler.records.empty());
}

INSTANTIATE_TEST_SUITE_P(Cases, CsvTest, ::testing::ValuesIn(kCsvCases),
                         [](const auto& info) { return std::string(info.param.name); });

class HtmlTest : public WriterTest {};

TEST_P(HtmlTest, PageHoldsTheParts) {
    ASSERT_TRUE(Write(dir.File("a&b<c>.htm"), ODBCReport::kHtml));
    const std::string page = ReadFileBytes(dir.File("a&b<c>.htm"));
    std::stringstream parts(GetParam().expected);
    for (std::string part; std::getline(parts, part, '|');) {
        EXPECT_NE(page.find(part), std::string::npos) << part << "\nin\n" << page;
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, HtmlTest, ::testing::ValuesIn(kHtmlCases),
                         [](const auto& info) { return std::string(info.param.name); });

class AppendTest : public ReportTest {
  protected:
    void SetUp() override {
        ReportTest::SetUp();
        Connect(SqliteConnectionString(dir.File("append.db")));
        Run("create table t (id integer)");
        Run("insert into t values (1)");
    }
    bool Append(const std::string& path, int format, const char* sql = "select id from t") {
        return Report(sql, path, format, [](ODBCReport& r) { r.m_append = true; });
    }
};

TEST_F(AppendTest, TwoAppendsMakeOnePageWhoseMarkerGivesItsOwnOffset) {
    const std::string path = dir.File("page.htm");
    ASSERT_TRUE(Append(path, ODBCReport::kHtml) && Append(path, ODBCReport::kHtml));
    const std::string page = ReadFileBytes(path);
    std::smatch marker;
    ASSERT_TRUE(std::regex_search(page, marker, std::regex("insert position:(\\d+) -->\r\n")));
    EXPECT_EQ(page.compare(std::stoull(marker[1]), 40, report_text::kInsertMarker), 0);
    EXPECT_LE(page.size() - static_cast<std::size_t>(marker.position(0)), 512u);
    EXPECT_EQ(CountOf(page, "<table cellPadding"), 2);
    EXPECT_EQ(CountOf(page, "<html>"), 1);
    EXPECT_EQ(CountOf(page, "insert position"), 1);
}

TEST_F(AppendTest, MarkerWithAWrongNumberCutsAtTheMarkerItself) {
    const std::string old = "<p>" + std::string(600, 'k') + "</p>\r\n";
    const std::string path =
        dir.Write("page.htm", old + "<!-- ODBCReport::Append insert position:9 -->\r\nend\r\n");
    ASSERT_TRUE(Append(path, ODBCReport::kHtml));
    EXPECT_EQ(ReadFileBytes(path).rfind(old + "<table", 0), 0u);
}

TEST_F(AppendTest, CsvAppendsAfterTheRowsAffectedLine) {
    const std::string path = dir.Write("out.csv", "old\r\n");
    ASSERT_TRUE(Append(path, ODBCReport::kCsv, "update t set id = 2"));
    ASSERT_TRUE(Append(path, ODBCReport::kCsv));
    EXPECT_EQ(ReadFileBytes(path), "old\r\n\"Rows affected\"\r\n1\r\n\"id\"\r\n2\r\n");
}

TEST_F(AppendTest, FullDiskFailsAndSaysSo) {
    for (int format : {ODBCReport::kCsv, ODBCReport::kHtml}) {
        handler.records.clear();
        EXPECT_FALSE(Append("/dev/full", format));
        ASSERT_EQ(handler.records.size(), 1u);
        EXPECT_EQ(handler.records[0].source,
                  format == ODBCReport::kCsv ? "ODBCReport::OutputCSV" : "ODBCReport::OutputHTML");
        EXPECT_NE(handler.records[0].message.find("No space left on device"), std::string::npos);
    }
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif

// Peak memory of this process since the call before, in KiB.
long PeakKibSinceLastCall() {
    std::ofstream("/proc/self/clear_refs") << "5";
    std::ifstream status("/proc/self/status");
    std::string field;
    while (status >> field && field != "VmHWM:") {
    }
    long peak = 0;
    status >> peak;
    return peak;
}

TEST_F(ReportTest, LongValuesExportWholeInFlatMemory) {
    Connect(SqliteConnectionString(dir.File("long.db")));
    Run("create table v (n integer, x text)");
    Run("with recursive k(n) as (select 1 union all select n + 1 from k where n < 20) "
        "insert into v select n, replace(hex(zeroblob(1000000)), '0', char(64 + n)) from k");
    // Rows one at a time from the driver, not the whole result held by it.
    Connect(SqliteConnectionString(dir.File("long.db")) + "StepAPI=1;");
    const long before = PeakKibSinceLastCall();
    ASSERT_TRUE(Report("select n, x from v order by n", dir.File("long.csv"), ODBCReport::kCsv));
    const long growth = PeakKibSinceLastCall() - before;
    std::string expected = "\"n\",\"x\"\r\n";
    for (int n = 1; n <= 20; ++n) {
        expected += std::to_string(n) + ",\"" + std::string(2000000, char(64 + n)) + "\"\r\n";
    }
    EXPECT_TRUE(ReadFileBytes(dir.File("long.csv")) == expected);
    // Each 2 MB value costs a few times its size; the whole result would be 40 MB. The address
    // sanitizer keeps freed memory back, so there only the file counts.
    EXPECT_TRUE(kAddressSanitizer || growth < 20 * 1024) << growth << " KiB";
}

TEST_F(ReportTest, ValueTheDriverCannotDeliverWholeFailsTheExport) {
    Connect(SqliteConnectionString(dir.File("cut.db")));
    Run("create table v (x text)");
    Run("insert into v values (replace(hex(zeroblob(20000)), '0', 'x'))");
    dir.Write("cut.csv", "earlier\r\n");
    g_getDataEndsEarly = true;
    EXPECT_FALSE(Report("select x from v", dir.File("cut.csv"), ODBCReport::kCsv));
    g_getDataEndsEarly = false;
    ASSERT_EQ(handler.records.size(), 1u);
    EXPECT_EQ(handler.records[0].message,
              "Could not read the whole value of column #1 (x): the driver gave 0 of 40000 bytes");
    // A short export never takes the place of what the file held.
    EXPECT_EQ(ReadFileBytes(dir.File("cut.csv")), "earlier\r\n");
}

// PostgreSQL reads the CSV back into a copy of the table: every row, NULLs and empty texts,
// fractions, long values and 64-bit numbers must come back as they were.
TEST_F(ReportTest, PostgresReadsTheCsvBackAsTheSourceRows) {
    for (PgDriver driver : {PgDriver::Ansi, PgDriver::Unicode}) {
        QUERIMO_REQUIRE_PG_OR_SKIP(pg, driver);
        Connect(pg);
        const std::string t = "round_" + std::to_string(getpid()), back = t + "_back";
        Run("drop table if exists " + t + ", " + back + "; create table " + t +
            " (id int, t text, n numeric, d float8, ts timestamp, tm time, b boolean, big int8, "
            "e varchar(30000)); create table " +
            back + " (like " + t + ")");
        Run("insert into " + t +
            " values (1, 'plain', 1.5, 0.1234567891, "
            "'2011-03-04 05:06:07.123456', '03:04:05', true, 3000000000, ''), (2, 'a,b \"c\"', "
            "-0.5, 1e-7, '2011-03-04 05:06:07', '23:59:59.5', false, -1, null), (3, null, null, "
            "null, null, null, null, null, 'é€😀'), (4, repeat('x', 100000), 0, 1.5e-308, "
            "'1999-12-31 23:59:59.999', '00:00:00', true, 9223372036854775807, repeat('€', 9999))");
        ASSERT_TRUE(Report("select * from " + t + " order by id", dir.File("t.csv"), 0));
        auto key = [&pg](const std::string& name) {
            std::smatch match;
            std::regex_search(pg, match, std::regex(name + "=([^;]*)"));
            return match[1].str();
        };
        const std::string copy = "PGPASSWORD='" + key("PWD") + "' psql -X -q -h " + key("Server") +
                                 " -p " + key("Port") + " -U " + key("UID") + " -d " +
                                 key("Database") + " -c \"\\copy " + back + " from '" +
                                 dir.File("t.csv") + "' csv header\"";
        ASSERT_EQ(std::system(copy.c_str()), 0) << copy;
        ASSERT_TRUE(Report("select count(*) as back, (select count(*) from ((table " + t +
                               " except all table " + back + ") union all (table " + back +
                               " except all table " + t + ")) d) as differing from " + back,
                           dir.File("differ.csv"), 0));
        EXPECT_EQ(ReadFileBytes(dir.File("differ.csv")), "\"back\",\"differing\"\r\n4,0\r\n");
        Run("drop table " + t + ", " + back);
        EXPECT_TRUE(handler.records.empty());
        connection.reset();
    }
}

}  // namespace
