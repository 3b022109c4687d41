#pragma once
// One diagnostic or application error record, and the receivers of such records.

#include "db/odbc_base.h"

#include <cstddef>
#include <string>

class ODBCError {
  public:
    explicit ODBCError(int32_t tag = 0) : m_tag(tag) {}
    ODBCError(const ODBCError&) = default;
    ODBCError& operator=(const ODBCError&) = default;
    virtual ~ODBCError() = default;

    // A driver that never runs out of records must still end a walk over them.
    static constexpr SQLSMALLINT kMaxRecords = 10000;

    // Reads diagnostic record `number` (from 1) of object's most specific handle; false when
    // there is none.
    bool Load(const ODBCBase& object, const char* source, SQLRETURN ret, SQLSMALLINT number);
    // Writes the message-box text, cut to fit, always terminated when size > 0.
    void FormatBoxText(char* buffer, std::size_t size) const;
    std::string FormatBoxText() const;
    std::string GetText() const;

    // The number shown to people: the native error, or the return code when the driver gave none.
    long DisplayNumber() const;

    SQLRETURN m_retcode = 0;
    SQLCHAR m_sqlState[6] = {};
    std::string m_message;
    SQLINTEGER m_nativeError = 0;
    SQLSMALLINT m_messageLength = 0;
    const char* m_source = nullptr;
    int32_t m_tag = 0;

  private:
    bool ReadRecord(SQLSMALLINT handleType, SQLHANDLE handle, SQLSMALLINT number);
    void AppendColumnNumbers(SQLHSTMT stmt, int columnCount);
};

class ODBCErrorHandler {
  public:
    ODBCErrorHandler() = default;
    ODBCErrorHandler(const ODBCErrorHandler&) = default;
    ODBCErrorHandler& operator=(const ODBCErrorHandler&) = default;
    virtual ~ODBCErrorHandler() = default;

    // Shows the record as an "ODBC Error" notice; the record is only lent for the call.
    virtual void HandleError(ODBCError* error);
};
