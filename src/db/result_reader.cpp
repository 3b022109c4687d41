#include "db/result_reader.h"

#include "db/sql_pieces.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace querimo {

namespace {

constexpr int kPumpInterval = 10;

std::string LineNumberText(int number) {
    std::string text;
    WriteLineNumber(number, text);
    return text;
}

std::vector<ResultCell> Cells(std::initializer_list<std::string> texts) {
    std::vector<ResultCell> cells;
    for (const std::string& text : texts) {
        cells.push_back({text, false});
    }
    return cells;
}

bool IsNullValue(const ODBCColumn* column) {
    return column != nullptr && !column->m_indicators.empty() &&
           column->m_indicators[0] == SQL_NULL_DATA;
}

}  // namespace

// One of these is made for every fetched row, so it goes into text's own storage.
void WriteLineNumber(int number, std::string& text) {
    char digits[16];
    char* end = std::to_chars(std::begin(digits), std::end(digits), number).ptr;
    text.assign(digits, end);
    if (number >= 0 && number < 10) {
        text.insert(text.begin(), '0');
    }
}

ResultReader::ResultReader(ODBCConnect* connection, uint32_t maxRows, ResultSink& sink)
    : m_statement(connection, &m_session), m_sink(sink), m_maxRows(maxRows) {
    // Rows are read once; forward-only is every driver's default and needs no call.
    if (const SQLULEN cursor = m_statement.SinglePassCursorType();
        cursor != SQL_CURSOR_FORWARD_ONLY) {
        m_statement.SetStmtAttr(SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(cursor),
                                SQL_IS_INTEGER);
    }
}

bool ResultReader::Run(const std::vector<std::string>& statements) {
    Outcome outcome = Outcome::ResultsShown;
    for (const std::string& sql : statements) {
        // A statement left early keeps its cursor open, and drivers refuse to prepare on it.
        if (m_statementIndex > 0 && !IsSqlSuccess(m_statement.CloseCursor())) {
            return false;
        }
        outcome = RunStatement(sql);
        if (outcome == Outcome::EndRun) {
            return false;
        }
        // After "Query cancelled by user" nothing more may change the database.
        if (m_cancelled) {
            return true;
        }
        ++m_statementIndex;
    }
    return outcome == Outcome::ResultsShown;
}

ResultReader::Outcome ResultReader::RunStatement(const std::string& sql) {
    if (HasParameterMarker(sql)) {
        return RunParameterStatement(sql);
    }
    const bool hadBuffer = m_statement.GetBuffer() != nullptr;
    SQLRETURN ret = m_statement.PrepareCommand(ODBCCommand(sql.c_str()));
    // The buffer is built at the first preparation only; a query after a statement without
    // result columns would otherwise be taken for one without results and lose its rows.
    if (IsSqlSuccess(ret) && hadBuffer && m_statement.GetBoundColumns() == 0) {
        ret = m_statement.RebindBuffer(1);
    }
    if (!IsSqlSuccess(ret) || !m_statement.IsConnected()) {
        return Outcome::EndRun;
    }
    ret = m_statement.Execute();
    if (!IsSqlSuccess(ret) && ret != SQL_NO_DATA) {
        return Outcome::EndRun;
    }
    if (m_statement.GetBoundColumns() == 0) {
        ShowRowCount();
    }
    if (m_statement.IsConnected() && m_statement.GetBoundColumns() != 0) {
        ShowResultSets();
        return Outcome::ResultsShown;
    }
    return Outcome::Next;
}

ResultReader::Outcome ResultReader::RunParameterStatement(const std::string& sql) {
    if (!IsSqlSuccess(m_statement.Prepare(sql.c_str())) || !m_statement.IsConnected()) {
        return Outcome::EndRun;
    }
    OutputParameter& parameter = m_parameters.emplace_back();
    if (!IsSqlSuccess(m_statement.BindNextParameter(SQL_PARAM_OUTPUT, SQL_C_LONG, SQL_INTEGER, 0, 0,
                                                    &parameter.value, 0, &parameter.indicator)) ||
        !IsSqlSuccess(m_statement.Execute())) {
        return Outcome::Next;
    }
    if (m_statementIndex == 0) {
        m_sink.InsertCountColumn("Output param result");
    }
    // A NULL result is shown as one, not as the value the integer was preset to.
    const bool isNull = parameter.indicator == SQL_NULL_DATA;
    m_sink.InsertLine(m_statementIndex,
                      {{isNull ? std::string() : std::to_string(parameter.value), isNull}});
    return Outcome::Next;
}

