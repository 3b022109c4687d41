#include "db/odbc_buffer.h"

#include "db/odbc_stmt.h"

#include <stdexcept>

ODBCBuffer::ODBCBuffer(ODBCStmt* statement, uint16_t rowCount)
    : m_rowCount(rowCount), m_statement(statement) {
    SQLSMALLINT count = 0;
    m_retcode = m_statement->NumResultCols(&count);
    if (!IsSqlSuccess(m_retcode) || count < 0) {
        count = 0;
    }
    m_columns.resize(static_cast<std::size_t>(count));
    if (IsSqlSuccess(m_retcode)) {
        DescribeColumns(count);
    }
}

ODBCBuffer::~ODBCBuffer() = default;

void ODBCBuffer::DescribeColumns(SQLSMALLINT count) {
    for (int i = 1; i <= count && IsSqlSuccess(m_retcode); ++i) {
        auto column = std::make_unique<ODBCColumn>(m_rowCount);
        m_retcode = column->Describe(static_cast<SQLUSMALLINT>(i), *m_statement);
        if (IsSqlSuccess(m_retcode)) {
            column->ChooseBinding();
            column->AllocateBuffers();
        } else {
            m_statement->RaiseError(m_retcode,
                                    "error encountered on descibe '" + column->m_name +
                                        "' (column #" + std::to_string(i) + ")",
                                    "ODBCColumn");
        }
        m_columns[static_cast<std::size_t>(m_columnCount)] = std::move(column);
        ++m_columnCount;
    }
}

SQLRETURN ODBCBuffer::BindCols() {
    SQLRETURN result = 0;
    m_readByGetData = (m_statement->GetDataExtensions() & SQL_GD_BOUND) == 0;
    m_textColumns.clear();
    for (int32_t k = 0; k < m_columnCount; ++k) {
        ODBCColumn& column = *m_columns[static_cast<std::size_t>(k)];
        if (column.IsCharacterBound()) {
            m_textColumns.emplace_back(static_cast<SQLUSMALLINT>(k + 1), &column);
        }
        // Binding no buffer counts the column and leaves it unbound.
        m_retcode = m_statement->BindNextCol(
            static_cast<SQLSMALLINT>(column.m_cType),
            m_readByGetData ? nullptr : column.m_data.data(), column.m_bufferLength,
            m_readByGetData ? nullptr : column.m_indicators.data());
        if (m_retcode == SQL_ERROR) {
            m_statement->RaiseError(
                m_statement->GetRetcode(),
                "Error binding column #" + std::to_string(k + 1) + ": " + column.m_name + "\n",
                "ODBCBuffer::BindCols");
            result = -1;
        }
    }
    return result;
}

SQLRETURN ODBCBuffer::ReadFetchedRow(bool wholeValues) {
    if (m_readByGetData) {
        // Without the driver's leave to read columns in any order, each is read whole before
        // the next.
        for (int32_t k = 0; k < m_columnCount; ++k) {
            ODBCColumn& column = *m_columns[static_cast<std::size_t>(k)];
            const auto number = static_cast<SQLUSMALLINT>(k + 1);
            column.DropWholeValue();
            SQLRETURN ret =
                column.HasTextRule() ? column.GetData(number, *m_statement) : SQL_SUCCESS;
            if (IsSqlSuccess(ret) && wholeValues) {
                ret = column.ReadWholeValue(number, *m_statement, true);
            }
            if (!IsSqlSuccess(ret)) {
                return ret;
            }
        }
        return SQL_SUCCESS;
    }
    for (const auto& [number, column] : m_textColumns) {
        column->DropWholeValue();
        if (wholeValues && column->IsTextCut(0)) {
            const SQLRETURN ret = column->ReadWholeValue(number, *m_statement, false);
            if (!IsSqlSuccess(ret)) {
                return ret;
            }
        }
    }
    return SQL_SUCCESS;
}

ODBCColumn* ODBCBuffer::GetColumn(int index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= m_columns.size()) {
        throw std::invalid_argument("column index " + std::to_string(index) + " out of range");
    }
    return m_columns[static_cast<std::size_t>(index)].get();
}

std::string& ODBCBuffer::GetText(std::string& text, int index, int row) const {
    const ODBCColumn* column = GetColumn(index);
    // A column left undescribed by a failed describe has no value to show.
    text = column != nullptr ? column->GetText(row) : std::string();
    return text;
}
