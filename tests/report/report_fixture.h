#pragma once
// Runs SQL on a real or scripted driver and writes its result with the report writer.

#include "db/odbc_connect.h"
#include "db/odbc_environment.h"
#include "db/odbc_statement.h"
#include "report/odbc_report.h"
#include "support/recording_handler.h"
#include "support/temp_dir.h"
#include "support/test_databases.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

class ReportTest : public ::testing::Test {
  protected:
    void SetUp() override { ODBCEnvironment::SetErrorHandler(&handler); }
    void TearDown() override {
        connection.reset();
        ODBCEnvironment::SetErrorHandler(nullptr);
        ODBCEnvironment::DeleteInstance();
    }

    void Connect(const std::string& connectionString) {
        connection =
            std::make_unique<ODBCConnect>(nullptr, connectionString.c_str(), SQL_DRIVER_NOPROMPT);
        ASSERT_TRUE(connection->IsConnected()) << connectionString;
    }

    void ConnectSqlite() { Connect(SqliteConnectionString(dir.File("report.db"))); }

    // Runs statements whose results are not wanted (table set-up).
    void Run(const std::string& sql) {
        ODBCStatement statement(connection.get(), nullptr);
        ASSERT_TRUE(IsSqlSuccess(statement.Prepare(sql.c_str()))) << sql;
        SQLRETURN ret = statement.Execute();
        ASSERT_TRUE(IsSqlSuccess(ret) || ret == SQL_NO_DATA) << sql;
    }

    // Executes sql as the export does and hands the statement to a configured report.
    bool Report(const std::string& sql, const std::string& path, int format,
                const std::function<void(ODBCReport&)>& configure = {}) {
        ODBCSession session(0);
        ODBCStatement statement(connection.get(), &session);
        statement.SetStmtAttr(SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_STATIC),
                              SQL_IS_INTEGER);
        if (!IsSqlSuccess(statement.PrepareCommand(ODBCCommand(sql.c_str())))) {
            return false;
        }
        SQLRETURN executed = statement.Execute();
        if (!IsSqlSuccess(executed) && executed != SQL_NO_DATA) {
            return false;
        }
        ODBCReport report(&statement);
        if (configure) {
            configure(report);
        }
        bool written = report.Report(path, format);
        rowsWritten = report.m_rowCounter;
        return written;
    }

    std::string Csv(const std::string& sql,
                    const std::function<void(ODBCReport&)>& configure = {}) {
        std::string path = dir.File("out.csv");
        EXPECT_TRUE(Report(sql, path, ODBCReport::kCsv, configure)) << sql;
        return ReadFileBytes(path);
    }

    TempDir dir;
    RecordingHandler handler;
    std::unique_ptr<ODBCConnect> connection;
    int rowsWritten = 0;
};
