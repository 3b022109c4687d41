#include "db/odbc_statement.h"
#include "recording_test.h"
#include "support/temp_dir.h"
#include "support/test_databases.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

struct TypeCase {
    const char* name;
    const char* declaredType;
    const char* literal;
    int32_t sqlType;
    int32_t cType;
    uint32_t bufferLength;
    const char* text;
};

// What the installed drivers report for a column of each declared type, and how its value reads.
// clang-format off
const TypeCase kSqliteTypes[] = {
    {"Integer", "integer", "-7", SQL_INTEGER, SQL_C_LONG, 4, "-7"},
    {"Varchar50", "varchar(50)", "'abc'", SQL_VARCHAR, SQL_C_CHAR, 51, "abc"},
    {"EmptyText", "varchar(50)", "''", SQL_VARCHAR, SQL_C_CHAR, 51, ""},
    {"Char3", "char(3)", "'xy'", SQL_VARCHAR, SQL_C_CHAR, 4, "xy"},
    {"Utf8Text", "varchar(10)", "'\xC3\xA9\xE2\x82\xAC'", SQL_VARCHAR, SQL_C_CHAR, 11,
     "\xC3\xA9\xE2\x82\xAC"},
    {"Text", "text", "'long'", SQL_LONGVARCHAR, SQL_C_CHAR, 16384, "long"},
    {"TwoGigabyteText", "varchar(2147483647)", "'zz'", SQL_LONGVARCHAR, SQL_C_CHAR, 16384, "zz"},
    {"Double", "double", "2.5", SQL_DOUBLE, SQL_C_DOUBLE, 8, "2.500000"},
    {"Real", "real", "1.5", SQL_DOUBLE, SQL_C_DOUBLE, 8, "1.500000"},
    {"SmallInt", "smallint", "-32768", SQL_SMALLINT, SQL_C_SHORT, 2, "-32768"},
    {"TinyInt", "tinyint", "-5", SQL_TINYINT, SQL_C_TINYINT, 1, "-5"},
    {"BigInt", "bigint", "-9223372036854775808", SQL_BIGINT, SQL_C_CHAR, 22,
     "-9223372036854775808"},
    {"BitTrue", "bit", "1", SQL_BIT, SQL_C_BIT, 1, "True"},
    {"BitFalse", "bit", "0", SQL_BIT, SQL_C_BIT, 1, "False"},
    {"Date", "date", "'2011-03-04'", SQL_TYPE_DATE, SQL_C_TYPE_DATE, 40, "2011-03-04"},
    {"Time", "time", "'05:06:07'", SQL_TYPE_TIME, SQL_C_TYPE_TIME, 256,
     "[x -- unknown m_data type 92]"},
    {"Timestamp", "timestamp", "'2011-03-04 05:06:07.89'", SQL_TYPE_TIMESTAMP,
     SQL_C_TYPE_TIMESTAMP, 71, "2011-03-04 05:06:07.000"},
    {"Blob", "blob", "x'0102ff'", SQL_BINARY, SQL_C_CHAR, 512, "X'0102FF'"},
    {"TwoGigabyteBinary", "longvarbinary(2147483647)", "x'0102ff'", SQL_LONGVARBINARY,
     SQL_C_CHAR, 16384, "X'0102FF'"},
};

