#include "db/odbc_buffer.h"
#include "db/odbc_statement.h"
#include "recording_test.h"
#include "support/temp_dir.h"
#include "support/test_databases.h"
#include "testdriver/test_driver_probe.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

class SqliteBufferTest : public RecordingTest {
  protected:
    void SetUp() override {
        RecordingTest::SetUp();
        m_connection = std::make_unique<ODBCConnect>(
            nullptr, SqliteConnectionString(m_dir.File("buffer.db")).c_str(), SQL_DRIVER_NOPROMPT);
        ASSERT_TRUE(m_connection->IsConnected());
    }
    void TearDown() override {
        m_connection.reset();
        RecordingTest::TearDown();
    }

    TempDir m_dir;
    std::unique_ptr<ODBCConnect> m_connection;
};

std::vector<std::string> Texts(const ODBCBuffer& buffer) {
    std::vector<std::string> texts;
    for (int i = 0; i < buffer.m_columnCount; ++i) {
        std::string text;
        texts.push_back(buffer.GetText(text, i, 0));
    }
    return texts;
}

TEST_F(SqliteBufferTest, ThreeColumnsAreDescribedAndBoundInOrder) {
    ODBCStatement statement(m_connection.get(), nullptr);
    ASSERT_EQ(statement.Prepare("select 'p' as first, 2 as second, 'r' as third "
                                "union all select 'x', 5, 'z'"),
              SQL_SUCCESS);
    ODBCBuffer buffer(&statement, 1);
    ASSERT_EQ(buffer.m_retcode, SQL_SUCCESS);
    ASSERT_EQ(buffer.m_columnCount, 3);
    ASSERT_EQ(buffer.m_columns.size(), 3u);
    EXPECT_EQ(buffer.GetColumn(0)->m_name, "first");
    EXPECT_EQ(buffer.GetColumn(1)->m_name, "second");
    EXPECT_EQ(buffer.GetColumn(2)->m_name, "third");
    EXPECT_EQ(buffer.GetColumn(2)->m_nameLength, 5);

    EXPECT_EQ(buffer.BindCols(), 0);
    EXPECT_EQ(statement.m_boundColumns, 3);
    ASSERT_EQ(statement.Execute(), SQL_SUCCESS);
    ASSERT_EQ(statement.Fetch(), SQL_SUCCESS);
    EXPECT_EQ(Texts(buffer), (std::vector<std::string>{"p", "2", "r"}));
    ASSERT_EQ(statement.Fetch(), SQL_SUCCESS);
    std::string text = "old";
    EXPECT_EQ(&buffer.GetText(text, 2, 0), &text);
    EXPECT_EQ(text, "z");
    EXPECT_TRUE(m_handler.records.empty());
}

TEST_F(SqliteBufferTest, StatementWithoutResultColumnsBindsNothing) {
    ODBCStatement statement(m_connection.get(), nullptr);
    ASSERT_EQ(statement.Prepare("create table t(a integer)"), SQL_SUCCESS);
    ODBCBuffer buffer(&statement, 1);
    EXPECT_EQ(buffer.m_retcode, SQL_SUCCESS);
    EXPECT_EQ(buffer.m_columnCount, 0);
    EXPECT_EQ(buffer.BindCols(), 0);
    EXPECT_EQ(statement.m_boundColumns, 0);
}

TEST_F(SqliteBufferTest, IndexOutsideTheColumnsThrows) {
    ODBCStatement statement(m_connection.get(), nullptr);
    ASSERT_EQ(statement.Prepare("select 1, 2"), SQL_SUCCESS);
    ODBCBuffer buffer(&statement, 1);
    std::string text;
    for (int index : {-1, 2, 3}) {
        EXPECT_THROW(buffer.GetColumn(index), std::invalid_argument) << index;
        EXPECT_THROW(buffer.GetText(text, index, 0), std::invalid_argument) << index;
    }
    EXPECT_NO_THROW(buffer.GetColumn(1));
}

TEST_F(SqliteBufferTest, FailedColumnCountLeavesAnEmptyBuffer) {
    ODBCStatement statement(m_connection.get(), nullptr);
    // Nothing prepared: the driver manager refuses the column count.
    ODBCBuffer buffer(&statement, 1);
    EXPECT_EQ(buffer.m_retcode, SQL_ERROR);
    EXPECT_EQ(buffer.m_columnCount, 0);
    EXPECT_TRUE(buffer.m_columns.empty());
    EXPECT_EQ(Sources(), (std::vector<std::string>{"SQLNumResultCols(m_stmt, columnCountPtr)"}));
}

