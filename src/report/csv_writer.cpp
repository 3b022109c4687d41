// The delimited-text writer.
#include "db/odbc_statement.h"
#include "report/odbc_report.h"
#include "report/report_file.h"

bool ODBCReport::OutputCSV(const std::string& fileName) {
    ReportFile file;
    if (!OpenFile(fileName, file)) {
        return false;
    }
    try {
        if (m_statement->m_boundColumns == 0) {
            SQLLEN count = 0;
            if (!IsSqlSuccess(m_statement->RowCount(&count))) {
                file.Close();
                return false;
            }
            m_rowsAffected = static_cast<int32_t>(count);
            file.WriteText(std::string(1, m_quote) + "Rows affected" + m_quote + "\n" +
                           std::to_string(count));
            file.Close();
            return true;
        }
        if (m_header) {
            file.WriteText(CsvHeadingLine());
        }
        bool complete = WriteCsvResultSets(file);
        m_rowsAffected = m_rowCounter;
        file.Close();
        return complete;
    } catch (const ReportFileError& error) {
        RaiseFileError(error.what(), "ODBCReport::OutputCSV");
        return false;
    }
}

bool ODBCReport::WriteCsvResultSets(ReportFile& file) {
    bool everySetBound = true;
    SQLRETURN more = SQL_SUCCESS;
    for (bool first = true;; first = false) {
        bool readable = true;
        if (!first) {
            SQLSMALLINT count = 0;
            if (IsSqlSuccess(m_statement->NumResultCols(&count))) {
                // Columns that could not be bound must not be read.
                readable = count != 0 && IsSqlSuccess(m_statement->RebindBuffer(1));
                everySetBound = everySetBound && (count == 0 || readable);
                if (readable) {
                    file.WriteText(CsvHeadingLine());
                }
            }
        }
        while (readable && IsSqlSuccess(m_statement->Fetch())) {
            file.WriteText(CsvDataLine());
            ++m_rowCounter;
        }
        more = m_statement->MoreResults();
        if (!IsSqlSuccess(more)) {
            break;
        }
    }
    return more == SQL_NO_DATA && everySetBound;
}

std::string ODBCReport::CsvHeadingLine() const {
    std::string line;
    for (int column = 0; column < m_statement->m_boundColumns; ++column) {
        line += m_quote;
        line += Column(column)->m_name;
        line += m_quote;
        line += m_delimiter;
    }
    if (!line.empty()) {
        line.back() = '\n';
    }
    return line;
}

std::string ODBCReport::CsvDataLine() const {
    std::string line;
    for (int index = 0; index < m_statement->m_boundColumns; ++index) {
        const ODBCColumn* column = Column(index);
        std::string text = column->GetText(0);
        bool quoted = m_quoteAll || column->IsTextType();
        if (!quoted && column->m_sqlType == SQL_BIT) {
            bool isNull = !column->m_indicators.empty() && column->m_indicators[0] == SQL_NULL_DATA;
            text = isNull || column->m_data.empty()
                       ? std::string()
                       : std::to_string(static_cast<unsigned>(column->m_data[0]));
        } else if (!quoted) {
            quoted = report_text::BreaksCsvLine(text, m_delimiter, m_quote);
        }
        line += quoted ? report_text::QuotedCsvField(text, m_quote) : text;
        line += m_delimiter;
    }
    if (!line.empty()) {
        line.back() = '\n';
    }
    return line;
}
