#pragma once
// The one ODBC environment of the process and the per-thread choice of error handler.

#include "db/odbc_error.h"

#include <atomic>
#include <mutex>

class ODBCEnvironment {
  public:
    virtual ~ODBCEnvironment();
    ODBCEnvironment(const ODBCEnvironment&) = delete;
    ODBCEnvironment& operator=(const ODBCEnvironment&) = delete;

    // Creates the environment on first use (and again after DeleteInstance).
    static ODBCEnvironment* Instance();
    // Frees the environment; the next Instance() builds a new one with a new handle.
    static void DeleteInstance();
    static bool Exists() { return s_instance.load() != nullptr; }

    static SQLHENV GetEnvHandle() { return Instance()->m_env; }
    // The handler installed on the calling thread only.
    static void SetErrorHandler(ODBCErrorHandler* handler) { s_threadHandler = handler; }
    ODBCErrorHandler* GetErrorHandler();

    SQLHENV m_env = nullptr;
    ODBCErrorHandler m_defaultHandler;

  private:
    ODBCEnvironment();

    static std::atomic<ODBCEnvironment*> s_instance;
    static std::mutex s_creationLock;
    static thread_local ODBCErrorHandler* s_threadHandler;
};