const TypeCase kPostgresTypes[] = {
    {"Integer", "int4", "-7", SQL_INTEGER, SQL_C_LONG, 4, "-7"},
    {"Oid", "oid", "1", SQL_INTEGER, SQL_C_LONG, 4, "1"},
    {"SmallInt", "int2", "-32768", SQL_SMALLINT, SQL_C_SHORT, 2, "-32768"},
    {"BigInt", "int8", "-9223372036854775808", SQL_BIGINT, SQL_C_CHAR, 21,
     "-9223372036854775808"},
    {"Varchar50", "varchar(50)", "'abc'", SQL_VARCHAR, SQL_C_CHAR, 51, "abc"},
    {"EmptyText", "varchar(50)", "''", SQL_VARCHAR, SQL_C_CHAR, 51, ""},
    {"Char3", "char(3)", "'xy'", SQL_CHAR, SQL_C_CHAR, 4, "xy "},
    {"Text", "text", "'long'", SQL_LONGVARCHAR, SQL_C_CHAR, 8447, "long"},
    {"Utf8Text", "text", "'\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80'", SQL_LONGVARCHAR, SQL_C_CHAR,
     8447, "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
    {"Numeric", "numeric(10,2)", "0.5", SQL_NUMERIC, SQL_C_CHAR, 37, "0.50"},
    {"NumericNegative", "numeric", "-0.5", SQL_NUMERIC, SQL_C_CHAR, 73, "-0.5"},
    {"Double", "float8", "2.5", SQL_FLOAT, SQL_C_CHAR, 68, "2.5"},
    {"Real", "float4", "1.5", SQL_REAL, SQL_C_CHAR, 52, "1.5"},
    {"BoolTrue", "boolean", "true", SQL_BIT, SQL_C_BIT, 1, "True"},
    {"BoolFalse", "boolean", "false", SQL_BIT, SQL_C_BIT, 1, "False"},
    {"Date", "date", "'2011-03-04'", SQL_TYPE_DATE, SQL_C_TYPE_DATE, 40, "2011-03-04"},
    {"Time", "time", "'05:06:07'", SQL_TYPE_TIME, SQL_C_TYPE_TIME, 256,
     "[x -- unknown m_data type 92]"},
    {"Timestamp", "timestamp", "'2011-03-04 05:06:07.89'", SQL_TYPE_TIMESTAMP,
     SQL_C_TYPE_TIMESTAMP, 65, "2011-03-04 05:06:07.000"},
    {"Bytea", "bytea", "'\\x0102ff'", SQL_LONGVARBINARY, SQL_C_CHAR, 257, "0102ff"},
    {"Uuid", "uuid", "'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11'", SQL_GUID, SQL_C_GUID, 256,
     "{A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11}"},
    {"Interval", "interval", "'1 day'", SQL_VARCHAR, SQL_C_CHAR, 33, "1 day"},
    {"IntArray", "int4[]", "'{1,2}'", SQL_VARCHAR, SQL_C_CHAR, 256, "{1,2}"},
    {"Xml", "xml", "'<a/>'", SQL_LONGVARCHAR, SQL_C_CHAR, 512, "<a/>"},
};
// clang-format on

class RealDriverTest : public RecordingTest {
  protected:
    void TearDown() override {
        m_connection.reset();
        RecordingTest::TearDown();
    }

    void Connect(const std::string& connectionString) {
        m_connection =
            std::make_unique<ODBCConnect>(nullptr, connectionString.c_str(), SQL_DRIVER_NOPROMPT);
        ASSERT_TRUE(m_connection->IsConnected()) << connectionString;
    }

    void Run(const std::string& sql) {
        ODBCStatement statement(m_connection.get(), nullptr);
        ASSERT_EQ(statement.Prepare(sql.c_str()), SQL_SUCCESS) << sql;
        ASSERT_TRUE(IsSqlSuccess(statement.Execute())) << sql;
    }

    // A one-column table holding the value and a NULL; reads both back.
    void CheckType(const TypeCase& c) {
        Run(std::string("create temp table v(x ") + c.declaredType + ")");
        Run(std::string("insert into v values(") + c.literal + "), (null)");
        ODBCStatement statement(m_connection.get(), nullptr);
        ASSERT_EQ(statement.PrepareCommand(ODBCCommand("select x from v")), SQL_SUCCESS);
        ASSERT_EQ(statement.GetBoundColumns(), 1);
        const ODBCColumn* column = statement.GetBuffer()->GetColumn(0);
        EXPECT_EQ(column->m_name, "x");
        EXPECT_EQ(column->m_sqlType, c.sqlType);
        EXPECT_EQ(column->m_cType, c.cType);
        EXPECT_EQ(column->m_bufferLength, c.bufferLength);
        ASSERT_EQ(statement.Execute(), SQL_SUCCESS);
        std::string text;
        ASSERT_TRUE(IsSqlSuccess(statement.Fetch()));
        EXPECT_EQ(statement.GetBuffer()->GetText(text, 0, 0), c.text);
        ASSERT_TRUE(IsSqlSuccess(statement.Fetch()));
        EXPECT_EQ(statement.GetBuffer()->GetText(text, 0, 0), "");
        EXPECT_EQ(statement.Fetch(), SQL_NO_DATA);
        EXPECT_TRUE(m_handler.records.empty());
    }

    std::unique_ptr<ODBCConnect> m_connection;
};

class SqliteTypeTest : public RealDriverTest, public ::testing::WithParamInterface<TypeCase> {
  protected:
    TempDir m_dir;
};

TEST_P(SqliteTypeTest, BindsAndReadsTheValue) {
    Connect(SqliteConnectionString(m_dir.File("types.db")));
    CheckType(GetParam());
}

INSTANTIATE_TEST_SUITE_P(Types, SqliteTypeTest, ::testing::ValuesIn(kSqliteTypes),
                         [](const ::testing::TestParamInfo<TypeCase>& info) {
                             return info.param.name;
                         });

class PostgresTypeTest : public RealDriverTest,
                         public ::testing::WithParamInterface<std::tuple<PgDriver, TypeCase>> {};

std::string DriverName(PgDriver driver) {
    return driver == PgDriver::Ansi ? "Ansi" : "Unicode";
}

TEST_P(PostgresTypeTest, BindsAndReadsTheValue) {
    const auto& [driver, c] = GetParam();
    QUERIMO_REQUIRE_PG_OR_SKIP(connection, driver);
    // Booleans as SQL_BIT rather than the driver's default text.
    Connect(connection + ";BoolsAsChar=0;");
    CheckType(c);
}

INSTANTIATE_TEST_SUITE_P(Types, PostgresTypeTest,
                         ::testing::Combine(::testing::Values(PgDriver::Ansi, PgDriver::Unicode),
                                            ::testing::ValuesIn(kPostgresTypes)),
                         [](const ::testing::TestParamInfo<PostgresTypeTest::ParamType>& info) {
                             return DriverName(std::get<0>(info.param)) + "_" +
                                    std::get<1>(info.param).name;
                         });

TEST_F(RealDriverTest, SqliteLongValueIsCutToTheBuffer) {
    TempDir dir;
    Connect(SqliteConnectionString(dir.File("long.db")));
    Run("create table v(x varchar(2147483647), y longvarbinary(2147483647))");
    // 20000 characters of text and 20000 bytes of binary, both longer than any bound buffer.
    Run("insert into v values(replace(hex(zeroblob(10000)), '0', 'x'), zeroblob(20000))");
    ODBCStatement statement(m_connection.get(), nullptr);
    ASSERT_EQ(statement.PrepareCommand(ODBCCommand("select x, y from v")), SQL_SUCCESS);
    ASSERT_EQ(statement.Execute(), SQL_SUCCESS);
    ASSERT_TRUE(IsSqlSuccess(statement.Fetch()));
    std::string text;
    EXPECT_EQ(statement.GetBuffer()->GetText(text, 0, 0), std::string(16383, 'x'));
    EXPECT_EQ(statement.GetBuffer()->GetColumn(1)->m_sqlType, SQL_LONGVARBINARY);
    EXPECT_EQ(statement.GetBuffer()->GetText(text, 1, 0).size(), 16383u);
    EXPECT_TRUE(m_handler.records.empty());
}

}  // namespace
