#include "db/odbc_connect.h"
#include "db/odbc_environment.h"
#include "db/odbc_error.h"
#include "support/recording_handler.h"
#include "support/test_databases.h"
#include "testdriver/test_driver_probe.h"

#include <gtest/gtest.h>

#include <memory>
#include <thread>

namespace {

class ConnectionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ODBCEnvironment::SetErrorHandler(&handler);
        probe.Reset();
    }
    void TearDown() override {
        ODBCConnect::SetPromptHook({});
        ODBCEnvironment::SetErrorHandler(nullptr);
        ODBCEnvironment::DeleteInstance();
    }

    std::unique_ptr<ODBCConnect> Connect(const std::string& keywords,
                                         SQLUSMALLINT completion = SQL_DRIVER_NOPROMPT,
                                         SQLHWND window = nullptr) {
        return std::make_unique<ODBCConnect>(window, TestDriverConnectionString(keywords).c_str(),
                                             completion);
    }

    RecordingHandler handler;
    const querimo::testdriver::DriverProbe& probe = querimo::testdriver::DriverProbe::Get();
};

TEST_F(ConnectionTest, CompletedStringIsKeptWithOrWithoutADataSourceName) {
    auto named = Connect("CompletedDSN=abc");
    ASSERT_TRUE(named->IsConnected());
    EXPECT_EQ(named->m_dataSource.m_connectString, "DSN=abc;SERVER=testdriver;UID=tester");
    EXPECT_EQ(named->m_retcode, SQL_SUCCESS);

    auto unnamed = Connect("");
    ASSERT_TRUE(unnamed->IsConnected());
    EXPECT_EQ(unnamed->m_dataSource.m_connectString.find("DSN="), std::string::npos);
    EXPECT_TRUE(handler.records.empty());
}

TEST_F(ConnectionTest, CompletedStringIsCutToItsBuffer) {
    auto connection = Connect("Completed=" + std::string(600, 'k'));
    ASSERT_TRUE(connection->IsConnected());
    EXPECT_EQ(connection->m_dataSource.m_connectString.size(), 511u);
    EXPECT_TRUE(handler.records.empty());
}

TEST_F(ConnectionTest, EveryDiagnosticRecordIsReportedInOrder) {
    // The driver manager hands records out highest SQLSTATE first; equal states keep their order.
    auto connection = Connect("ConnectFail=08001,17,Server is down|08001,18,Retry failed");
    EXPECT_FALSE(connection->IsConnected());
    EXPECT_EQ(connection->m_retcode, SQL_ERROR);
    ASSERT_EQ(handler.records.size(), 2u);
    EXPECT_EQ(handler.records[0].state, "08001");
    EXPECT_EQ(handler.records[0].nativeError, 17);
    EXPECT_NE(handler.records[0].message.find("Server is down"), std::string::npos);
    EXPECT_EQ(handler.records[1].state, "08001");
    EXPECT_NE(handler.records[1].message.find("Retry failed"), std::string::npos);
    EXPECT_EQ(handler.records[1].nativeError, 18);
    EXPECT_EQ(handler.records[0].source,
              "SQLDriverConnect(m_dbc, hWnd, (SQLCHAR *)inConnStr, SQL_NTS, (SQLCHAR "
              "*)outConnStr, sizeof(outConnStr), &stringLength2Ptr, driverCompletion)");
    ASSERT_NE(connection->m_lastError, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(connection->m_lastError->m_sqlState)), "08001");
    EXPECT_EQ(connection->m_lastError->m_nativeError, 17);
}

TEST_F(ConnectionTest, QuietOutcomesReportNothing) {
    struct Case {
        const char* keywords;
        bool connected;
        SQLRETURN retcode;
    };
    for (const Case& test : {Case{"ConnectReturn=NO_DATA", false, SQL_NO_DATA},
                             Case{"ConnectReturn=SUCCESS_WITH_INFO", true, SQL_SUCCESS_WITH_INFO},
                             Case{"ConnectReturn=INVALID_HANDLE", false, SQL_INVALID_HANDLE}}) {
        auto connection = Connect(test.keywords);
        EXPECT_EQ(connection->IsConnected(), test.connected) << test.keywords;
        EXPECT_EQ(connection->m_retcode, test.retcode) << test.keywords;
        EXPECT_EQ(connection->m_lastError, nullptr) << test.keywords;
    }
    EXPECT_TRUE(handler.records.empty());
}

TEST_F(ConnectionTest, NativeErrorZeroShowsTheReturnCode) {
    auto connection = Connect("ConnectFail=HY000,0,plain failure");
    ASSERT_NE(connection->m_lastError, nullptr);
    EXPECT_EQ(connection->m_lastError->FormatBoxText().rfind("ODBC Error -1: \"", 0), 0u);
    EXPECT_EQ(connection->m_lastError->GetText().rfind("Application Error -1: \"", 0), 0u);
}

