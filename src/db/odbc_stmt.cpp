#include "db/odbc_stmt.h"

#include <string_view>

ODBCStmt::ODBCStmt(ODBCConnect* connection) : ODBCConnect(*connection) {
    if (!IsSqlSuccess(Call("::SQLAllocStmt(GetDbcHandle(), &m_stmt)", SQLAllocStmt, GetDbcHandle(),
                           &m_stmt))) {
        m_stmt = nullptr;
    }
}

ODBCStmt::~ODBCStmt() {
    FreeHandle();
}

bool ODBCStmt::IsConnected() const {
    return ODBCConnect::IsConnected() && m_stmt != nullptr;
}

SQLRETURN ODBCStmt::Execute() {
    return Call("::SQLExecute(m_stmt)", SQLExecute, m_stmt);
}

SQLRETURN ODBCStmt::Fetch() {
    return Call("::SQLFetch(m_stmt)", SQLFetch, m_stmt);
}

SQLRETURN ODBCStmt::Prepare(const char* sql) {
    return Call("::SQLPrepare(m_stmt, (SQLCHAR *)sql, SQL_NTS)", SQLPrepare, m_stmt,
                reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS);
}

SQLRETURN ODBCStmt::BindCol(SQLUSMALLINT icol, SQLSMALLINT fCType, SQLPOINTER rgbValue,
                            SQLLEN cbValueMax, SQLLEN* pcbValue) {
    if (pcbValue != nullptr) {
        *pcbValue = fCType == SQL_C_CHAR ? SQL_NTS : cbValueMax;
    }
    return Call("::SQLBindCol(m_stmt, icol, fCType, rgbValue, cbValueMax, pcbValue)", SQLBindCol,
                m_stmt, icol, fCType, rgbValue, cbValueMax, pcbValue);
}

SQLRETURN ODBCStmt::BindNextCol(SQLSMALLINT fCType, SQLPOINTER rgbValue, SQLLEN cbValueMax,
                                SQLLEN* pcbValue) {
    ++m_boundColumns;
    return BindCol(m_boundColumns, fCType, rgbValue, cbValueMax, pcbValue);
}

SQLRETURN ODBCStmt::BindParameter(SQLUSMALLINT ipar, SQLSMALLINT fParamType, SQLSMALLINT fCType,
                                  SQLSMALLINT fSqlType, SQLULEN cbColDef, SQLSMALLINT ibScale,
                                  SQLPOINTER rgbValue, SQLLEN cbValueMax, SQLLEN* pcbValue) {
    return Call(
        "::SQLBindParameter(m_stmt, ipar, fParamType, fCType, fSqlType, cbColDef, ibScale, "
        "rgbValue, cbValueMax, pcbValue)",
        SQLBindParameter, m_stmt, ipar, fParamType, fCType, fSqlType, cbColDef, ibScale, rgbValue,
        cbValueMax, pcbValue);
}

SQLRETURN ODBCStmt::BindNextParameter(SQLSMALLINT fParamType, SQLSMALLINT fCType,
                                      SQLSMALLINT fSqlType, SQLULEN cbColDef, SQLSMALLINT ibScale,
                                      SQLPOINTER rgbValue, SQLLEN cbValueMax, SQLLEN* pcbValue) {
    ++m_paramCount;
    return BindParameter(m_paramCount, fParamType, fCType, fSqlType, cbColDef, ibScale, rgbValue,
                         cbValueMax, pcbValue);
}

SQLRETURN ODBCStmt::Unbind() {
    m_boundColumns = 0;
    return Call("::SQLFreeStmt(m_stmt, SQL_UNBIND)", SQLFreeStmt, m_stmt, SQL_UNBIND);
}

SQLRETURN ODBCStmt::CloseCursor() {
    return Call("::SQLFreeStmt(m_stmt, SQL_CLOSE)", SQLFreeStmt, m_stmt, SQL_CLOSE);
}

SQLRETURN ODBCStmt::NumResultCols(SQLSMALLINT* columnCountPtr) {
    return Call("::SQLNumResultCols(m_stmt, columnCountPtr)", SQLNumResultCols, m_stmt,
                columnCountPtr);
}

