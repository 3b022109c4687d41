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
    // Writes "<time> -- <text>" as one line, line breaks inside the text written as spaces. A
    // failure is shown as a notice that carries the entry. Returns whether the line reached the
    // file (or was held).
    bool WriteLog(const std::string& text);

    // While entries are held they are kept, with their times, and written when released: the
    // log may be the very file a report writes, and the two would write over each other.
    void HoldEntries();
    // intoLog false: the entries are shown as notices instead, where they harm no file.
    void ReleaseEntries(bool intoLog = true);

    std::string m_logFile = "QuerimoError.log";
    // The file keeps what it held: every entry goes after it, whatever the path.
    bool m_keepExisting = false;

  private:
    bool WriteLine(const std::string& text, std::time_t when);

    bool m_holding = false;
    // An entry of this run is in the file: the next ones go after it.
    bool m_started = false;
    std::vector<std::pair<std::time_t, std::string>> m_held;
};

// Holds a handler's entries for the life of the object.
class HeldLogEntries {
  public:
    explicit HeldLogEntries(CCmdLineErrHandler& handler) : m_handler(handler) {
        m_handler.HoldEntries();
    }
    ~HeldLogEntries() { m_handler.ReleaseEntries(m_intoLog); }
    // The entries are shown as notices when released, not written to the log.
    void KeepOutOfLog() { m_intoLog = false; }
    HeldLogEntries(const HeldLogEntries&) = delete;
    HeldLogEntries& operator=(const HeldLogEntries&) = delete;

  private:
    CCmdLineErrHandler& m_handler;
    bool m_intoLog = true;
};

// The time stamp of a log line: month/day/year and 24-hour time, as "%c" gives in the C locale.
std::string FormatLogTime(std::time_t when);
// Entries of different runs accumulate only when ".log" stands after the first character of
// the path.
bool LogPathAccumulates(const std::string& path);
