// Choosing the data source and running the editor's SQL into the result grid.
#include "app/querimo_dlg.h"

#include "app/query_run.h"
#include "app/result_columns.h"
#include "db/odbc_connect.h"
#include "db/sql_pieces.h"
#include "ui/recent_connections.h"
#include "ui/result_grid_model.h"

#include <QTableView>

#include <optional>

namespace {

constexpr int kLineNumberColumnWidth = 30;

// Notes what the data source chooser answered while it exists, so that only a string that
// connected is remembered; afterwards the database layer asks the prompt layer directly again.
class ChosenConnectString {
  public:
    ChosenConnectString() {
        ODBCConnect::SetPromptHook([this](const std::string& inConnStr) {
            m_text = querimo::CurrentPrompt().ChooseDataSource(inConnStr);
            return m_text;
        });
    }
    ~ChosenConnectString() { querimo::RouteDatabaseLayerThroughPrompt(); }
    ChosenConnectString(const ChosenConnectString&) = delete;
    ChosenConnectString& operator=(const ChosenConnectString&) = delete;

    const std::optional<std::string>& Text() const { return m_text; }

  private:
    std::optional<std::string> m_text;
};

}  // namespace

void CQuerimoDlg::OnDataSource() {
    ChosenConnectString chosen;
    auto* connection =
        new ODBCConnect(reinterpret_cast<SQLHWND>(this), "", SQL_DRIVER_COMPLETE_REQUIRED);
    const bool connected = connection->IsConnected();
    SetConnection(connection);
    if (connected && chosen.Text()) {
        querimo::RememberConnection(querimo::CurrentPrompt(), *chosen.Text());
    }
}

void CQuerimoDlg::OnExecute() {
    UpdateData(true);
    if (m_pConnect == nullptr || m_strSql.empty()) {
        return;
    }
    std::string sql = SelectedSql();
    if (sql.empty()) {
        sql = m_strSql;
    }
    querimo::WaitCursor waitCursor;
    QueryRun run(*this, m_pConnect);
    m_resultList->DeleteAllItems();
    m_resultList->DeleteAllColumns();
    if (!run.Run(querimo::SplitStatements(sql))) {
        return;
    }
    if (run.Lines() == 0) {
        m_resultList->InsertLine(0, std::vector<std::string>{"0", "<No Data>"});
        m_resultList->Flush();
    }
    FocusSqlEditor(false);
}

void CQuerimoDlg::InsertResultColumns(const ODBCStatement& statement) {
    InsertGridColumn(0, "#", Qt::AlignRight, kLineNumberColumnWidth);
    for (int i = 1; i <= statement.GetBoundColumns(); ++i) {
        const ODBCColumn* column = statement.GetBoundColumn(i - 1);
        if (column == nullptr) {
            InsertGridColumn(i, "", Qt::AlignRight, kLineNumberColumnWidth);
            continue;
        }
        InsertGridColumn(i, column->m_name, querimo::ResultColumnAlignment(column->m_cType),
                         querimo::ResultColumnWidth(column->m_nameLength, column->m_columnSize));
    }
}

void CQuerimoDlg::InsertGridColumn(int position, const std::string& heading,
                                   Qt::Alignment alignment, int width) {
    m_resultList->InsertColumn(position, heading, alignment);
    m_grid->setColumnWidth(position, width);
}
