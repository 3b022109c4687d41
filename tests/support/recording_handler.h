#pragma once
// An error handler that keeps a copy of every record it is handed.

#include "db/odbc_error.h"

#include <string>
#include <vector>

struct RecordedError {
    SQLRETURN retcode = 0;
    std::string state;
    long nativeError = 0;
    std::string message;
    std::string source;
    std::string logText;
};

class RecordingHandler : public ODBCErrorHandler {
  public:
    void HandleError(ODBCError* error) override {
        records.push_back({error->m_retcode, reinterpret_cast<const char*>(error->m_sqlState),
                           static_cast<long>(error->m_nativeError), error->m_message,
                           error->m_source != nullptr ? error->m_source : "", error->GetText()});
    }

    std::vector<RecordedError> records;
};
