#include "app/query_run.h"

#include "app/querimo_dlg.h"
#include "ui/result_grid_model.h"
#include "ui/wait_progress_dlg.h"

namespace {

constexpr int kCountColumnWidth = 100;

}  // namespace

QueryRun::QueryRun(CQuerimoDlg& window, ODBCConnect* connection)
    : m_window(window),
      m_grid(*window.m_resultList),
      m_reader(connection, window.m_nMaxRows, *this) {}

QueryRun::~QueryRun() {
    CloseProgress();
}

bool QueryRun::Run(const std::vector<std::string>& statements) {
    const bool normalEnd = m_reader.Run(statements);
    CloseProgress();
    m_grid.Flush();
    return normalEnd;
}

void QueryRun::InsertResultColumns(const ODBCStatement& statement) {
    m_window.InsertResultColumns(statement);
}

void QueryRun::InsertCountColumn(const std::string& heading) {
    m_window.InsertGridColumn(0, heading, Qt::AlignLeft, kCountColumnWidth);
}

void QueryRun::InsertLine(int position, const std::vector<querimo::ResultCell>& cells) {
    m_grid.InsertLine(position, cells);
}

void QueryRun::BeginFetching() {
    m_progress =
        std::make_unique<CWaitProgressDlg>(&m_cancel, "Fetching data...", nullptr, &m_window);
}

bool QueryRun::Pump(int percent) {
    if (!m_progress) {
        return false;
    }
    if (percent >= 0) {
        m_progress->SetPercent(percent);
    }
    m_progress->PumpMessages();
    return m_cancel;
}

void QueryRun::RowLimitReached(uint32_t maxRows) {
    if (m_progress) {
        m_progress->Close();
    }
    m_grid.Flush();
    m_window.ShowMessage("Note, stopped fetching data at " + std::to_string(maxRows) + " row limit",
                         querimo::MessageIcon::Information);
}

void QueryRun::CloseProgress() {
    if (m_progress) {
        m_progress->Close();
        m_progress.reset();
    }
}
