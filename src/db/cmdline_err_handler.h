#pragma once
// The error handler of unattended runs: one time-stamped line per entry in a log file.

#include "db/odbc_error.h"

#include <ctime>
#include <string>
#include <utility>
#include <vector>

class CCmdLineErrHandler : public ODBCErrorHandler {
  public:
    void HandleError(ODBCError* error) override;
    // Writes "<time> -- <text>" as one line; a failure is shown as a notice and costs the entry.
    // Returns whether the line reached the file (or was held).
    bool WriteLog(const std::string& text);

    // While entries are held they are kept, with their times, and written when released: the
    // log may be the very file a report has open, and the two would write over each other.
    void HoldEntries();
    void ReleaseEntries();

    std::string m_logFile = "QuerimoError.log";

  private:
    bool WriteLine(const std::string& text, std::time_t when);

    bool m_holding = false;
    std::vector<std::pair<std::time_t, std::string>> m_held;
};

// Holds a handler's entries for the life of the object.
class HeldLogEntries {
  public:
    explicit HeldLogEntries(CCmdLineErrHandler& handler) : m_handler(handler) {
        m_handler.HoldEntries();
    }
    ~HeldLogEntries() { m_handler.ReleaseEntries(); }
    HeldLogEntries(const HeldLogEntries&) = delete;
    HeldLogEntries& operator=(const HeldLogEntries&) = delete;

  private:
    CCmdLineErrHandler& m_handler;
};

// The time stamp of a log line: month/day/year and 24-hour time, as "%c" gives in the C locale.
std::string FormatLogTime(std::time_t when);
// Entries accumulate only when ".log" stands after the first character of the path.
bool LogPathAccumulates(const std::string& path);