SQLRETURN ODBCStmt::DescribeCol(SQLUSMALLINT columnNumber, SQLCHAR* columnName,
                                SQLSMALLINT bufferLength, SQLSMALLINT* nameLengthPtr,
                                SQLSMALLINT* dataTypePtr, SQLULEN* columnSizePtr,
                                SQLSMALLINT* decimalDigitsPtr, SQLSMALLINT* nullablePtr) {
    return Call(
        "::SQLDescribeCol(m_stmt, columnNumber, columnName, bufferLength, nameLengthPtr, "
        "dataTypePtr, columnSizePtr, decimalDigitsPtr, nullablePtr)",
        SQLDescribeCol, m_stmt, columnNumber, columnName, bufferLength, nameLengthPtr, dataTypePtr,
        columnSizePtr, decimalDigitsPtr, nullablePtr);
}

SQLRETURN ODBCStmt::SetStmtAttr(SQLINTEGER Attribute, SQLPOINTER ValuePtr,
                                SQLINTEGER StringLength) {
    return Call("::SQLSetStmtAttr(m_stmt, Attribute, ValuePtr, StringLength)", SQLSetStmtAttr,
                m_stmt, Attribute, ValuePtr, StringLength);
}

SQLRETURN ODBCStmt::RowCount(SQLLEN* pcrow) {
    return Call("::SQLRowCount(m_stmt, pcrow)", SQLRowCount, m_stmt, pcrow);
}

SQLRETURN ODBCStmt::GetData(SQLUSMALLINT columnNumber, SQLSMALLINT targetType,
                            SQLPOINTER targetValue, SQLLEN bufferLength, SQLLEN* strLenOrInd) {
    return Call("::SQLGetData(m_stmt, columnNumber, targetType, targetValue, bufferLength, "
                "strLenOrInd)",
                SQLGetData, m_stmt, columnNumber, targetType, targetValue, bufferLength,
                strLenOrInd);
}

SQLRETURN ODBCStmt::GetInfo(SQLUSMALLINT infoType, SQLPOINTER infoValue, SQLSMALLINT bufferLength,
                            SQLSMALLINT* stringLength) {
    return Call("::SQLGetInfo(m_dbc, infoType, infoValue, bufferLength, stringLength)",
                SQLGetInfo, GetDbcHandle(), infoType, infoValue, bufferLength, stringLength);
}

SQLULEN ODBCStmt::SinglePassCursorType() {
    SQLCHAR name[64] = {};
    if (m_stmt == nullptr ||
        !IsSqlSuccess(GetInfo(SQL_DRIVER_NAME, name, sizeof(name), nullptr))) {
        return SQL_CURSOR_FORWARD_ONLY;
    }
    // psqlodbc runs a prepared forward-only query as a named server-side statement and holds its
    // whole result twice while reading it in; for a static cursor it sends the query text and
    // holds the result once. Other drivers stream best forward-only: sqliteodbc, for one, reads
    // a static result whole before the first row.
    const std::string_view driver(reinterpret_cast<const char*>(name));
    return driver.starts_with("psqlodbc") ? SQL_CURSOR_STATIC : SQL_CURSOR_FORWARD_ONLY;
}

SQLUINTEGER ODBCStmt::GetDataExtensions() {
    if (!m_getDataExtensions) {
        SQLUINTEGER extensions = 0;
        if (!IsSqlSuccess(
                GetInfo(SQL_GETDATA_EXTENSIONS, &extensions, sizeof(extensions), nullptr))) {
            extensions = 0;
        }
        m_getDataExtensions = extensions;
    }
    return *m_getDataExtensions;
}

SQLRETURN ODBCStmt::MoreResults() {
    return Call("::SQLMoreResults(m_stmt)", SQLMoreResults, m_stmt);
}

void ODBCStmt::FreeHandle() {
    if (m_stmt != nullptr) {
        // Nothing to report: the handle goes whatever the driver says.
        SQLFreeStmt(m_stmt, SQL_DROP);
        m_stmt = nullptr;
    }
}
