// The delimited-text writer.
#include "db/odbc_statement.h"
#include "report/odbc_report.h"
#include "report/report_file.h"

bool ODBCReport::OutputCSV(const std::string& fileName) {
    ReportFile file;
    if (!OpenFile(fileName, file)) {
        return false;
    }
    m_statement->SetWholeValues(true);
    try {
        const bool rowsAffectedFirst = m_statement->GetBoundColumns() == 0;
        if (rowsAffectedFirst) {
            SQLLEN count = 0;
            if (!IsSqlSuccess(m_statement->RowCount(&count))) {
                return false;
            }
            m_rowsAffected = static_cast<int32_t>(count);
            file.WriteText(std::string(1, m_quote) + "Rows affected" + m_quote + "\n" +
                           std::to_string(count) + "\n");
        } else if (m_header) {
            file.WriteText(CsvHeadingLine());
        }
        bool complete = WriteCsvResultSets(file, rowsAffectedFirst);
        m_rowsAffected = m_rowCounter;
        // A short result must not take the place of what the file held.
        if (complete) {
            file.Close();
        }
        return complete;
    } catch (const ReportFileError& error) {
        RaiseFileError(error.what(), "ODBCReport::OutputCSV");
        return false;
    }
}

bool ODBCReport::WriteCsvResultSets(ReportFile& file, bool rowsAffectedFirst) {
    // A set whose columns or rows could not all be read leaves the file short: not a success.
    bool everySetRead = true;
    // Then no number, date or time text needs the check for quoting.
    const bool formattedTextIsPlain =
        !report_text::BreaksCsvLine(ODBCColumn::kFormattedTextCharacters, m_delimiter, m_quote);
    // The rows-affected lines stand for a first result without columns, so the later ones
    // follow it as they follow a first set of rows.
    SQLRETURN more = rowsAffectedFirst ? m_statement->MoreResults() : SQL_SUCCESS;
    for (bool first = !rowsAffectedFirst; IsSqlSuccess(more); first = false) {
        bool readable = true;
        if (!first) {
            SQLSMALLINT count = 0;
            if (IsSqlSuccess(m_statement->NumResultCols(&count))) {
                // Columns that could not be bound must not be read.
                readable = count != 0 && IsSqlSuccess(m_statement->RebindBuffer(1));
                everySetRead = everySetRead && (count == 0 || readable);
                if (readable) {
                    file.WriteText(CsvHeadingLine());
                }
            } else {
                everySetRead = false;
            }
        }
        std::vector<CsvField> fields;
        std::string line;
        std::string text;
        SQLRETURN fetched = SQL_NO_DATA;
        while (readable && IsSqlSuccess(fetched = m_statement->Fetch())) {
            if (fields.empty()) {
                fields = CsvFields(formattedTextIsPlain);
            }
            BuildCsvDataLine(fields, line, text);
            // A row without fields has no line.
            if (!fields.empty()) {
                file.WriteLine(line);
            }
            ++m_rowCounter;
        }
        everySetRead = everySetRead && fetched == SQL_NO_DATA;
        more = m_statement->MoreResults();
    }
    return more == SQL_NO_DATA && everySetRead;
}

std::string ODBCReport::CsvHeadingLine() const {
    std::string line;
    for (int column = 0; column < m_statement->GetBoundColumns(); ++column) {
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

std::vector<ODBCReport::CsvField> ODBCReport::CsvFields(bool formattedTextIsPlain) const {
    std::vector<CsvField> fields;
    for (int index = 0; index < m_statement->GetBoundColumns(); ++index) {
        const ODBCColumn* column = Column(index);
        CsvField::Kind kind = CsvField::kQuoted;
        if (!m_quoteAll && !column->IsTextType()) {
            kind = column->m_sqlType == SQL_BIT                         ? CsvField::kBitNumber
                   : formattedTextIsPlain && column->HasFormattedText() ? CsvField::kPlain
                                                                        : CsvField::kChecked;
        }
        fields.push_back({column, kind});
    }
    return fields;
}

void ODBCReport::BuildCsvDataLine(const std::vector<CsvField>& fields, std::string& line,
                                  std::string& text) const {
    line.clear();
    for (const CsvField& field : fields) {
        const ODBCColumn* column = field.column;
        switch (field.kind) {
            case CsvField::kBitNumber:
                if (!column->IsNull(0) && !column->m_data.empty()) {
                    line += std::to_string(static_cast<unsigned>(column->m_data[0]));
                }
                break;
            case CsvField::kPlain:
                column->AppendText(0, line);
                break;
            case CsvField::kQuoted:
            case CsvField::kChecked:
                // NULL is an empty field without quotes, as readers of CSV take it; an empty
                // text keeps its quotes.
                if (!column->IsNull(0)) {
                    AppendCsvValue(*column, field.kind == CsvField::kQuoted, line, text);
                }
                break;
        }
        line += m_delimiter;
    }
    if (!line.empty()) {
        line.pop_back();
    }
}

void ODBCReport::AppendCsvValue(const ODBCColumn& column, bool quoted, std::string& line,
                                std::string& text) const {
    // Written in place, as most values need no escapes nor, when checked, quotes.
    const std::size_t start = line.size();
    if (quoted) {
        line += m_quote;
    }
    column.AppendText(0, line);
    const std::string_view value(line.data() + start + (quoted ? 1 : 0),
                                 line.size() - start - (quoted ? 1 : 0));
    const bool asWritten =
        quoted ? !report_text::NeedsCsvEscapes(value, m_quote)
               : !value.empty() && !report_text::BreaksCsvLine(value, m_delimiter, m_quote);
    if (asWritten) {
        if (quoted) {
            line += m_quote;
        }
        return;
    }
    text.assign(value);
    line.resize(start);
    report_text::AppendQuotedCsvField(line, text, m_quote);
}
