#pragma once
// One run of the Execute button as the window shows it: the lines of the run go into the
// result grid, a progress window is up while rows are fetched, and the row limit is noted in a
// message.

#include "db/result_reader.h"

#include <memory>
#include <string>
#include <vector>

class CQuerimoDlg;
class CWaitProgressDlg;

namespace querimo {
class ResultGridModel;
}

class QueryRun : private querimo::ResultSink {
  public:
    // connection must not be null. The statement is allocated here, before the grid is emptied.
    QueryRun(CQuerimoDlg& window, ODBCConnect* connection);
    ~QueryRun() override;
    QueryRun(const QueryRun&) = delete;
    QueryRun& operator=(const QueryRun&) = delete;

    // True when the run ended normally (see ResultReader::Run). The progress window is gone
    // either way.
    bool Run(const std::vector<std::string>& statements);
    // Data and sub-heading lines made.
    int Lines() const { return m_reader.Lines(); }

  private:
    void InsertResultColumns(const ODBCStatement& statement) override;
    void InsertCountColumn(const std::string& heading) override;
    void InsertLine(int position, const std::vector<querimo::ResultCell>& cells) override;
    void BeginFetching() override;
    bool Pump(int percent) override;
    void RowLimitReached(uint32_t maxRows) override;
    void CloseProgress();

    CQuerimoDlg& m_window;
    querimo::ResultGridModel& m_grid;
    // Set by Cancel or a quit request; the progress window writes it.
    bool m_cancel = false;
    std::unique_ptr<CWaitProgressDlg> m_progress;
    querimo::ResultReader m_reader;
};