TEST_F(ConnectionTest, SharedHandleIsReleasedOnceByTheLastHolder) {
    auto first = Connect("");
    ASSERT_TRUE(first->IsConnected());
    auto copy = std::make_unique<ODBCConnect>(*first);
    ASSERT_NE(first->m_refCount, nullptr);
    EXPECT_EQ(*first->m_refCount, 2);
    EXPECT_EQ(copy->GetDbcHandle(), first->GetDbcHandle());
    EXPECT_TRUE(copy->IsConnected());

    first.reset();
    EXPECT_EQ(probe.Count("SQLDisconnect"), 0);
    EXPECT_EQ(probe.Count("SQLFreeConnect"), 0);
    copy.reset();
    EXPECT_EQ(probe.Count("SQLDisconnect"), 1);
    EXPECT_EQ(probe.Count("SQLFreeConnect"), 1);
    EXPECT_EQ(probe.OpenHandles("DBC"), 0);
}

TEST_F(ConnectionTest, DisconnectThenDestructionReleasesOnce) {
    auto connection = Connect("");
    connection->Disconnect();
    EXPECT_EQ(connection->GetDbcHandle(), nullptr);
    EXPECT_FALSE(connection->IsConnected());
    connection->Disconnect();
    connection.reset();
    EXPECT_EQ(probe.Count("SQLDisconnect"), 1);
    EXPECT_EQ(probe.Count("SQLFreeConnect"), 1);
}

TEST_F(ConnectionTest, FailedConnectionFreesItsHandleWithoutDisconnecting) {
    Connect("ConnectFail=08001,1,down").reset();
    EXPECT_EQ(probe.Count("SQLDisconnect"), 0);
    EXPECT_EQ(probe.OpenHandles("DBC"), 0);
}

TEST_F(ConnectionTest, DeletedEnvironmentIsBuiltAgain) {
    ODBCEnvironment* first = ODBCEnvironment::Instance();
    ASSERT_NE(first->m_env, nullptr);
    ODBCEnvironment::DeleteInstance();
    EXPECT_FALSE(ODBCEnvironment::Exists());
    ODBCEnvironment* second = ODBCEnvironment::Instance();
    ASSERT_NE(second->m_env, nullptr);
    EXPECT_TRUE(ODBCEnvironment::Exists());
    EXPECT_TRUE(Connect("")->IsConnected());
}

TEST_F(ConnectionTest, PromptWindowAsksTheHookInsteadOfTheDriverManager) {
    std::vector<std::string> asked;
    std::optional<std::string> answer;
    ODBCConnect::SetPromptHook([&](const std::string& inConnStr) {
        asked.push_back(inConnStr);
        return answer;
    });
    auto window = reinterpret_cast<SQLHWND>(this);

    auto cancelled = std::make_unique<ODBCConnect>(window, "", SQL_DRIVER_COMPLETE_REQUIRED);
    EXPECT_FALSE(cancelled->IsConnected());
    EXPECT_EQ(cancelled->m_retcode, SQL_NO_DATA);

    answer = TestDriverConnectionString("CompletedDSN=chosen");
    auto chosen = std::make_unique<ODBCConnect>(window, "", SQL_DRIVER_COMPLETE_REQUIRED);
    EXPECT_TRUE(chosen->IsConnected());
    EXPECT_EQ(chosen->m_dataSource.m_connectString.rfind("DSN=chosen;", 0), 0u);

    // Without a prompt window, or with NOPROMPT, nobody is asked.
    auto quiet =
        std::make_unique<ODBCConnect>(window, "DSN=QuerimoNoSuchSource", SQL_DRIVER_NOPROMPT);
    EXPECT_FALSE(quiet->IsConnected());
    EXPECT_EQ(asked, (std::vector<std::string>{"", ""}));
    ASSERT_EQ(handler.records.size(), 1u);
    EXPECT_EQ(handler.records[0].state, "IM002");
}

TEST_F(ConnectionTest, HandlerOfOneThreadNeverSeesAnothersErrors) {
    RecordingHandler otherHandler;
    bool otherConnected = true;
    std::thread other([&] {
        ODBCEnvironment::SetErrorHandler(&otherHandler);
        ODBCConnect connection(nullptr, "DSN=QuerimoNoSuchSource", SQL_DRIVER_NOPROMPT);
        otherConnected = connection.IsConnected();
        ODBCEnvironment::SetErrorHandler(nullptr);
    });
    other.join();
    EXPECT_FALSE(otherConnected);
    EXPECT_EQ(otherHandler.records.size(), 1u);
    EXPECT_TRUE(handler.records.empty());

    ODBCConnect mine(nullptr, "DSN=QuerimoNoSuchSource", SQL_DRIVER_NOPROMPT);
    EXPECT_EQ(handler.records.size(), 1u);
    EXPECT_EQ(otherHandler.records.size(), 1u);
}

TEST_F(ConnectionTest, CopyReportsToTheCopyingThreadsHandler) {
    auto connection = Connect("");
    RecordingHandler otherHandler;
    ODBCErrorHandler* captured = nullptr;
    std::thread other([&] {
        ODBCEnvironment::SetErrorHandler(&otherHandler);
        ODBCConnect copy(*connection);
        captured = copy.m_errorHandler;
        ODBCEnvironment::SetErrorHandler(nullptr);
    });
    other.join();
    EXPECT_EQ(captured, &otherHandler);
    EXPECT_EQ(connection->m_errorHandler, &handler);
}

}  // namespace
