#pragma once
// Runs SQL on a real driver and writes its result with the report writer, as the export does.

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

    // Runs statements whose results are not wanted (table set-up).
    void Run(const std::string& sql) {
        ODBCStatement statement(connection.get(), nullptr);
        ASSERT_TRUE(IsSqlSuccess(statement.Prepare(sql.c_str()))) << sql;
        SQLRETURN ret = statement.Execute();
        ASSERT_TRUE(IsSqlSuccess(ret) || ret == SQL_NO_DATA) << sql;
    }

    // Executes sql as the export does and hands the statement to a configured report. A driver
    // said to lack every SQLGetData extension gets its columns read without binding.
    bool Report(const std::string& sql, const std::string& path, int format,
                const std::function<void(ODBCReport&)>& configure = {}) {
        ODBCStatement statement(connection.get(), nullptr);
        if (getDataOnly) {
            statement.SetDataExtensions(0);
        }
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
    bool getDataOnly = false;
    int rowsWritten = 0;
};

// "[[N*text]]" in an expected text stands for text N times over.
inline std::string Expand(const std::string& pattern) {
    std::string out;
    std::string::size_type at = 0;
    for (auto open = pattern.find("[["); open != std::string::npos; open = pattern.find("[[", at)) {
        const auto star = pattern.find('*', open);
        const auto close = pattern.find("]]", star);
        out += pattern.substr(at, open - at);
        for (long n = std::stol(pattern.substr(open + 2, star - open - 2)); n > 0; --n) {
            out += pattern.substr(star + 1, close - star - 1);
        }
        at = close + 2;
    }
    return out + pattern.substr(at);
}
