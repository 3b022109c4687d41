// Diagnostic records of one handle, as SQLGetDiagRec, SQLGetDiagField and
// SQLError hand them out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "odbc_api.h"

namespace querimo::testodbc {

struct DiagRecord {
    std::string sqlState;  // empty or up to five characters
    SQLINTEGER nativeError = 0;
    std::string message;
    SQLINTEGER columnNumber = SQL_NO_COLUMN_NUMBER;
    SQLLEN rowNumber = SQL_NO_ROW_NUMBER;
};

DiagRecord MakeDiag(std::string sqlState, std::string message,
                    SQLINTEGER columnNumber = SQL_NO_COLUMN_NUMBER);

// The records of the last call made on a handle. Every entry point except the
// diagnostic ones clears it first, as ODBC requires.
class DiagArea {
  public:
    void Clear();
    void Add(DiagRecord record);
    void AddAll(const std::vector<DiagRecord>& records);
    SQLRETURN Finish(SQLRETURN returnCode);

    const std::vector<DiagRecord>& Records() const { return records_; }
    // Record by 1-based number, or null past the last one.
    const DiagRecord* Record(SQLSMALLINT number) const;
    SQLRETURN ReturnCode() const { return returnCode_; }
    // SQLError returns each record once, in order.
    const DiagRecord* TakeNextForSqlError();

  private:
    std::vector<DiagRecord> records_;
    size_t sqlErrorNext_ = 0;
    SQLRETURN returnCode_ = SQL_SUCCESS;
};

// Copies text into an application buffer of bufferLength bytes, cut and
// NUL-terminated when it does not fit; returns true when it was cut.
bool CopyText(std::string_view text, SQLPOINTER buffer, SQLLEN bufferLength);

template <class Length>
void StoreLength(Length* lengthPtr, size_t length) {
    if (lengthPtr != nullptr) {
        *lengthPtr = static_cast<Length>(length);
    }
}

// CopyText plus the length output and the 01004 warning that go with it.
template <class Length>
SQLRETURN ReturnText(DiagArea& diags, std::string_view text, SQLPOINTER buffer, SQLLEN bufferLength,
                     Length* lengthPtr) {
    StoreLength(lengthPtr, text.size());
    if (CopyText(text, buffer, bufferLength)) {
        diags.Add(MakeDiag("01004", "String data, right truncated"));
        return SQL_SUCCESS_WITH_INFO;
    }
    return SQL_SUCCESS;
}

}  // namespace querimo::testodbc