void ResultReader::ShowRowCount() {
    SQLLEN count = 0;
    if (!IsSqlSuccess(m_statement.RowCount(&count))) {
        return;
    }
    if (m_statementIndex == 0) {
        m_sink.InsertCountColumn("Rows affected");
    }
    m_sink.InsertLine(m_statementIndex, Cells({std::to_string(count)}));
}

void ResultReader::ShowResultSets() {
    if (m_firstResult) {
        m_sink.InsertResultColumns(m_statement);
    }
    if (!m_fetching) {
        m_fetching = true;
        m_sink.BeginFetching();
    }
    for (;;) {
        ReadResultSet();
        SQLRETURN more = SQL_NO_DATA;
        if (!m_stop) {
            more = m_statement.MoreResults();
        }
        m_firstResult = false;
        if (!IsSqlSuccess(more) || m_stop) {
            return;
        }
    }
}

// One result set, up to its end, a fetch error, the row limit or a cancel.
void ResultReader::ReadResultSet() {
    SQLSMALLINT columns = 0;
    if (!IsSqlSuccess(m_statement.NumResultCols(&columns)) || columns == 0) {
        return;
    }
    // A set whose columns cannot all be described and bound is passed over: its lines would
    // hold blanks or values that never came from the database.
    if (!m_firstResult &&
        (!IsSqlSuccess(m_statement.RebindBuffer(1)) || m_statement.GetBoundColumns() == 0)) {
        return;
    }
    // Looked up once: every row of the set reads the same columns.
    m_columns.clear();
    for (int i = 0; i < m_statement.GetBoundColumns(); ++i) {
        m_columns.push_back(m_statement.GetBoundColumn(i));
    }
    m_lineNumber = m_line + 1;
    int rowsInSet = 0;
    SQLLEN reportedRows = 0;
    while (IsSqlSuccess(m_statement.Fetch())) {
        if (!m_firstResult && rowsInSet == 0) {
            InsertSubHeading();
        }
        if (reportedRows == 0 && rowsInSet == 0) {
            m_statement.RowCount(&reportedRows);
        }
        InsertDataLine();
        ++rowsInSet;
        if (rowsInSet % kPumpInterval == 0) {
            Pump(rowsInSet, reportedRows);
        }
        ++m_line;
        ++m_lineNumber;
        CheckRowLimit();
        if (m_stop) {
            return;
        }
    }
}

void ResultReader::InsertSubHeading() {
    std::vector<ResultCell> names = Cells({"SubHeading:"});
    for (int i = 0; i < m_statement.GetBoundColumns(); ++i) {
        const ODBCColumn* column = m_statement.GetBoundColumn(i);
        names.push_back({column != nullptr ? column->m_name : std::string(), false});
    }
    m_sink.InsertLine(m_line, names);
    ++m_line;
    ++m_lineNumber;
}

void ResultReader::InsertDataLine() {
    m_cells.resize(m_columns.size() + 1);
    WriteLineNumber(m_lineNumber, m_cells[0].text);
    m_cells[0].isNull = false;
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const ODBCColumn* column = m_columns[i];
        ResultCell& cell = m_cells[i + 1];
        // Written into the cell's own storage, which the next row reuses.
        cell.text.clear();
        if (column != nullptr) {
            column->AppendText(0, cell.text);
        }
        cell.isNull = cell.text.empty() && IsNullValue(column);
        cell.isCut = column != nullptr && column->IsTextCut(0);
    }
    m_sink.InsertLine(m_line, m_cells);
    ++m_rowsFetched;
}

void ResultReader::Pump(int rowsInSet, SQLLEN reportedRows) {
    int percent = -1;
    if (reportedRows > 0) {
        percent = static_cast<int>(
            std::min(rowsInSet / static_cast<double>(reportedRows) * 100.0, 1000.0));
    }
    if (!m_sink.Pump(percent)) {
        return;
    }
    m_stop = true;
    m_cancelled = true;
    m_sink.InsertLine(m_line + 1, Cells({LineNumberText(m_line + 2), "Query cancelled by user"}));
}

// Lines count over the whole run, sub-headings included. A sub-heading can carry the count past
// the limit without a data line at it, so reaching or passing the limit stops.
void ResultReader::CheckRowLimit() {
    if (m_maxRows == 0 || static_cast<uint32_t>(m_line) < m_maxRows) {
        return;
    }
    if (!m_limitNoted) {
        m_limitNoted = true;
        m_sink.RowLimitReached(m_maxRows);
    }
    m_stop = true;
}

}  // namespace querimo
