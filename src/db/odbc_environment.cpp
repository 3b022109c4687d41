#include "db/odbc_environment.h"

std::atomic<ODBCEnvironment*> ODBCEnvironment::s_instance{nullptr};
std::mutex ODBCEnvironment::s_creationLock;
thread_local ODBCErrorHandler* ODBCEnvironment::s_threadHandler = nullptr;

ODBCEnvironment::ODBCEnvironment() {
    if (!IsSqlSuccess(SQLAllocEnv(&m_env))) {
        m_env = nullptr;
    }
    // Asked even without a handle, like every caller of the old layer did; the result is moot.
    SQLSetEnvAttr(m_env, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3),
                  SQL_IS_INTEGER);
}

ODBCEnvironment::~ODBCEnvironment() {
    if (m_env != nullptr) {
        SQLFreeEnv(m_env);
        m_env = nullptr;
    }
}

ODBCEnvironment* ODBCEnvironment::Instance() {
    ODBCEnvironment* instance = s_instance.load(std::memory_order_acquire);
    if (instance != nullptr) {
        return instance;
    }
    std::lock_guard lock(s_creationLock);
    instance = s_instance.load(std::memory_order_relaxed);
    if (instance == nullptr) {
        instance = new ODBCEnvironment();
        s_instance.store(instance, std::memory_order_release);
    }
    return instance;
}

void ODBCEnvironment::DeleteInstance() {
    std::lock_guard lock(s_creationLock);
    delete s_instance.exchange(nullptr);
}

ODBCErrorHandler* ODBCEnvironment::GetErrorHandler() {
    return s_threadHandler != nullptr ? s_threadHandler : &m_defaultHandler;
}
