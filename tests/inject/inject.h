#pragma once
// Failures armed for the n-th call of an ODBC function, over the real driver manager and
// drivers. Test executables that link this layer reach the driver manager through it; the
// program gets it with LD_PRELOAD, armed by QUERIMO_INJECT="SQLFetch:3:08S01[:native[:message]]"
// (several arms separated by ';').

#include <sql.h>
#include <sqlext.h>

#include <functional>
#include <string>
#include <vector>

namespace inject {

struct Record {
    std::string state;
    SQLINTEGER native = 0;
    std::string message;
    SQLINTEGER column = SQL_NO_COLUMN_NUMBER;
};

// The n-th call of function, counted from the last Reset, returns code without reaching the
// driver, and the diagnostic functions report records for the handle it was given.
void Fail(const std::string& function, int nth, std::vector<Record> records,
          SQLRETURN code = SQL_ERROR);
// Runs action just before the n-th call of function reaches the driver; the calls action makes
// are neither counted nor failed.
void Before(const std::string& function, int nth, std::function<void()> action);
// Disarms everything and sets the counts to 0.
void Reset();
int Calls(const std::string& function);
// Statement handles allocated and not yet dropped, since the process began.
int OpenStatements();

}  // namespace inject
