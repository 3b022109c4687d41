#pragma once
// The described and bound columns of a statement's current result set.

#include "db/odbc_column.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ODBCStmt;

// Indexed from 0; an entry past the last described column is null.
using ODBCColumnArray = std::vector<std::unique_ptr<ODBCColumn>>;

class ODBCBuffer {
  public:
    // Describes the statement's current result set; statement must outlive the buffer. Failures
    // are reported and left in m_retcode.
    ODBCBuffer(ODBCStmt* statement, uint16_t rowCount);
    ODBCBuffer(const ODBCBuffer&) = delete;
    ODBCBuffer& operator=(const ODBCBuffer&) = delete;
    virtual ~ODBCBuffer();

    // Binds every described column after the statement's last bound one: 0, or -1 when any
    // bind failed (the others are still bound). A driver that cannot read the rest of a bound
    // column's value gets every column counted but left unbound, and read by ReadFetchedRow.
    SQLRETURN BindCols();
    // After each fetch: reads the columns left unbound, and with wholeValues the whole of every
    // value longer than its element. Failures are reported.
    SQLRETURN ReadFetchedRow(bool wholeValues);
    // Throws std::invalid_argument for an index outside the result's columns.
    ODBCColumn* GetColumn(int index) const;
    // Fills text with the value of a column for row and returns it; same index check.
    std::string& GetText(std::string& text, int index, int row) const;

    // The result of the last step: the column count, a describe, or a bind.
    SQLRETURN GetRetcode() const { return m_retcode; }
    // Columns made, a column whose describe failed included.
    int32_t GetColumnCount() const { return m_columnCount; }
    // Places for the columns the result has; those past the last one made are empty.
    int GetColumnSlots() const { return static_cast<int>(m_columns.size()); }

  private:
    void DescribeColumns(SQLSMALLINT count);

    SQLRETURN m_retcode = 0;
    uint16_t m_rowCount = 0;
    int32_t m_columnCount = 0;
    ODBCStmt* m_statement = nullptr;
    ODBCColumnArray m_columns;
    // Columns read with SQLGetData after each fetch instead of being bound.
    bool m_readByGetData = false;
    // Those of m_columns whose values may be longer than their element.
    std::vector<std::pair<SQLUSMALLINT, ODBCColumn*>> m_textColumns;
};
