#include "db/odbc_stmt.h"

ODBCStmt::ODBCStmt(ODBCConnect* connection) : ODBCConnect(*connection) {
    SQLRETURN ret = SQLAllocStmt(m_dbc, &m_stmt);
    m_retcode = CheckReturn(ret, "::SQLAllocStmt(GetDbcHandle(), &m_stmt)");
    if (!IsSqlSuccess(ret)) {
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
    m_retcode = CheckReturn(SQLExecute(m_stmt), "::SQLExecute(m_stmt)");
    return m_retcode;
}

SQLRETURN ODBCStmt::Fetch() {
    m_retcode = CheckReturn(SQLFetch(m_stmt), "::SQLFetch(m_stmt)");
    return m_retcode;
}

SQLRETURN ODBCStmt::Prepare(const char* sql) {
    SQLRETURN ret = SQLPrepare(m_stmt, reinterpret_cast<SQLCHAR*>(const_cast<char*>(sql)), SQL_NTS);
    m_retcode = CheckReturn(ret, "::SQLPrepare(m_stmt, (SQLCHAR *)sql, SQL_NTS)");
    return m_retcode;
}

SQLRETURN ODBCStmt::BindCol(SQLUSMALLINT icol, SQLSMALLINT fCType, SQLPOINTER rgbValue,
                            SQLLEN cbValueMax, SQLLEN* pcbValue) {
    if (pcbValue != nullptr) {
        *pcbValue = fCType == SQL_C_CHAR ? SQL_NTS : cbValueMax;
    }
    SQLRETURN ret = SQLBindCol(m_stmt, icol, fCType, rgbValue, cbValueMax, pcbValue);
    m_retcode =
        CheckReturn(ret, "::SQLBindCol(m_stmt, icol, fCType, rgbValue, cbValueMax, pcbValue)");
    return m_retcode;
}

SQLRETURN ODBCStmt::BindNextCol(SQLSMALLINT fCType, SQLPOINTER rgbValue, SQLLEN cbValueMax,
                                SQLLEN* pcbValue) {
    ++m_boundColumns;
    return BindCol(m_boundColumns, fCType, rgbValue, cbValueMax, pcbValue);
}

SQLRETURN ODBCStmt::BindParameter(SQLUSMALLINT ipar, SQLSMALLINT fParamType, SQLSMALLINT fCType,
                                  SQLSMALLINT fSqlType, SQLULEN cbColDef, SQLSMALLINT ibScale,
                                  SQLPOINTER rgbValue, SQLLEN cbValueMax, SQLLEN* pcbValue) {
    SQLRETURN ret = SQLBindParameter(m_stmt, ipar, fParamType, fCType, fSqlType, cbColDef, ibScale,
                                     rgbValue, cbValueMax, pcbValue);
    m_retcode = CheckReturn(ret,
                            "::SQLBindParameter(m_stmt, ipar, fParamType, fCType, fSqlType, "
                            "cbColDef, ibScale, rgbValue, cbValueMax, pcbValue)");
    return m_retcode;
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
    m_retcode = CheckReturn(SQLFreeStmt(m_stmt, SQL_UNBIND), "::SQLFreeStmt(m_stmt, SQL_UNBIND)");
    return m_retcode;
}

SQLRETURN ODBCStmt::NumResultCols(SQLSMALLINT* columnCountPtr) {
    m_retcode = CheckReturn(SQLNumResultCols(m_stmt, columnCountPtr),
                            "::SQLNumResultCols(m_stmt, columnCountPtr)");
    return m_retcode;
}

SQLRETURN ODBCStmt::DescribeCol(SQLUSMALLINT columnNumber, SQLCHAR* columnName,
                                SQLSMALLINT bufferLength, SQLSMALLINT* nameLengthPtr,
                                SQLSMALLINT* dataTypePtr, SQLULEN* columnSizePtr,
                                SQLSMALLINT* decimalDigitsPtr, SQLSMALLINT* nullablePtr) {
    SQLRETURN ret = SQLDescribeCol(m_stmt, columnNumber, columnName, bufferLength, nameLengthPtr,
                                   dataTypePtr, columnSizePtr, decimalDigitsPtr, nullablePtr);
    m_retcode = CheckReturn(ret,
                            "::SQLDescribeCol(m_stmt, columnNumber, columnName, bufferLength, "
                            "nameLengthPtr, dataTypePtr, columnSizePtr, decimalDigitsPtr, "
                            "nullablePtr)");
    return m_retcode;
}

SQLRETURN ODBCStmt::SetStmtAttr(SQLINTEGER Attribute, SQLPOINTER ValuePtr,
                                SQLINTEGER StringLength) {
    m_retcode = CheckReturn(SQLSetStmtAttr(m_stmt, Attribute, ValuePtr, StringLength),
                            "::SQLSetStmtAttr(m_stmt, Attribute, ValuePtr, StringLength)");
    return m_retcode;
}

SQLRETURN ODBCStmt::RowCount(SQLLEN* pcrow) {
    m_retcode = CheckReturn(SQLRowCount(m_stmt, pcrow), "::SQLRowCount(m_stmt, pcrow)");
    return m_retcode;
}

SQLRETURN ODBCStmt::GetData(SQLUSMALLINT columnNumber, SQLSMALLINT targetType,
                            SQLPOINTER targetValue, SQLLEN bufferLength, SQLLEN* strLenOrInd) {
    SQLRETURN ret =
        SQLGetData(m_stmt, columnNumber, targetType, targetValue, bufferLength, strLenOrInd);
    m_retcode = CheckReturn(ret,
                            "::SQLGetData(m_stmt, columnNumber, targetType, targetValue, "
                            "bufferLength, strLenOrInd)");
    return m_retcode;
}

SQLRETURN ODBCStmt::GetInfo(SQLUSMALLINT infoType, SQLPOINTER infoValue, SQLSMALLINT bufferLength,
                            SQLSMALLINT* stringLength) {
    m_retcode = CheckReturn(SQLGetInfo(m_dbc, infoType, infoValue, bufferLength, stringLength),
                            "::SQLGetInfo(m_dbc, infoType, infoValue, bufferLength, stringLength)");
    return m_retcode;
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
    m_retcode = CheckReturn(SQLMoreResults(m_stmt), "::SQLMoreResults(m_stmt)");
    return m_retcode;
}

void ODBCStmt::FreeHandle() {
    if (m_stmt != nullptr) {
        SQLFreeStmt(m_stmt, SQL_DROP);
        m_stmt = nullptr;
    }
}
