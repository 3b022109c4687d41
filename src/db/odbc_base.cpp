#include "db/odbc_base.h"

#include "db/odbc_environment.h"
#include "db/odbc_error.h"

#include <exception>

ODBCBase::ODBCBase() {
    ODBCEnvironment* environment = ODBCEnvironment::Instance();
    m_errorHandler = environment->GetErrorHandler();
    m_env = environment->m_env;
    if (m_env != nullptr) {
        m_retcode = SQL_SUCCESS;
    } else {
        m_retcode = CheckReturn(SQL_ERROR, "ODBCEnvironment::GetEnvHandle()");
    }
}

ODBCBase::ODBCBase(const ODBCBase& other)
    : m_retcode(other.m_retcode),
      m_tag(other.m_tag),
      m_env(other.m_env),
      m_errorHandler(ODBCEnvironment::Instance()->GetErrorHandler()) {}

ODBCBase::~ODBCBase() = default;

SQLRETURN ODBCBase::CheckReturn(SQLRETURN ret, const char* callText) {
    if (ret == SQL_SUCCESS || ret == SQL_NO_DATA) {
        return ret;
    }
    m_lastCall = callText;
    if (callText != nullptr && callText[0] == ':') {
        m_lastCall = callText + 2;
    }
    if (ret == SQL_SUCCESS_WITH_INFO) {
        return ret;
    }
    ReportDiagnostics(ret);
    return ret;
}

void ODBCBase::ReportDiagnostics(SQLRETURN ret) {
    try {
        ODBCError record(m_tag);
        for (SQLSMALLINT number = 1;
             number <= ODBCError::kMaxRecords && record.Load(*this, m_lastCall, ret, number);
             ++number) {
            if (number == 1) {
                if (m_lastError) {
                    *m_lastError = record;
                } else {
                    m_lastError = std::make_unique<ODBCError>(record);
                }
            }
            if (m_errorHandler != nullptr) {
                m_errorHandler->HandleError(&record);
            }
        }
    } catch (const std::exception&) {
        // A failing walk must not turn a database failure into a crash; the code still returns.
    }
}

void ODBCBase::RaiseError(SQLRETURN code, const std::string& message, const char* source) {
    if (!m_lastError) {
        m_lastError = std::make_unique<ODBCError>(m_tag);
    }
    m_lastError->m_retcode = code;
    m_lastError->m_nativeError = code;
    m_lastError->m_source = source;
    m_lastError->m_message = message;
    if (m_errorHandler != nullptr) {
        m_errorHandler->HandleError(m_lastError.get());
    }
    m_retcode = code;
}
