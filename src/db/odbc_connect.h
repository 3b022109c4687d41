#pragma once
// One connection, opened by its constructor; copies share the handle through a counter.

#include "db/odbc_base.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>

class ODBCDataSource {
  public:
    ODBCDataSource() = default;
    ODBCDataSource(const ODBCDataSource&) = default;
    ODBCDataSource& operator=(const ODBCDataSource&) = default;
    virtual ~ODBCDataSource() = default;

    // The completed connection string the driver manager gave back; empty until connected.
    std::string m_connectString;
};

// Asked for a connection string when a connection is built with a prompt window; nullopt means
// the person cancelled. The driver manager's own prompt cannot be used here: it takes the window
// handle for a descriptor of its own plug-in.
using ConnectPromptHook = std::function<std::optional<std::string>(const std::string& inConnStr)>;

class ODBCConnect : public ODBCBase {
  public:
    // Largest completed connection string, terminator included.
    static constexpr SQLSMALLINT kConnectStringBufferSize = 512;

    ODBCConnect(SQLHWND hWnd, const char* inConnStr, SQLUSMALLINT driverCompletion);
    ODBCConnect(ODBCConnect& other);
    ODBCConnect& operator=(const ODBCConnect&) = delete;
    ~ODBCConnect() override;

    SQLHDBC GetDbcHandle() const override { return m_dbc; }
    virtual bool IsConnected() const { return m_connected; }
    // Closes and frees the handle now, for every holder; nothing is reported.
    void Disconnect();
    const ODBCDataSource& GetDataSource() const { return m_dataSource; }

    static void SetPromptHook(ConnectPromptHook hook);
    // Seconds a connection may take before it is given up, for every later connection; 0 waits
    // as long as the driver does.
    static void SetLoginTimeout(SQLULEN seconds);
    static constexpr SQLULEN kDefaultLoginTimeout = 30;

  private:
    static std::atomic<SQLULEN> s_loginTimeout;

    SQLRETURN DriverConnect(const char* inConnStr, SQLUSMALLINT driverCompletion);

    SQLHDBC m_dbc = nullptr;
    // Holders of m_dbc, shared by them; made at the first copy.
    int32_t* m_refCount = nullptr;
    ODBCDataSource m_dataSource;
    bool m_connected = false;
};
