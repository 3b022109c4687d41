#include "db/odbc_base.h"
#include "db/odbc_connect.h"
#include "db/odbc_environment.h"
#include "db/odbc_error.h"
#include "support/recording_handler.h"
#include "support/test_databases.h"

#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

namespace {

class ErrorReportTest : public ::testing::Test {
  protected:
    void SetUp() override { ODBCEnvironment::SetErrorHandler(&handler); }
    void TearDown() override {
        ODBCEnvironment::SetErrorHandler(nullptr);
        ODBCEnvironment::DeleteInstance();
    }
    RecordingHandler handler;
};

ODBCError Record(const char* state, const std::string& message, SQLINTEGER native,
                 SQLRETURN code = SQL_ERROR) {
    ODBCError error;
    std::strncpy(reinterpret_cast<char*>(error.m_sqlState), state, 5);
    error.m_message = message;
    error.m_nativeError = native;
    error.m_retcode = code;
    return error;
}

TEST_F(ErrorReportTest, TextsShowTheNativeErrorOrElseTheReturnCode) {
    struct Case {
        ODBCError error;
        const char* box;
        const char* log;
    };
    const Case cases[] = {
        {Record("42S02", "no table", 208), "ODBC Error 208: \"no table\" (42S02)",
         "Application Error 208: \"no table\" (42S02)"},
        {Record("HY000", "general", 0), "ODBC Error -1: \"general\" (HY000)",
         "Application Error -1: \"general\" (HY000)"},
        {Record("", "", 0), "ODBC Error -1: \"\" ()", "Application Error -1: "},
        {Record("", "only text", 0, SQL_INVALID_HANDLE), "ODBC Error -2: \"only text\" ()",
         "Application Error -2: \"only text\""},
        {Record("01000", "", -7), "ODBC Error -7: \"\" (01000)", "Application Error -7:  (01000)"},
    };
    for (const Case& test : cases) {
        EXPECT_EQ(test.error.FormatBoxText(), test.box);
        char buffer[768];
        test.error.FormatBoxText(buffer, sizeof(buffer));
        EXPECT_STREQ(buffer, test.box);
        EXPECT_EQ(test.error.GetText(), test.log);
    }
}

TEST_F(ErrorReportTest, LongBoxTextIsCutToItsBuffer) {
    ODBCError error = Record("HY000", std::string(5000, 'm'), 1);
    char buffer[768];
    std::memset(buffer, 'X', sizeof(buffer));
    error.FormatBoxText(buffer, 100);
    EXPECT_EQ(std::strlen(buffer), 99u);
    EXPECT_EQ(buffer[100], 'X');
    EXPECT_EQ(std::string(buffer, 16), "ODBC Error 1: \"m");
}

TEST_F(ErrorReportTest, QuietCodesReportNothingAndKeepTheLastError) {
    ODBCBase object;
    object.RaiseError(SQL_ERROR, "earlier", "Test::Earlier");
    ASSERT_EQ(handler.records.size(), 1u);
    for (SQLRETURN code : {SQL_SUCCESS, SQL_SUCCESS_WITH_INFO, SQL_NO_DATA, SQL_INVALID_HANDLE}) {
        EXPECT_EQ(object.CheckReturn(code, "::SQLFetch(m_stmt)"), code);
    }
    EXPECT_EQ(handler.records.size(), 1u);
    EXPECT_EQ(object.m_lastError->m_message, "earlier");
    EXPECT_STREQ(object.m_lastCall, "SQLFetch(m_stmt)");
}

TEST_F(ErrorReportTest, CallTextLosesOnlyALeadingPairOfColons) {
    ODBCBase object;
    object.CheckReturn(SQL_SUCCESS_WITH_INFO, "ODBCEnvironment::GetEnvHandle()");
    EXPECT_STREQ(object.m_lastCall, "ODBCEnvironment::GetEnvHandle()");
    object.CheckReturn(SQL_SUCCESS_WITH_INFO, nullptr);
    EXPECT_EQ(object.m_lastCall, nullptr);
}

TEST_F(ErrorReportTest, RaisedErrorsReuseTheStoredRecord) {
    ODBCBase object;
    object.m_tag = 9;
    object.RaiseError(-1, "first", "ODBCBuffer::BindCols");
    ODBCError* stored = object.m_lastError.get();
    object.RaiseError(-5, "second", "ODBCColumn");
    EXPECT_EQ(object.m_lastError.get(), stored);
    EXPECT_EQ(object.m_retcode, -5);
    ASSERT_EQ(handler.records.size(), 2u);
    EXPECT_EQ(handler.records[1].nativeError, -5);
    EXPECT_EQ(handler.records[1].source, "ODBCColumn");
    EXPECT_EQ(handler.records[1].logText, "Application Error -5: \"second\"");
    EXPECT_EQ(stored->m_tag, 9);
}

TEST_F(ErrorReportTest, ExceptionInAHandlerEndsTheWalkQuietly) {
    struct ThrowingHandler : ODBCErrorHandler {
        void HandleError(ODBCError*) override {
            ++calls;
            throw std::runtime_error("handler failed");
        }
        int calls = 0;
    } throwing;
    ODBCEnvironment::SetErrorHandler(&throwing);
    ODBCConnect connection(nullptr, "DSN=QuerimoNoSuchSource", SQL_DRIVER_NOPROMPT);
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_EQ(connection.m_retcode, SQL_ERROR);
    EXPECT_EQ(throwing.calls, 1);
    ASSERT_NE(connection.m_lastError, nullptr);
    EXPECT_STREQ(reinterpret_cast<char*>(connection.m_lastError->m_sqlState), "IM002");
}

// A statement handle owned by the test, so the error walk can be tried on a statement call.
class RawStatement : public ODBCBase {
  public:
    explicit RawStatement(ODBCConnect& connection) : m_dbc(connection.GetDbcHandle()) {
        SQLAllocHandle(SQL_HANDLE_STMT, m_dbc, &m_stmt);
    }
    ~RawStatement() override { SQLFreeHandle(SQL_HANDLE_STMT, m_stmt); }
    SQLHDBC GetDbcHandle() const override { return m_dbc; }
    SQLHSTMT GetStmtHandle() const override { return m_stmt; }

    SQLRETURN ExecDirect(const std::string& sql) {
        return CheckReturn(
            SQLExecDirect(m_stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql.c_str())),
                          SQL_NTS),
            "::SQLExecDirect(m_stmt)");
    }

  private:
    SQLHDBC m_dbc;
    SQLHSTMT m_stmt = nullptr;
};

TEST_F(ErrorReportTest, EveryRecordOfAStatementCarriesTheColumnsOfAllItsRecords) {
    ODBCConnect connection(nullptr, TestDriverConnectionString().c_str(), SQL_DRIVER_NOPROMPT);
    ASSERT_TRUE(connection.IsConnected());
    RawStatement statement(connection);
    SQLRETURN ret = statement.ExecDirect(
        "script: fail(Execute, diag(42000, 1, first, column=2), diag(42000, 2, second), "
        "diag(42000, 3, third, column=5))");
    EXPECT_EQ(ret, SQL_ERROR);
    ASSERT_EQ(handler.records.size(), 3u);
    const char* messages[] = {"first", "second", "third"};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(handler.records[i].message,
                  std::string(messages[i]) + " + column #2 + column #5");
        EXPECT_EQ(handler.records[i].source, "SQLExecDirect(m_stmt)");
    }
    EXPECT_EQ(statement.m_lastError->m_message, "first + column #2 + column #5");
}

}  // namespace
