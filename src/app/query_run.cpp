#include "app/query_run.h"

#include "app/querimo_dlg.h"
#include "app/result_columns.h"
#include "app/sql_pieces.h"
#include "ui/result_grid_model.h"
#include "ui/wait_progress_dlg.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace {

constexpr int kPumpInterval = 10;
constexpr int kCountColumnWidth = 100;

// Like "%02d", into text's own storage: one of these is made for every fetched row.
void WriteLineNumber(int number, std::string& text) {
    char digits[16];
    char* end = std::to_chars(std::begin(digits), std::end(digits), number).ptr;
    text.assign(digits, end);
    if (number >= 0 && number < 10) {
        text.insert(text.begin(), '0');
    }
}

std::string LineNumberText(int number) {
    std::string text;
    WriteLineNumber(number, text);
    return text;
}

bool IsNullValue(const ODBCColumn* column) {
    return column != nullptr && !column->m_indicators.empty() &&
           column->m_indicators[0] == SQL_NULL_DATA;
}

}  // namespace

QueryRun::QueryRun(CQuerimoDlg& window, ODBCConnect* connection)
    : m_statement(connection, &m_session), m_window(window), m_grid(*window.m_resultList) {}

QueryRun::~QueryRun() {
    CloseProgress();
}

bool QueryRun::Run(const std::vector<std::string>& statements) {
    Outcome outcome = Outcome::ResultsShown;
    for (const std::string& sql : statements) {
        outcome = RunStatement(sql);
        if (outcome == Outcome::EndRun) {
            break;
        }
        ++m_statementIndex;
    }
    CloseProgress();
    m_grid.Flush();
    return outcome == Outcome::ResultsShown;
}

QueryRun::Outcome QueryRun::RunStatement(const std::string& sql) {
    if (querimo::HasParameterMarker(sql)) {
        return RunParameterStatement(sql);
    }
    const bool hadBuffer = m_statement.m_buffer != nullptr;
    SQLRETURN ret = m_statement.PrepareCommand(ODBCCommand(sql.c_str()));
    // The buffer is built at the first preparation only; a query after a statement without
    // result columns would otherwise be taken for one without results and lose its rows.
    if (IsSqlSuccess(ret) && hadBuffer && m_statement.m_boundColumns == 0) {
        ret = m_statement.RebindBuffer(1);
    }
    if (!IsSqlSuccess(ret) || !m_statement.IsConnected()) {
        return Outcome::EndRun;
    }
    ret = m_statement.Execute();
    if (!IsSqlSuccess(ret) && ret != SQL_NO_DATA) {
        return Outcome::EndRun;
    }
    if (m_statement.m_boundColumns == 0) {
        ShowRowCount();
    }
    if (m_statement.IsConnected() && m_statement.m_boundColumns != 0) {
        ShowResultSets();
        return Outcome::ResultsShown;
    }
    return Outcome::Next;
}

QueryRun::Outcome QueryRun::RunParameterStatement(const std::string& sql) {
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
        m_window.InsertGridColumn(0, "Output param result", Qt::AlignLeft, kCountColumnWidth);
    }
    // A NULL result is shown as one, not as the value the integer was preset to.
    const bool isNull = parameter.indicator == SQL_NULL_DATA;
    m_grid.InsertLine(m_statementIndex,
                      std::vector<querimo::GridCell>{
                          {isNull ? std::string() : std::to_string(parameter.value), isNull}});
    return Outcome::Next;
}

void QueryRun::ShowRowCount() {
    SQLLEN count = 0;
    if (!IsSqlSuccess(m_statement.RowCount(&count))) {
        return;
    }
    if (m_statementIndex == 0) {
        m_window.InsertGridColumn(0, "Rows affected", Qt::AlignLeft, kCountColumnWidth);
    }
    m_grid.InsertLine(m_statementIndex, std::vector<std::string>{std::to_string(count)});
}

void QueryRun::ShowResultSets() {
    if (m_firstResult) {
        m_window.InsertResultColumns(m_statement);
    }
    if (!m_progress) {
        m_progress =
            std::make_unique<CWaitProgressDlg>(&m_stop, "Fetching data...", nullptr, &m_window);
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
void QueryRun::ReadResultSet() {
    SQLSMALLINT columns = 0;
    if (!IsSqlSuccess(m_statement.NumResultCols(&columns)) || columns == 0) {
        return;
    }
    if (!m_firstResult) {
        m_statement.RebindBuffer(1);
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
        if (rowsInSet % kPumpInterval == 0 && m_progress) {
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

void QueryRun::InsertSubHeading() {
    std::vector<std::string> names{"SubHeading:"};
    for (int i = 0; i < m_statement.m_boundColumns; ++i) {
        const ODBCColumn* column = querimo::BoundColumn(m_statement, i);
        names.push_back(column != nullptr ? column->m_name : std::string());
    }
    m_grid.InsertLine(m_line, names);
    ++m_line;
    ++m_lineNumber;
}

void QueryRun::InsertDataLine() {
    const int columns = m_statement.m_boundColumns;
    m_cells.resize(static_cast<std::size_t>(columns) + 1);
    WriteLineNumber(m_lineNumber, m_cells[0].text);
    m_cells[0].isNull = false;
    for (int i = 0; i < columns; ++i) {
        const ODBCColumn* column = querimo::BoundColumn(m_statement, i);
        querimo::GridCell& cell = m_cells[static_cast<std::size_t>(i) + 1];
        // Written into the cell's own storage, which the next row reuses.
        cell.text.clear();
        if (column != nullptr) {
            column->AppendText(0, cell.text);
        }
        cell.isNull = cell.text.empty() && IsNullValue(column);
    }
    m_grid.InsertLine(m_line, m_cells);
    ++m_rowsFetched;
}

void QueryRun::Pump(int rowsInSet, SQLLEN reportedRows) {
    if (reportedRows > 0) {
        const double percent = rowsInSet / static_cast<double>(reportedRows) * 100.0;
        m_progress->SetPercent(static_cast<int>(std::min(percent, 1000.0)));
    }
    m_progress->SetRowsFetched(m_rowsFetched);
    m_window.OnRowsFetched(m_rowsFetched);
    m_progress->PumpMessages();
    if (m_stop) {
        m_grid.InsertLine(m_line + 1, std::vector<std::string>{LineNumberText(m_line + 2),
                                                               "Query cancelled by user"});
    }
}

// Lines count over the whole run, sub-headings included. A sub-heading can carry the count past
// the limit without a data line at it, so reaching or passing the limit stops.
void QueryRun::CheckRowLimit() {
    const uint32_t maxRows = m_window.m_nMaxRows;
    if (maxRows == 0 || static_cast<uint32_t>(m_line) < maxRows) {
        return;
    }
    if (!m_limitNoted) {
        m_limitNoted = true;
        if (m_progress) {
            m_progress->Close();
        }
        m_grid.Flush();
        m_window.ShowMessage(
            "Note, stopped fetching data at " + std::to_string(maxRows) + " row limit",
            querimo::MessageIcon::Information);
    }
    m_stop = true;
}

void QueryRun::CloseProgress() {
    if (m_progress) {
        m_progress->Close();
        m_progress.reset();
    }
}