// Buffers over result sets that the scripted driver describes.
class ScriptedBufferTest : public RecordingTest {
  protected:
    void SetUp() override {
        RecordingTest::SetUp();
        m_connection = std::make_unique<ODBCConnect>(nullptr, TestDriverConnectionString().c_str(),
                                                     SQL_DRIVER_NOPROMPT);
        ASSERT_TRUE(m_connection->IsConnected());
        m_probe.Reset();
    }
    void TearDown() override {
        m_connection.reset();
        RecordingTest::TearDown();
    }

    querimo::testdriver::DriverProbe m_probe{TestDriverPath()};
    std::unique_ptr<ODBCConnect> m_connection;
};

TEST_F(ScriptedBufferTest, DescribeFailureKeepsTheColumnsUpToItAndBindsNothing) {
    ODBCStatement statement(m_connection.get(), nullptr);
    EXPECT_EQ(statement.PrepareCommand(ODBCCommand(
                  "script: result(a INTEGER, b INTEGER, c INTEGER, d INTEGER) row(1, 2, 3, 4) "
                  "fail(SQLDescribeCol@2, diag(HY000, 15, cannot describe))")),
              SQL_ERROR);
    const ODBCBuffer& buffer = *statement.m_buffer;
    EXPECT_EQ(buffer.m_retcode, SQL_ERROR);
    EXPECT_EQ(buffer.m_columnCount, 2);
    ASSERT_EQ(buffer.m_columns.size(), 4u);
    ASSERT_NE(buffer.m_columns[0], nullptr);
    EXPECT_EQ(buffer.m_columns[0]->m_name, "a");
    ASSERT_NE(buffer.m_columns[1], nullptr);
    EXPECT_EQ(buffer.m_columns[1]->m_name, "");
    EXPECT_TRUE(buffer.m_columns[1]->m_data.empty());
    EXPECT_EQ(buffer.m_columns[2], nullptr);
    EXPECT_EQ(buffer.m_columns[3], nullptr);
    EXPECT_EQ(statement.m_boundColumns, 0);
    EXPECT_EQ(m_probe.Count("SQLBindCol"), 0);

    ASSERT_EQ(m_handler.records.size(), 2u);
    EXPECT_EQ(m_handler.records[0].source,
              "SQLDescribeCol(m_stmt, columnNumber, columnName, bufferLength, nameLengthPtr, "
              "dataTypePtr, columnSizePtr, decimalDigitsPtr, nullablePtr)");
    EXPECT_EQ(m_handler.records[0].message, "cannot describe");
    EXPECT_EQ(m_handler.records[1].source, "ODBCColumn");
    EXPECT_EQ(m_handler.records[1].message, "error encountered on descibe '' (column #2)");
    EXPECT_EQ(m_handler.records[1].retcode, SQL_ERROR);

    // An entry past the described columns has nothing to show and must not crash the reader.
    std::string text = "old";
    EXPECT_EQ(buffer.GetText(text, 3, 0), "");
    EXPECT_EQ(buffer.GetColumn(3), nullptr);
}

TEST_F(ScriptedBufferTest, BindFailureLeavesTheOtherColumnsBound) {
    ODBCStatement statement(m_connection.get(), nullptr);
    EXPECT_EQ(statement.PrepareCommand(ODBCCommand(
                  "script: result(a INTEGER, b INTEGER, c INTEGER, d INTEGER) row(1, 2, 3, 4) "
                  "fail(SQLBindCol@3, diag(HY003, 16, cannot bind))")),
              -1);
    EXPECT_EQ(statement.m_boundColumns, 4);
    EXPECT_EQ(m_probe.Count("SQLBindCol"), 4);
    ASSERT_EQ(m_handler.records.size(), 2u);
    EXPECT_EQ(m_handler.records[0].source,
              "SQLBindCol(m_stmt, icol, fCType, rgbValue, cbValueMax, pcbValue)");
    EXPECT_EQ(m_handler.records[1].source, "ODBCBuffer::BindCols");
    EXPECT_EQ(m_handler.records[1].message, "Error binding column #3: c\n");
    EXPECT_EQ(m_handler.records[1].retcode, SQL_ERROR);

    m_handler.records.clear();
    ASSERT_EQ(statement.Execute(), SQL_SUCCESS);
    ASSERT_EQ(statement.Fetch(), SQL_SUCCESS);
    // The unbound column keeps its zero-filled buffer.
    EXPECT_EQ(Texts(*statement.m_buffer), (std::vector<std::string>{"1", "2", "0", "4"}));
    EXPECT_TRUE(m_handler.records.empty());
}

struct ScriptedValueCase {
    const char* name;
    const char* column;
    const char* literal;
    int32_t cType;
    uint32_t bufferLength;
    std::string text;
};

const std::string kReplacement = "\xEF\xBF\xBD";

