#include "db/odbc_statement.h"
#include "recording_test.h"
#include "support/temp_dir.h"
#include "support/test_databases.h"
#include "testdriver/test_driver_probe.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Statements on a SQLite file holding one row of three texts.
class SqliteStatementTest : public RecordingTest {
  protected:
    void SetUp() override {
        RecordingTest::SetUp();
        m_connection = std::make_unique<ODBCConnect>(
            nullptr, SqliteConnectionString(m_dir.File("test.db")).c_str(), SQL_DRIVER_NOPROMPT);
        ASSERT_TRUE(m_connection->IsConnected());
        Run("create table t(a varchar(5), b varchar(5), c varchar(5))");
        Run("insert into t values('a', 'b', 'c')");
        m_handler.records.clear();
    }
    void TearDown() override {
        m_connection.reset();
        RecordingTest::TearDown();
    }

    void Run(const char* sql) {
        ODBCStatement statement(m_connection.get(), nullptr);
        ASSERT_TRUE(IsSqlSuccess(statement.Prepare(sql)));
        ASSERT_TRUE(IsSqlSuccess(statement.Execute()));
    }

    // The texts of the next row, one per bound column.
    static std::vector<std::string> FetchRow(ODBCStatement& statement) {
        std::vector<std::string> row;
        if (!IsSqlSuccess(statement.Fetch())) {
            return row;
        }
        for (int i = 0; i < statement.m_boundColumns; ++i) {
            std::string text;
            row.push_back(statement.m_buffer->GetText(text, i, 0));
        }
        return row;
    }

    TempDir m_dir;
    std::unique_ptr<ODBCConnect> m_connection;
};

using Row = std::vector<std::string>;

TEST_F(SqliteStatementTest, FirstCommandBindsEveryColumnInOrder) {
    ODBCStatement statement(m_connection.get(), nullptr);
    ASSERT_EQ(statement.PrepareCommand(ODBCCommand("select c, a, b from t")), SQL_SUCCESS);
    EXPECT_EQ(statement.m_boundColumns, 3);
    EXPECT_EQ(statement.m_command.m_sql, "select c, a, b from t");
    ASSERT_EQ(statement.Execute(), SQL_SUCCESS);
    EXPECT_EQ(FetchRow(statement), (Row{"c", "a", "b"}));
    EXPECT_EQ(statement.Fetch(), SQL_NO_DATA);
    EXPECT_TRUE(m_handler.records.empty());
}

TEST_F(SqliteStatementTest, LaterCommandsKeepTheBufferAndColumnCount) {
    ODBCStatement statement(m_connection.get(), nullptr);
    ASSERT_EQ(statement.PrepareCommand(ODBCCommand("select a, b, c from t")), SQL_SUCCESS);
    ODBCBuffer* first = statement.m_buffer.get();
    ASSERT_EQ(statement.Execute(), SQL_SUCCESS);
    EXPECT_EQ(FetchRow(statement), (Row{"a", "b", "c"}));
    EXPECT_EQ(statement.Fetch(), SQL_NO_DATA);
    EXPECT_EQ(statement.MoreResults(), SQL_NO_DATA);

    ASSERT_EQ(statement.Prepare("update t set a = 'x'"), SQL_SUCCESS);
    EXPECT_EQ(statement.m_boundColumns, 3);
    ASSERT_EQ(statement.PrepareCommand(ODBCCommand("update t set b = 'y'")), SQL_SUCCESS);
    EXPECT_EQ(statement.m_boundColumns, 3);
    ASSERT_EQ(statement.Execute(), SQL_SUCCESS);
    EXPECT_EQ(statement.m_boundColumns, 3);
    EXPECT_EQ(statement.m_buffer.get(), first);
    SQLLEN rows = 0;
    EXPECT_EQ(statement.RowCount(&rows), SQL_SUCCESS);
    EXPECT_EQ(rows, 1);
}

