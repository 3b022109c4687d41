// The text of every kind of value as an export writes it, on each real driver: one line of CSV
// per value, through the column binding, the text rule and the CSV field rule.
#include "report/report_fixture.h"

#include <tuple>

namespace {

enum class Driver { Sqlite, SqliteGetDataOnly, PgAnsi, PgUnicode };
const char* const kDriverNames[] = {"Sqlite", "SqliteGetDataOnly", "PgAnsi", "PgUnicode"};

struct ValueCase {
    const char* name;
    // "declared type: SQL literal" of the column on each database; null where it has none.
    const char* sqliteColumn;
    const char* pgColumn;
    // The CSV field, "[[N*text]]" standing for text N times over.
    const char* sqlite;
    const char* pgAnsi;
    const char* pgUnicode;
};

// clang-format off
const ValueCase kValues[] = {
    // Ordinary values: written as they always were.
    {"Integer", "integer: -7", "int4: 2147483647", "-7", "2147483647", "2147483647"},
    {"SmallInt", "smallint: -32768", "int2: -32768", "-32768", "-32768", "-32768"},
    {"BigInt", "bigint: -9223372036854775808", "int8: -9223372036854775808",
     "-9223372036854775808", "-9223372036854775808", "-9223372036854775808"},
    {"Varchar", "varchar(50): 'a \"b\", c'", "varchar(50): 'a \"b\", c'",
     "\"a \"\"b\"\", c\"", "\"a \"\"b\"\", c\"", "\"a \"\"b\"\", c\""},
    {"Char", "char(3): 'xy'", "char(3): 'xy'", "\"xy\"", "\"xy \"", "\"xy \""},
    {"Utf8", "varchar(10): 'é€😀'", "text: 'é€😀'", "\"é€😀\"", "\"é€😀\"", "\"é€😀\""},
    {"Double", "double: 2.5", "float8: 2.5", "2.500000", "2.5", "2.5"},
    {"DoubleTenth", "double: 0.1", "float4: 1.5", "0.100000", "1.5", "1.5"},
    {"DoubleLarge", "double: 1e20", nullptr, "100000000000000000000.000000", nullptr, nullptr},
    {"Bit", "bit: 1", "boolean: true", "1", "1", "1"},
    {"Numeric", "numeric(10,2): 0.5", "numeric(10,2): 0.5", "0.500000", "0.50", "0.50"},
    {"Date", "date: '2011-03-04'", "date: '2011-03-04'", "\"2011-03-04\"", "\"2011-03-04\"",
     "\"2011-03-04\""},
    {"TimestampWholeSecond", "timestamp: '2011-03-04 05:06:07'",
     "timestamp: '2011-03-04 05:06:07'", "2011-03-04 05:06:07.000", "2011-03-04 05:06:07.000",
     "2011-03-04 05:06:07.000"},
    {"Blob", "blob: x'0102ff'", "bytea: '\\x0102ff'", "\"X'0102FF'\"", "\"0102ff\"",
     "\"0102ff\""},
    {"Guid", nullptr, "uuid: 'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'", nullptr,
     "{A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11}", "{A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11}"},
    {"Interval", nullptr, "interval: '1 day'", nullptr, "\"1 day\"", "\"1 day\""},
    // 64-bit integers whole, however the driver describes them.
    {"IntegerBeyond32Bits", "integer: 3000000000", "int8: 3000000000", "3000000000",
     "3000000000", "3000000000"},
    {"IntegerTop", "integer: 9223372036854775807", "int8: 9223372036854775807",
     "9223372036854775807", "9223372036854775807", "9223372036854775807"},
    {"SmallIntBeyond16Bits", "smallint: 70000", nullptr, "70000", nullptr, nullptr},
    {"TinyIntAbove127", "tinyint: 200", nullptr, "200", nullptr, nullptr},
    // Times of day, and the fractions of times and timestamps.
    {"Time", "time: '03:04:05'", "time: '03:04:05'", "03:04:05", "03:04:05", "03:04:05"},
    {"TimeMicroseconds", nullptr, "time: '03:04:05.123456'", nullptr, "03:04:05.123456",
     "03:04:05.123456"},
    {"TimeMilliseconds", nullptr, "time(3): '03:04:05.5'", nullptr, "03:04:05.500",
     "03:04:05.500"},
    {"TimestampMilliseconds", "timestamp: '2011-03-04 05:06:07.89'",
     "timestamp: '2011-03-04 05:06:07.89'", "2011-03-04 05:06:07.890", "2011-03-04 05:06:07.890",
     "2011-03-04 05:06:07.890"},
    {"TimestampMicroseconds", "timestamp: '2011-03-04 05:06:07.123456'",
     "timestamp: '2011-03-04 05:06:07.123456'", "2011-03-04 05:06:07.123456",
     "2011-03-04 05:06:07.123456", "2011-03-04 05:06:07.123456"},
    {"TimestampNanoseconds", "timestamp: '2011-03-04 05:06:07.123456789'", nullptr,
     "2011-03-04 05:06:07.123456789", nullptr, nullptr},
    // Doubles that six decimals would round: the shortest text that reads back.
    {"DoubleTiny", "double: 1e-7", "float8: 1e-7", "0.0000001", "1e-07", "1e-07"},
    {"DoubleNegativeTiny", "double: -1e-7", nullptr, "-0.0000001", nullptr, nullptr},
    {"DoubleManyDecimals", "double: 0.1234567891", "float8: 0.1234567891", "0.1234567891",
     "0.1234567891", "0.1234567891"},
    {"DoubleNearSmallest", "double: 1.5e-308", "float8: 1.5e-308", "1.5e-308", "1.5e-308",
     "1.5e-308"},
    {"DoubleExponent", "double: 1e-300", nullptr, "1e-300", nullptr, nullptr},
    // NULL is an empty field, an empty text a quoted one.
    {"NullText", "varchar(5): null", "varchar(5): null", "", "", ""},
    {"EmptyText", "varchar(5): ''", "varchar(5): ''", "\"\"", "\"\"", "\"\""},
    {"NullNumber", "integer: null", "int4: null", "", "", ""},
    // Long values whole.
    {"LongText", "text: replace(hex(zeroblob(5000000)), '0', 'x')", "text: repeat('x', 10000000)",
     "\"[[10000000*x]]\"", "\"[[10000000*x]]\"", "\"[[10000000*x]]\""},
    {"LongUtf8", "text: replace(hex(zeroblob(10000)), '00', '€')", "text: repeat('€', 10000)",
     "\"[[10000*€]]\"", "\"[[10000*€]]\"", "\"[[10000*€]]\""},
    {"LongWideText", nullptr, "varchar(30000): repeat('é€😀', 5000)", nullptr,
     "\"[[5000*é€😀]]\"", "\"[[5000*é€😀]]\""},
    {"LongBlob", "blob: zeroblob(100000)", "bytea: decode(repeat('ab', 100000), 'hex')",
     "\"X'[[200000*0]]'\"", "\"[[100000*ab]]\"", "\"[[100000*ab]]\""},
};
// clang-format on

class ValueTableTest : public ReportTest,
                       public ::testing::WithParamInterface<std::tuple<Driver, ValueCase>> {};

TEST_P(ValueTableTest, ExportWritesTheValueExactly) {
    const auto& [driver, value] = GetParam();
    const bool sqlite = driver == Driver::Sqlite || driver == Driver::SqliteGetDataOnly;
    const char* column = sqlite ? value.sqliteColumn : value.pgColumn;
    if (column == nullptr) {
        GTEST_SKIP() << "no such column on this database";
    }
    if (sqlite) {
        Connect(SqliteConnectionString(dir.File("values.db")));
        getDataOnly = driver == Driver::SqliteGetDataOnly;
    } else {
        QUERIMO_REQUIRE_PG_OR_SKIP(pg,
                                   driver == Driver::PgAnsi ? PgDriver::Ansi : PgDriver::Unicode);
        // Booleans as SQL_BIT rather than the driver's default text.
        Connect(pg + ";BoolsAsChar=0;");
    }
    const std::string declared = column;
    const auto colon = declared.find(": ");
    Run("create temp table v(x " + declared.substr(0, colon) + ")");
    Run("insert into v values (" + declared.substr(colon + 2) + ")");
    const char* expected = sqlite                     ? value.sqlite
                           : driver == Driver::PgAnsi ? value.pgAnsi
                                                      : value.pgUnicode;
    const std::string csv = Csv("select x from v", [](ODBCReport& r) { r.m_header = false; });
    EXPECT_TRUE(csv == Expand(expected) + "\r\n") << csv.substr(0, 200);
    EXPECT_TRUE(handler.records.empty()) << handler.records[0].message;
}

INSTANTIATE_TEST_SUITE_P(Drivers, ValueTableTest,
                         ::testing::Combine(::testing::Values(Driver::Sqlite,
                                                              Driver::SqliteGetDataOnly,
                                                              Driver::PgAnsi, Driver::PgUnicode),
                                            ::testing::ValuesIn(kValues)),
                         [](const auto& info) {
                             return std::string(
                                        kDriverNames[static_cast<int>(std::get<0>(info.param))]) +
                                    "_" + std::get<1>(info.param).name;
                         });

}  // namespace
