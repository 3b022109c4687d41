#pragma once
// Root of the database layer: the return-code rule and the object every ODBC user derives from.

#if defined(QUERIMO_NO_QT) && (defined(QT_CORE_LIB) || defined(QT_VERSION))
#error "The database layer is plain C++ over ODBC and must not see Qt."
#endif

#include <sql.h>
#include <sqlext.h>

#include <cstdint>
#include <memory>
#include <string>

class ODBCError;
class ODBCErrorHandler;

// SQL_SUCCESS and SQL_SUCCESS_WITH_INFO are the two codes whose value without the lowest bit is 0.
constexpr bool IsSqlSuccess(SQLRETURN ret) noexcept {
    return (ret & ~1) == 0;
}

class ODBCBase {
  public:
    ODBCBase();
    // A copy shares the environment and tag but reports to the handler of the copying thread.
    ODBCBase(const ODBCBase& other);
    ODBCBase& operator=(const ODBCBase&) = delete;
    virtual ~ODBCBase();

    virtual SQLHDBC GetDbcHandle() const { return nullptr; }
    virtual SQLHSTMT GetStmtHandle() const { return nullptr; }
    // Result columns bound through this object; a diagnostic that names a column past them
    // names none that the person could look for.
    virtual int GetBoundColumns() const { return 0; }
    SQLHENV GetEnvHandle() const { return m_env; }

    // Reports the diagnostics of a failed call to this object's handler; returns ret unchanged.
    SQLRETURN CheckReturn(SQLRETURN ret, const char* callText);
    // Reports an error of the application itself; source must outlive the program.
    void RaiseError(SQLRETURN code, const std::string& message, const char* source);

    // The code of the last call made through this object.
    SQLRETURN GetRetcode() const { return m_retcode; }
    int32_t GetTag() const { return m_tag; }
    // The first record of the last failure reported, or null when there was none.
    const ODBCError* GetLastError() const { return m_lastError.get(); }

  protected:
    // The one way an ODBC call is made: callText is the call as messages show it, written once
    // beside the call; the code is kept in m_retcode and returned.
    template <typename Function, typename... Args>
    SQLRETURN Call(const char* callText, Function function, Args... args) {
        m_retcode = CheckReturn(function(args...), callText);
        return m_retcode;
    }

    SQLRETURN m_retcode = SQL_ERROR;
    int32_t m_tag = 0;

  private:
    void ReportDiagnostics(SQLRETURN ret);

    SQLHENV m_env = nullptr;
    std::unique_ptr<ODBCError> m_lastError;
    ODBCErrorHandler* m_errorHandler = nullptr;
    const char* m_lastCall = nullptr;
};