TEST_F(SqliteStatementTest, CreateBufferOnABoundStatementStartsAgainAtColumnOne) {
    ODBCStatement statement(m_connection.get(), nullptr);
    ASSERT_EQ(statement.PrepareCommand(ODBCCommand("select 1, 2, 3")), SQL_SUCCESS);
    ASSERT_EQ(statement.Prepare("select a, c from t"), SQL_SUCCESS);
    ASSERT_EQ(statement.CreateBuffer(ODBCCommand("select a, c from t"), 1), SQL_SUCCESS);
    EXPECT_EQ(statement.m_boundColumns, 2);
    ASSERT_EQ(statement.Execute(), SQL_SUCCESS);
    EXPECT_EQ(FetchRow(statement), (Row{"a", "c"}));
}

struct PresetCase {
    const char* name;
    SQLSMALLINT cType;
    SQLLEN bufferLength;
    SQLLEN expected;
};

class BindColPresetTest : public SqliteStatementTest,
                          public ::testing::WithParamInterface<PresetCase> {};

// Drivers may overwrite the indicator when they bind; without a handle nothing but the preset
// touches it.
TEST_P(BindColPresetTest, PresetsTheIndicator) {
    m_connection->Disconnect();
    ODBCStatement statement(m_connection.get(), nullptr);
    std::vector<std::byte> buffer(64);
    SQLLEN indicator = 12345;
    EXPECT_EQ(
        statement.BindCol(1, GetParam().cType, buffer.data(), GetParam().bufferLength, &indicator),
        SQL_INVALID_HANDLE);
    EXPECT_EQ(indicator, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Types, BindColPresetTest,
                         ::testing::Values(PresetCase{"Char", SQL_C_CHAR, 51, SQL_NTS},
                                           PresetCase{"WideChar", SQL_C_WCHAR, 22, 22},
                                           PresetCase{"Long", SQL_C_LONG, 4, 4},
                                           PresetCase{"Double", SQL_C_DOUBLE, 8, 8},
                                           PresetCase{"Binary", SQL_C_BINARY, 40, 40}),
                         [](const ::testing::TestParamInfo<PresetCase>& info) {
                             return info.param.name;
                         });

TEST_F(SqliteStatementTest, StatementOnAClosedConnectionHasNoHandleAndReportsNothing) {
    m_connection->Disconnect();
    ODBCStatement statement(m_connection.get(), nullptr);
    EXPECT_EQ(statement.m_stmt, nullptr);
    EXPECT_EQ(statement.m_retcode, SQL_INVALID_HANDLE);
    EXPECT_FALSE(statement.IsConnected());

    SQLSMALLINT columns = 0;
    SQLLEN rows = 0;
    statement.m_boundColumns = 4;
    EXPECT_EQ(statement.Unbind(), SQL_INVALID_HANDLE);
    EXPECT_EQ(statement.m_boundColumns, 0);
    EXPECT_EQ(statement.PrepareCommand(ODBCCommand("select 1")), SQL_INVALID_HANDLE);
    EXPECT_EQ(statement.m_buffer, nullptr);
    EXPECT_EQ(statement.Execute(), SQL_INVALID_HANDLE);
    EXPECT_EQ(statement.Fetch(), SQL_INVALID_HANDLE);
    EXPECT_EQ(statement.NumResultCols(&columns), SQL_INVALID_HANDLE);
    EXPECT_EQ(statement.RowCount(&rows), SQL_INVALID_HANDLE);
    EXPECT_EQ(statement.MoreResults(), SQL_INVALID_HANDLE);
    EXPECT_EQ(statement.RebindBuffer(1), SQL_INVALID_HANDLE);
    EXPECT_TRUE(m_handler.records.empty());
    EXPECT_EQ(statement.m_lastError, nullptr);
}

// Statements on the scripted driver, which fails, warns and answers as each test asks.
class ScriptedStatementTest : public RecordingTest {
  protected:
    void TearDown() override {
        m_connection.reset();
        RecordingTest::TearDown();
    }

    void Connect(const std::string& keywords = "") {
        m_connection = std::make_unique<ODBCConnect>(
            nullptr, TestDriverConnectionString(keywords).c_str(), SQL_DRIVER_NOPROMPT);
        ASSERT_TRUE(m_connection->IsConnected());
        m_probe.Reset();
    }

    static std::vector<std::string> FetchAll(ODBCStatement& statement) {
        std::vector<std::string> texts;
        while (IsSqlSuccess(statement.Fetch())) {
            for (int i = 0; i < statement.m_boundColumns; ++i) {
                std::string text;
                texts.push_back(statement.m_buffer->GetText(text, i, 0));
            }
        }
        return texts;
    }

    querimo::testdriver::DriverProbe m_probe{TestDriverPath()};
    std::unique_ptr<ODBCConnect> m_connection;
};

TEST_F(ScriptedStatementTest, EachResultSetIsReadAfterItsRebind) {
    Connect();
    ODBCStatement statement(m_connection.get(), nullptr);
    ASSERT_EQ(statement.PrepareCommand(ODBCCommand(
                  "script: result(a INTEGER, b INTEGER, c INTEGER, d INTEGER, e INTEGER) "
                  "row(1, 2, 3, 4, 5) result(x VARCHAR(5), y INTEGER) row('p', 7) row(NULL, 8)")),
              SQL_SUCCESS);
    ASSERT_EQ(statement.Execute(), SQL_SUCCESS);
    EXPECT_EQ(FetchAll(statement), (Row{"1", "2", "3", "4", "5"}));
    ASSERT_EQ(statement.MoreResults(), SQL_SUCCESS);
    ASSERT_EQ(statement.RebindBuffer(1), SQL_SUCCESS);
    EXPECT_EQ(statement.m_boundColumns, 2);
    EXPECT_EQ(FetchAll(statement), (Row{"p", "7", "", "8"}));
    EXPECT_EQ(statement.MoreResults(), SQL_NO_DATA);
    EXPECT_TRUE(m_handler.records.empty());
}

// The driver goes on filling whatever is bound: columns of a deleted buffer must not be.
TEST_F(ScriptedStatementTest, FailedRebindLeavesNothingBoundToFreedColumns) {
    Connect();
    ODBCStatement statement(m_connection.get(), nullptr);
    ASSERT_EQ(statement.PrepareCommand(
                  ODBCCommand("script: result(a VARCHAR(20), b INTEGER) row('first', 1) "
                              "result(c VARCHAR(20), d INTEGER) row('second', 2) row('third', 3) "
                              "fail(SQLDescribeCol@2, diag(HY000, 15, cannot describe))")),
              SQL_SUCCESS);
    ASSERT_EQ(statement.Execute(), SQL_SUCCESS);
    EXPECT_EQ(FetchAll(statement), (Row{"first", "1"}));
    ASSERT_EQ(statement.MoreResults(), SQL_SUCCESS);

    EXPECT_EQ(statement.RebindBuffer(1), SQL_ERROR);
    EXPECT_EQ(statement.m_boundColumns, 0);
    EXPECT_EQ(Sources().back(), "ODBCColumn");
    EXPECT_EQ(m_handler.records.back().message, "error encountered on descibe '' (column #2)");
    // A reader that fetches on regardless gets rows but no columns.
    EXPECT_EQ(statement.Fetch(), SQL_SUCCESS);
    EXPECT_EQ(statement.Fetch(), SQL_SUCCESS);
    EXPECT_EQ(statement.Fetch(), SQL_NO_DATA);
}

TEST_F(ScriptedStatementTest, ExecuteWithoutDataIsNotAFailure) {
    Connect();
    ODBCStatement statement(m_connection.get(), nullptr);
    ASSERT_EQ(statement.PrepareCommand(ODBCCommand("script: return(SQLExecute, NO_DATA)")),
              SQL_SUCCESS);
    EXPECT_EQ(statement.Execute(), SQL_NO_DATA);
    EXPECT_EQ(statement.m_retcode, SQL_NO_DATA);
    EXPECT_EQ(statement.m_boundColumns, 0);
    EXPECT_TRUE(m_handler.records.empty());
    EXPECT_EQ(statement.m_lastError, nullptr);
}

TEST_F(ScriptedStatementTest, RowCountsPassThroughWhole) {
    Connect();
    for (SQLLEN expected : {SQLLEN{-1}, SQLLEN{0}, SQLLEN{12345678901}}) {
        ODBCStatement statement(m_connection.get(), nullptr);
        const std::string script = "script: rowcount(" + std::to_string(expected) + ")";
        ASSERT_EQ(statement.PrepareCommand(ODBCCommand(script.c_str())), SQL_SUCCESS);
        ASSERT_EQ(statement.Execute(), SQL_SUCCESS);
        SQLLEN rows = 7;
        EXPECT_EQ(statement.RowCount(&rows), SQL_SUCCESS);
        EXPECT_EQ(rows, expected);
    }
    EXPECT_TRUE(m_handler.records.empty());
}

TEST_F(ScriptedStatementTest, OutputParametersAreNumberedOnAcrossPieces) {
    Connect();
    ODBCStatement statement(m_connection.get(), nullptr);
    int32_t values[2] = {-1, -1};
    SQLLEN indicators[2] = {0, 0};
    ASSERT_EQ(statement.Prepare("script: ? param(1, 42)"), SQL_SUCCESS);
    ASSERT_EQ(statement.BindNextParameter(SQL_PARAM_OUTPUT, SQL_C_LONG, SQL_INTEGER, 0, 0,
                                          &values[0], 0, &indicators[0]),
              SQL_SUCCESS);
    ASSERT_EQ(statement.Execute(), SQL_SUCCESS);
    EXPECT_EQ(values[0], 42);
    EXPECT_EQ(indicators[0], 4);

    ASSERT_EQ(statement.Prepare("script: ? param(1, NULL)"), SQL_SUCCESS);
    statement.BindNextParameter(SQL_PARAM_OUTPUT, SQL_C_LONG, SQL_INTEGER, 0, 0, &values[1], 0,
                                &indicators[1]);
    EXPECT_EQ(statement.m_paramCount, 2);
    EXPECT_EQ(m_probe.Count("SQLBindParameter"), 2);
}

struct ScriptedFailure {
    const char* name;
    const char* keywords;
    std::function<SQLRETURN(ODBCStatement&)> run;
    const char* source;
};

class ScriptedFailureTest : public ScriptedStatementTest,
                            public ::testing::WithParamInterface<ScriptedFailure> {};

TEST_P(ScriptedFailureTest, ReportsEveryRecordUnderTheCallText) {
    Connect(GetParam().keywords);
    ODBCStatement statement(m_connection.get(), nullptr);
    EXPECT_EQ(GetParam().run(statement), SQL_ERROR);
    ASSERT_FALSE(m_handler.records.empty());
    EXPECT_EQ(m_handler.records[0].source, GetParam().source);
    EXPECT_EQ(m_handler.records[0].state, "HY000");
    EXPECT_EQ(m_handler.records[0].message, "scripted");
    EXPECT_EQ(statement.m_lastError->m_source, std::string(GetParam().source));
}

template <typename Then>
std::function<SQLRETURN(ODBCStatement&)> Prepared(const char* sql, Then then) {
    return [sql, then](ODBCStatement& statement) {
        if (!IsSqlSuccess(statement.PrepareCommand(ODBCCommand(sql)))) {
            return statement.m_retcode;
        }
        return then(statement);
    };
}

SQLRETURN Stop(ODBCStatement& statement) {
    return statement.m_retcode;
}
SQLRETURN Execute(ODBCStatement& statement) {
    return statement.Execute();
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Calls, ScriptedFailureTest, ::testing::Values(
    ScriptedFailure{"AllocStmt", "FailAllocStmt=HY000,11,scripted", Stop,
                    "SQLAllocStmt(GetDbcHandle(), &m_stmt)"},
    ScriptedFailure{"SetStmtAttr", "FailSetStmtAttr=HY000,12,scripted",
                    [](ODBCStatement& s) {
                        return s.SetStmtAttr(SQL_ATTR_CURSOR_TYPE,
                                             reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC),
                                             SQL_IS_INTEGER);
                    },
                    "SQLSetStmtAttr(m_stmt, Attribute, ValuePtr, StringLength)"},
    ScriptedFailure{"Prepare", "",
                    Prepared("script: fail(SQLPrepare, diag(HY000, 13, scripted))", Stop),
                    "SQLPrepare(m_stmt, (SQLCHAR *)sql, SQL_NTS)"},
    ScriptedFailure{"NumResultCols", "",
                    Prepared("script: result(a INTEGER) "
                             "fail(SQLNumResultCols, diag(HY000, 14, scripted))", Stop),
                    "SQLNumResultCols(m_stmt, columnCountPtr)"},
    ScriptedFailure{"Execute", "",
                    Prepared("script: result(a INTEGER) row(1) "
                             "fail(SQLExecute, diag(HY000, 18, scripted))", Execute),
                    "SQLExecute(m_stmt)"},
    ScriptedFailure{"Fetch", "",
                    Prepared("script: result(a INTEGER) row(1) row(2) "
                             "fail(SQLFetch@2, diag(HY000, 19, scripted))",
                             [](ODBCStatement& s) {
                                 s.Execute();
                                 s.Fetch();
                                 return s.Fetch();
                             }),
                    "SQLFetch(m_stmt)"},
    ScriptedFailure{"RowCount", "",
                    Prepared("script: rowcount(7) fail(SQLRowCount, diag(HY000, 20, scripted))",
                             [](ODBCStatement& s) {
                                 SQLLEN rows = 0;
                                 s.Execute();
                                 return s.RowCount(&rows);
                             }),
                    "SQLRowCount(m_stmt, pcrow)"},
    ScriptedFailure{"MoreResults", "",
                    Prepared("script: result(a INTEGER) row(1) "
                             "fail(SQLMoreResults, diag(HY000, 21, scripted)) result(b INTEGER)",
                             [](ODBCStatement& s) {
                                 s.Execute();
                                 while (IsSqlSuccess(s.Fetch())) {
                                 }
                                 return s.MoreResults();
                             }),
                    "SQLMoreResults(m_stmt)"},
    ScriptedFailure{"BindParameter", "",
                    [](ODBCStatement& s) {
                        static int32_t value = -1;
                        static SQLLEN indicator = 0;
                        s.Prepare("script: ? param(1, 5) "
                                  "fail(SQLBindParameter@1, diag(HY000, 17, scripted))");
                        return s.BindNextParameter(SQL_PARAM_OUTPUT, SQL_C_LONG, SQL_INTEGER, 0,
                                                   0, &value, 0, &indicator);
                    },
                    "SQLBindParameter(m_stmt, ipar, fParamType, fCType, fSqlType, cbColDef, "
                    "ibScale, rgbValue, cbValueMax, pcbValue)"}),
    [](const ::testing::TestParamInfo<ScriptedFailure>& info) { return info.param.name; });
