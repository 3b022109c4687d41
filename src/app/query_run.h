#pragma once
// One run of the Execute button: every statement of the text in turn on one statement object,
// into the result grid, with the progress window up while rows are fetched.

#include "db/odbc_statement.h"
#include "ui/grid_line_store.h"

#include <deque>
#include <memory>
#include <string>
#include <vector>

class CQuerimoDlg;
class CWaitProgressDlg;

namespace querimo {
class ResultGridModel;
}

class QueryRun {
  public:
    // connection must not be null. The statement is allocated here, before the grid is emptied.
    QueryRun(CQuerimoDlg& window, ODBCConnect* connection);
    ~QueryRun();
    QueryRun(const QueryRun&) = delete;
    QueryRun& operator=(const QueryRun&) = delete;

    // True when the run ended normally: after the result sets of the last statement, or when
    // there was no statement. The progress window is gone either way.
    bool Run(const std::vector<std::string>& statements);
    // Data and sub-heading lines made.
    int Lines() const { return m_line; }
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
    void CloseProgress();

    // The driver may write an output parameter as long as the statement exists, so the values
    // are built before it and go after it.
    std::deque<OutputParameter> m_parameters;
    ODBCSession m_session{0};
    ODBCStatement m_statement;
    CQuerimoDlg& m_window;
    querimo::ResultGridModel& m_grid;
    // Set by Cancel, a quit request or the row limit; the progress window writes it.
    bool m_stop = false;
    std::unique_ptr<CWaitProgressDlg> m_progress;
    int m_line = 0;
    long long m_rowsFetched = 0;
    int m_lineNumber = 0;
    int m_statementIndex = 0;
    bool m_firstResult = true;
    bool m_limitNoted = false;
    std::vector<querimo::GridCell> m_cells;
};
