#pragma once
// The error handler of unattended runs: one time-stamped line per entry in a log file.

#include "db/odbc_error.h"

#include <ctime>
#include <string>

class CCmdLineErrHandler : public ODBCErrorHandler {
  public:
    void HandleError(ODBCError* error) override;
    // Writes "<time> -- <text>" as one line; a failure is shown as a notice and costs the entry.
    // Returns whether the line reached the file.
    bool WriteLog(const std::string& text);

    std::string m_logFile = "QuerimoError.log";
};

// The time stamp of a log line: month/day/year and 24-hour time, as "%c" gives in the C locale.
std::string FormatLogTime(std::time_t when);
// Entries accumulate only when ".log" stands after the first character of the path.
bool LogPathAccumulates(const std::string& path);
