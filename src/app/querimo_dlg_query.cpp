// Choosing the data source and running the editor's SQL into the result grid.
#include "app/querimo_dlg.h"

#include "app/query_run.h"
#include "app/result_columns.h"
#include "db/odbc_connect.h"
#include "db/odbc_environment.h"
#include "db/sql_pieces.h"
#include "ui/connection_string.h"
#include "ui/recent_connections.h"
#include "ui/result_grid_model.h"
#include "ui/text_bytes.h"

#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QTableView>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

constexpr int kLineNumberColumnWidth = 30;
// Result columns are at least as wide as their heading and this, and at most kMaxColumnWidth.
constexpr int kLeastResultColumnWidth = 48;
constexpr int kMaxColumnWidth = 300;
constexpr int kCellPadding = 12;
// Least time between two updates of the status bar while rows arrive (milliseconds).
constexpr int kStatusInterval = 100;

QString RowsText(long long rows) {
    return QLocale().toString(rows) +
           (rows == 1 ? QStringLiteral(" row") : QStringLiteral(" rows"));
}

QString SecondsText(qint64 milliseconds) {
    return QString::number(static_cast<double>(milliseconds) / 1000.0, 'f', 2) +
           QStringLiteral(" s");
}

// Keeps what a connection attempt reports instead of showing it, so that a missing password is
// asked for rather than shown as an error. What is still held at the end is shown then.
class HeldConnectErrors : public ODBCErrorHandler {
  public:
    HeldConnectErrors() {
        ODBCEnvironment* environment = ODBCEnvironment::Instance();
        m_previous = environment->GetErrorHandler();
        m_previousWasDefault = m_previous == &environment->m_defaultHandler;
        ODBCEnvironment::SetErrorHandler(this);
    }
    ~HeldConnectErrors() override {
        ODBCEnvironment::SetErrorHandler(m_previousWasDefault ? nullptr : m_previous);
        for (ODBCError& record : m_records) {
            m_previous->HandleError(&record);
        }
    }
    HeldConnectErrors(const HeldConnectErrors&) = delete;
    HeldConnectErrors& operator=(const HeldConnectErrors&) = delete;

    void HandleError(ODBCError* error) override { m_records.push_back(*error); }

    // Whether the driver turned the attempt down for a missing or wrong password.
    bool WantsPassword() const {
        return std::any_of(m_records.begin(), m_records.end(), [](const ODBCError& record) {
            const std::string state = reinterpret_cast<const char*>(record.m_sqlState);
            return state.starts_with("28") ||
                   QString::fromStdString(record.m_message)
                       .contains(QStringLiteral("password"), Qt::CaseInsensitive);
        });
    }
    void Forget() { m_records.clear(); }
    // The connection reports from now on where it would have without this handler.
    void HandOver(ODBCConnect& connection) const { connection.SetErrorHandler(m_previous); }

  private:
    ODBCErrorHandler* m_previous = nullptr;
    bool m_previousWasDefault = false;
    std::vector<ODBCError> m_records;
};