// clang-format off
const ScriptedValueCase kScriptedValues[] = {
    {"WideText", "WVARCHAR(20)", "'gr\\u00fc\\u00dfe \\U0001F600'", SQL_C_WCHAR, 42,
     "gr\xC3\xBC\xC3\x9F" "e \xF0\x9F\x98\x80"},
    {"WideLoneSurrogate", "WCHAR(5)", "'a\\uD800b'", SQL_C_WCHAR, 12, "a" + kReplacement + "b"},
    {"WideTwoGigabytes", "WLONGVARCHAR(2147483647)", "'y' * 10000", SQL_C_WCHAR, 16384,
     std::string(8191, 'y')},
    {"LongTextTwoGigabytes", "LONGVARCHAR(2147483647)", "'x' * 100000", SQL_C_CHAR, 16384,
     std::string(16383, 'x')},
    {"LongBinaryTwoGigabytes", "LONGVARBINARY(2147483647)", "'\\x41' * 20000", SQL_C_CHAR, 16384,
     std::string(16383, 'A')},
    {"Guid", "GUID", "{6F9619FF-8B86-D011-B42D-00C04FC964FF}", SQL_C_GUID, 256,
     "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"},
    {"DecimalFraction", "DECIMAL(10, 2)", ".5", SQL_C_CHAR, 37, "0.5"},
    {"NumericNegativeFraction", "NUMERIC(10, 2)", "-.5", SQL_C_CHAR, 37, "-.5"},
    {"Timestamp", "TYPE_TIMESTAMP(23)", "2011-03-04 05:06:07.89", SQL_C_TYPE_TIMESTAMP, 62,
     "2011-03-04 05:06:07.000"},
    {"TypeTime", "TYPE_TIME", "05:06:07", SQL_C_TYPE_TIME, 256, "[v -- unknown m_data type 92]"},
    {"Double", "DOUBLE", "2.5", SQL_C_DOUBLE, 8, "2.500000"},
    {"BitTrue", "BIT", "1", SQL_C_BIT, 1, "True"},
    {"BitFalse", "BIT", "0", SQL_C_BIT, 1, "False"},
    {"NullInNullable", "INTEGER NULL", "NULL", SQL_C_LONG, 4, ""},
    {"NullInUnknown", "VARCHAR(5) UNKNOWN", "NULL", SQL_C_CHAR, 6, ""},
    {"EmptyText", "VARCHAR(5)", "''", SQL_C_CHAR, 6, ""},
    // Declared without NULLs, the indicator is not looked at: the untouched buffer shows.
    {"NullInNoNulls", "INTEGER NOT NULL", "NULL", SQL_C_LONG, 4, "0"},
};
// clang-format on

class ScriptedValueTest : public ScriptedBufferTest,
                          public ::testing::WithParamInterface<ScriptedValueCase> {};

TEST_P(ScriptedValueTest, BindsAndReadsTheValue) {
    const ScriptedValueCase& c = GetParam();
    ODBCStatement statement(m_connection.get(), nullptr);
    const std::string script =
        std::string("script: result(v ") + c.column + ") row(" + c.literal + ")";
    ASSERT_EQ(statement.PrepareCommand(ODBCCommand(script.c_str())), SQL_SUCCESS);
    const ODBCColumn& column = *statement.m_buffer->GetColumn(0);
    EXPECT_EQ(column.m_cType, c.cType);
    EXPECT_EQ(column.m_bufferLength, c.bufferLength);
    ASSERT_EQ(statement.Execute(), SQL_SUCCESS);
    ASSERT_TRUE(IsSqlSuccess(statement.Fetch()));
    std::string text;
    statement.m_buffer->GetText(text, 0, 0);
    EXPECT_EQ(text.size(), c.text.size());
    EXPECT_TRUE(text == c.text) << text.substr(0, 80);
    EXPECT_TRUE(m_handler.records.empty());
}

INSTANTIATE_TEST_SUITE_P(Values, ScriptedValueTest, ::testing::ValuesIn(kScriptedValues),
                         [](const ::testing::TestParamInfo<ScriptedValueCase>& info) {
                             return info.param.name;
                         });

TEST_F(ScriptedBufferTest, DriverSpecificTypeGivesTheUnhandledTextWhetherOrNotItBinds) {
    ODBCStatement statement(m_connection.get(), nullptr);
    const SQLRETURN ret =
        statement.PrepareCommand(ODBCCommand("script: result(custom -150(12)) row(raw)"));
    const ODBCColumn& column = *statement.m_buffer->GetColumn(0);
    EXPECT_EQ(column.m_cType, -150);
    EXPECT_EQ(column.m_bufferLength, 256u);
    if (ret != SQL_SUCCESS) {
        EXPECT_EQ(Sources().back(), "ODBCBuffer::BindCols");
    }
    std::string text;
    EXPECT_EQ(statement.m_buffer->GetText(text, 0, 0), "[custom -- unknown m_data type -150]");
}

}  // namespace
