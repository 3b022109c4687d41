#include "db/odbc_connect.h"

#include <atomic>
#include <mutex>
#include <utility>

namespace {

std::mutex& HookMutex() {
    static std::mutex mutex;
    return mutex;
}

ConnectPromptHook& Hook() {
    static ConnectPromptHook hook;
    return hook;
}

ConnectPromptHook CurrentHook() {
    std::lock_guard lock(HookMutex());
    return Hook();
}

constexpr const char* kDriverConnectCall =
    "::SQLDriverConnect(m_dbc, hWnd, (SQLCHAR *)inConnStr, SQL_NTS, (SQLCHAR *)outConnStr, "
    "sizeof(outConnStr), &stringLength2Ptr, driverCompletion)";

}  // namespace

std::atomic<SQLULEN> ODBCConnect::s_loginTimeout{ODBCConnect::kDefaultLoginTimeout};

void ODBCConnect::SetLoginTimeout(SQLULEN seconds) {
    s_loginTimeout = seconds;
}

void ODBCConnect::SetPromptHook(ConnectPromptHook hook) {
    std::lock_guard lock(HookMutex());
    Hook() = std::move(hook);
}

ODBCConnect::ODBCConnect(SQLHWND hWnd, const char* inConnStr, SQLUSMALLINT driverCompletion) {
    if (!IsSqlSuccess(Call("::SQLAllocConnect(GetEnvHandle(), &m_dbc)", SQLAllocConnect,
                           GetEnvHandle(), &m_dbc))) {
        m_dbc = nullptr;
        return;
    }
    std::string connectString = inConnStr != nullptr ? inConnStr : "";
    SQLUSMALLINT completion = driverCompletion;
    if (hWnd != nullptr && driverCompletion != SQL_DRIVER_NOPROMPT) {
        // Our own chooser stands in for the driver manager's prompt; once it has answered,
        // nothing more may be asked.
        completion = SQL_DRIVER_NOPROMPT;
        if (ConnectPromptHook hook = CurrentHook()) {
            std::optional<std::string> chosen = hook(connectString);
            if (!chosen) {
                m_retcode = CheckReturn(SQL_NO_DATA, kDriverConnectCall);
                return;
            }
            connectString = std::move(*chosen);
        }
    }
    // A server that accepts the connection and never answers must not hold the program forever.
    Call(
        "::SQLSetConnectAttr(m_dbc, SQL_ATTR_LOGIN_TIMEOUT, (SQLPOINTER)s_loginTimeout, "
        "SQL_IS_UINTEGER)",
        SQLSetConnectAttr, m_dbc, SQL_ATTR_LOGIN_TIMEOUT,
        reinterpret_cast<SQLPOINTER>(SQLULEN{s_loginTimeout}), SQL_IS_UINTEGER);
    DriverConnect(connectString.c_str(), completion);
}

SQLRETURN ODBCConnect::DriverConnect(const char* inConnStr, SQLUSMALLINT driverCompletion) {
    SQLCHAR outConnStr[kConnectStringBufferSize] = {};
    SQLSMALLINT stringLength2 = 0;
    // Never a window handle: the driver manager would take it for its own plug-in descriptor.
    SQLRETURN ret = Call(kDriverConnectCall, SQLDriverConnect, m_dbc, nullptr,
                         reinterpret_cast<SQLCHAR*>(const_cast<char*>(inConnStr)), SQL_NTS,
                         outConnStr, kConnectStringBufferSize, &stringLength2, driverCompletion);
    m_connected = IsSqlSuccess(ret);
    if (m_connected) {
        outConnStr[kConnectStringBufferSize - 1] = '\0';
        m_dataSource.m_connectString = reinterpret_cast<const char*>(outConnStr);
    }
    return ret;
}

ODBCConnect::ODBCConnect(ODBCConnect& other)
    : ODBCBase(other),
      m_dbc(other.m_dbc),
      m_dataSource(other.m_dataSource),
      m_connected(other.m_connected) {
    if (other.m_refCount == nullptr) {
        other.m_refCount = new int32_t(1);
    }
    m_refCount = other.m_refCount;
    ++*m_refCount;
}

ODBCConnect::~ODBCConnect() {
    if (m_refCount != nullptr) {
        --*m_refCount;
        if (*m_refCount > 0) {
            return;
        }
    }
    Disconnect();
    delete m_refCount;
    m_refCount = nullptr;
}

void ODBCConnect::Disconnect() {
    if (m_dbc == nullptr) {
        return;
    }
    if (m_connected) {
        SQLDisconnect(m_dbc);
    }
    SQLFreeConnect(m_dbc);
    m_dbc = nullptr;
    m_connected = false;
}