// Tries again with a password, asked for and never stored, while the string holds none and the
// driver wants one.
ODBCConnect* RetryWithPassword(ODBCConnect* connection, const std::string& connectString,
                               HeldConnectErrors& held) {
    while (!connection->IsConnected() && !querimo::HasPassword(connectString) &&
           held.WantsPassword()) {
        std::optional<std::string> password = querimo::CurrentPrompt().AskText(
            {"Password", "Password for " + querimo::ConnectionLabel(connectString) + ":", "",
             true});
        if (!password) {
            break;
        }
        held.Forget();
        delete connection;
        connection = new ODBCConnect(
            nullptr, querimo::WithPassword(connectString, *password).c_str(), SQL_DRIVER_NOPROMPT);
    }
    held.HandOver(*connection);
    return connection;
}

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
    ODBCConnect* connection = nullptr;
    {
        HeldConnectErrors held;
        connection =
            new ODBCConnect(reinterpret_cast<SQLHWND>(this), "", SQL_DRIVER_COMPLETE_REQUIRED);
        if (chosen.Text()) {
            connection = RetryWithPassword(connection, *chosen.Text(), held);
            m_connectRequest = *chosen.Text();
        }
    }
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
    m_runClock.start();
    m_runPausedMs = 0;
    m_sinceStatusShown.invalidate();
    m_statusLimit->setText(m_nMaxRows == 0 ? QStringLiteral("No row limit")
                                           : QStringLiteral("Max Rows %1").arg(m_nMaxRows));
    QueryRun run(*this, m_pConnect);
    m_resultList->DeleteAllItems();
    m_resultList->DeleteAllColumns();
    const bool ended = run.Run(querimo::SplitStatements(sql));
    ShowRunStatus(run.RowsFetched(),
                  m_nMaxRows != 0 && static_cast<uint32_t>(run.Lines()) >= m_nMaxRows);
    if (!ended) {
        return;
    }
    if (run.Lines() == 0) {
        m_resultList->InsertLine(0, std::vector<std::string>{"0", "<No Data>"});
        m_resultList->Flush();
    }
    FocusSqlEditor(false);
}

void CQuerimoDlg::OnRowsFetched(long long rows) {
    if (m_sinceStatusShown.isValid() && m_sinceStatusShown.elapsed() < kStatusInterval) {
        return;
    }
    m_sinceStatusShown.start();
    m_statusRows->setText(RowsText(rows));
    m_statusTime->setText(SecondsText(m_runClock.elapsed() - m_runPausedMs));
}

void CQuerimoDlg::ShowRunStatus(long long rows, bool limitReached) {
    m_statusRows->setText(RowsText(rows));
    m_statusTime->setText(SecondsText(m_runClock.elapsed() - m_runPausedMs));
    if (limitReached) {
        m_statusLimit->setText(QStringLiteral("Stopped at the %1-row limit").arg(m_nMaxRows));
    }
}

// Line numbers grow as lines arrive: the column follows the widest text it has held, which the
// grid keeps, so no line is measured.
void CQuerimoDlg::FitLineNumberColumn() {
    if (m_resultList->columnCount() == 0) {
        return;
    }
    const int needed = m_grid->fontMetrics().horizontalAdvance(
                           querimo::ToQString(m_resultList->WidestFirstCell())) +
                       kCellPadding;
    if (needed > m_grid->columnWidth(0)) {
        m_grid->setColumnWidth(0, needed);
    }
}

void CQuerimoDlg::InsertResultColumns(const ODBCStatement& statement) {
    InsertGridColumn(0, "#", Qt::AlignRight, kLineNumberColumnWidth);
    for (int i = 1; i <= statement.GetBoundColumns(); ++i) {
        const ODBCColumn* column = statement.GetBoundColumn(i - 1);
        if (column == nullptr) {
            InsertGridColumn(i, "", Qt::AlignRight, kLineNumberColumnWidth);
            continue;
        }
        // A size the driver does not know would leave the column too narrow to see.
        const int heading = m_grid->horizontalHeader()->fontMetrics().horizontalAdvance(
                                querimo::ToQString(column->m_name)) +
                            kCellPadding;
        const int least = std::min(kMaxColumnWidth, std::max(kLeastResultColumnWidth, heading));
        InsertGridColumn(i, column->m_name, querimo::ResultColumnAlignment(column->m_cType),
                         std::max(least, querimo::ResultColumnWidth(column->m_nameLength,
                                                                    column->m_columnSize)));
    }
}

void CQuerimoDlg::InsertGridColumn(int position, const std::string& heading,
                                   Qt::Alignment alignment, int width) {
    m_resultList->InsertColumn(position, heading, alignment);
    m_grid->setColumnWidth(position, width);
}