// clang-format on

TEST_F(ScriptedStatementTest, DiagnosticsNameTheirColumns) {
    Connect();
    ODBCStatement statement(m_connection.get(), nullptr);
    ASSERT_EQ(statement.PrepareCommand(ODBCCommand(
                  "script: result(a INTEGER, b INTEGER, c INTEGER, d INTEGER, e INTEGER) "
                  "fail(SQLExecute, diag(42S22, 207, first, column=2), "
                  "diag(42S22, 208, second, column=5))")),
              SQL_SUCCESS);
    EXPECT_EQ(statement.Execute(), SQL_ERROR);
    ASSERT_EQ(m_handler.records.size(), 2u);
    EXPECT_EQ(m_handler.records[0].message, "first + column #2 + column #5");
    EXPECT_EQ(m_handler.records[1].message, "second + column #2 + column #5");
    EXPECT_EQ(Sources(), (std::vector<std::string>(2, "SQLExecute(m_stmt)")));
}

TEST_F(ScriptedStatementTest, StatementsShareTheConnectionAndEndWithTheirOwner) {
    Connect();
    {
        ODBCSession session(3);
        session.m_statements.push_back(
            std::make_unique<ODBCStatement>(m_connection.get(), &session));
        ODBCStatement statement(m_connection.get(), nullptr);
        ASSERT_EQ(statement.PrepareCommand(ODBCCommand("script: result(a INTEGER) row(1)")),
                  SQL_SUCCESS);
        EXPECT_EQ(session.m_statements[0]->m_tag, 3);
        EXPECT_EQ(statement.m_tag, 0);
        EXPECT_EQ(statement.GetDbcHandle(), m_connection->m_dbc);
        EXPECT_EQ(*m_connection->m_refCount, 3);
        EXPECT_EQ(m_probe.OpenHandles("STMT"), 2);
    }
    EXPECT_EQ(*m_connection->m_refCount, 1);
    EXPECT_EQ(m_probe.OpenHandles("STMT"), 0);
    EXPECT_EQ(m_probe.OpenHandles("DBC"), 1);
    EXPECT_TRUE(m_connection->IsConnected());
}

}  // namespace
