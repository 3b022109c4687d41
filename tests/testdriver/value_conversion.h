// Converts a scripted value (text) into the C type an application bound, with
// ODBC's truncation rules: the text is cut to the buffer, the indicator holds
// the full length and the caller reports 01004.
#pragma once

#include <string>
#include <string_view>

#include "diagnostics.h"
#include "script.h"

namespace querimo::testodbc {

struct TargetBuffer {
    SQLSMALLINT cType = SQL_C_CHAR;
    SQLPOINTER data = nullptr;
    SQLLEN bufferLength = 0;
    SQLLEN* indicator = nullptr;
};

struct WriteOutcome {
    SQLRETURN code = SQL_SUCCESS;  // SQL_SUCCESS, SQL_SUCCESS_WITH_INFO or SQL_ERROR
    DiagRecord diag;               // when code is not SQL_SUCCESS
    size_t nextOffset = 0;         // units delivered so far, for the next piece of SQLGetData
};

// Character, wide and binary targets (and unknown C types, delivered as raw
// bytes) can be read in pieces; every other target in one go.
bool IsPiecewiseType(SQLSMALLINT cType);

// Writes the value from unit `offset` on (bytes, or UTF-16 units for
// SQL_C_WCHAR) into the target.
WriteOutcome WriteValue(const ScriptValue& value, const TargetBuffer& target, size_t offset = 0);

// UTF-8 to UTF-16; a surrogate encoded in UTF-8 passes through, a byte that
// is not UTF-8 becomes U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace querimo::testodbc
