#pragma once
// One statement handle on a shared connection, with one checked wrapper per statement call.

#include "db/odbc_connect.h"

#include <cstdint>
#include <optional>

class ODBCStmt : public ODBCConnect {
  public:
    // Shares the connection's handle and reports to the calling thread's handler; connection
    // must not be null. A failed allocation leaves m_stmt null and the object usable.
    explicit ODBCStmt(ODBCConnect* connection);
    ODBCStmt(const ODBCStmt&) = delete;
    ODBCStmt& operator=(const ODBCStmt&) = delete;
    ~ODBCStmt() override;

    SQLHSTMT GetStmtHandle() const override { return m_stmt; }
    // Columns bound for the current result set, which the callers take as its column count.
    int GetBoundColumns() const override { return m_boundColumns; }
    uint16_t GetParamCount() const { return m_paramCount; }
    bool IsConnected() const override;
    virtual SQLRETURN Execute();
    virtual SQLRETURN Fetch();
    virtual SQLRETURN Prepare(const char* sql);

    SQLRETURN BindCol(SQLUSMALLINT icol, SQLSMALLINT fCType, SQLPOINTER rgbValue, SQLLEN cbValueMax,
                      SQLLEN* pcbValue);
    // Binds the column after the last one bound.
    SQLRETURN BindNextCol(SQLSMALLINT fCType, SQLPOINTER rgbValue, SQLLEN cbValueMax,
                          SQLLEN* pcbValue);
    SQLRETURN BindParameter(SQLUSMALLINT ipar, SQLSMALLINT fParamType, SQLSMALLINT fCType,
                            SQLSMALLINT fSqlType, SQLULEN cbColDef, SQLSMALLINT ibScale,
                            SQLPOINTER rgbValue, SQLLEN cbValueMax, SQLLEN* pcbValue);
    // Binds the parameter after the last one bound; the count is never reset.
    SQLRETURN BindNextParameter(SQLSMALLINT fParamType, SQLSMALLINT fCType, SQLSMALLINT fSqlType,
                                SQLULEN cbColDef, SQLSMALLINT ibScale, SQLPOINTER rgbValue,
                                SQLLEN cbValueMax, SQLLEN* pcbValue);
    SQLRETURN Unbind();
    // Leaves the current result set, rows and later results unread, so that the statement can
    // be prepared again; a statement without an open cursor is left as it is.
    SQLRETURN CloseCursor();
    SQLRETURN NumResultCols(SQLSMALLINT* columnCountPtr);
    SQLRETURN DescribeCol(SQLUSMALLINT columnNumber, SQLCHAR* columnName, SQLSMALLINT bufferLength,
                          SQLSMALLINT* nameLengthPtr, SQLSMALLINT* dataTypePtr,
                          SQLULEN* columnSizePtr, SQLSMALLINT* decimalDigitsPtr,
                          SQLSMALLINT* nullablePtr);
    SQLRETURN SetStmtAttr(SQLINTEGER Attribute, SQLPOINTER ValuePtr, SQLINTEGER StringLength);
    SQLRETURN RowCount(SQLLEN* pcrow);
    SQLRETURN GetData(SQLUSMALLINT columnNumber, SQLSMALLINT targetType, SQLPOINTER targetValue,
                      SQLLEN bufferLength, SQLLEN* strLenOrInd);
    // Asks the driver about the statement's connection.
    SQLRETURN GetInfo(SQLUSMALLINT infoType, SQLPOINTER infoValue, SQLSMALLINT bufferLength,
                      SQLSMALLINT* stringLength);
    // The cursor type under which this driver reads a result once at the least cost.
    SQLULEN SinglePassCursorType();
    // The driver's SQL_GETDATA_EXTENSIONS, asked once; 0 when it cannot tell.
    SQLUINTEGER GetDataExtensions();
    // Stands in for the driver's answer, for a driver known to claim more than it does.
    void SetDataExtensions(SQLUINTEGER extensions) { m_getDataExtensions = extensions; }
    SQLRETURN MoreResults();
    // Drops the handle without reporting anything; safe to call more than once.
    void FreeHandle();

  protected:
    // The next BindNextCol binds one more.
    uint16_t m_boundColumns = 0;

  private:
    SQLHSTMT m_stmt = nullptr;
    // Never reset: a later parameter piece binds the next number.
    uint16_t m_paramCount = 0;
    std::optional<SQLUINTEGER> m_getDataExtensions;
};
