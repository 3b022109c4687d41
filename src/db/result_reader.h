#pragma once
// The rules of running statements into result lines, without any window: every statement of a
// run in turn on one statement object, each result set line by line, with the row limit, the
// sub-headings of later result sets, row counts, output parameters and a chance to cancel
// every ten rows. The lines go to a sink, which shows them.

#include "db/odbc_statement.h"
#include "db/result_cell.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace querimo {

class ResultSink {
  public:
    virtual ~ResultSink() = default;

    // Columns 0 ("#") to n for the first result set of the run that has columns.
    virtual void InsertResultColumns(const ODBCStatement& statement) = 0;
    // Column 0 alone, for the row count or output parameter of the run's first statement.
    virtual void InsertCountColumn(const std::string& heading) = 0;
    // position is at most the number of lines inserted before.
    virtual void InsertLine(int position, const std::vector<ResultCell>& cells) = 0;
    // Once per run, before the first row is fetched.
    virtual void BeginFetching() = 0;
    // Every ten rows of a result set. percent is of the driver's row count, -1 when it gave
    // none. Returns true when the person asked to stop.
    virtual bool Pump(int percent) = 0;
    // Once per run, when the row limit stops the fetching.
    virtual void RowLimitReached(uint32_t maxRows) = 0;
};

class ResultReader {
  public:
    // connection must not be null. The statement is allocated here. maxRows 0 is no limit.
    ResultReader(ODBCConnect* connection, uint32_t maxRows, ResultSink& sink);
    ResultReader(const ResultReader&) = delete;
    ResultReader& operator=(const ResultReader&) = delete;

    // True when the run ended normally: after the result sets of the last statement, after a
    // cancel, or when there was no statement. False when a statement could not be run; the
    // lines made before stay.
    bool Run(const std::vector<std::string>& statements);
    // Data and sub-heading lines made.
    int Lines() const { return m_line; }
    // Data lines made, over every statement of the run.
    long long RowsFetched() const { return m_rowsFetched; }

  private:
    enum class Outcome { Next, ResultsShown, EndRun };
    struct OutputParameter {
        int32_t value = -1;
        SQLLEN indicator = 0;
    };

    Outcome RunStatement(const std::string& sql);
    Outcome RunParameterStatement(const std::string& sql);
    void ShowRowCount();
    void ShowResultSets();
    void ReadResultSet();
    void InsertSubHeading();
    void InsertDataLine();
    void Pump(int rowsInSet, SQLLEN reportedRows);
    void CheckRowLimit();

    // The driver may write an output parameter as long as the statement exists, so the values
    // are made before it and go after it.
    std::deque<OutputParameter> m_parameters;
    ODBCSession m_session{0};
    ODBCStatement m_statement;
    ResultSink& m_sink;
    const uint32_t m_maxRows;
    // Set by a cancel or by the row limit; the current statement reads no further.
    bool m_stop = false;
    // The person asked to stop: no later statement runs either.
    bool m_cancelled = false;
    bool m_fetching = false;
    bool m_limitNoted = false;
    bool m_firstResult = true;
    int m_line = 0;
    long long m_rowsFetched = 0;
    int m_lineNumber = 0;
    int m_statementIndex = 0;
    // The bound columns of the result set being read, and the cells of its current row.
    std::vector<const ODBCColumn*> m_columns;
    std::vector<ResultCell> m_cells;
};

// The text of a line number: at least two digits, like "%02d".
void WriteLineNumber(int number, std::string& text);

}  // namespace querimo
