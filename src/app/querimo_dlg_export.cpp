// Exporting the editor's SQL, or a batch run's script, to a CSV file or an HTML page.
#include "app/querimo_dlg.h"

#include "db/cmdline_err_handler.h"
#include "db/odbc_connect.h"
#include "db/odbc_statement.h"
#include "report/odbc_report.h"
#include "ui/editor_bytes.h"
#include "ui/sql_editor.h"
#include "ui/text_bytes.h"

#include <QPlainTextEdit>
#include <QTextCursor>

#include <algorithm>
#include <cctype>
#include <ctime>

namespace {

constexpr const char* kExportFilter =
    "Text Files (*.csv,*.txt)|*.csv;*.txt|HTML Files (*.htm,*.html)|*.htm;*.html|All File(s) "
    "(*.*)|*.*||";
constexpr std::size_t kMaxHeadingAddition = 127;

std::string HeadingAddition() {
    std::string addition = " export results as at " + FormatLogTime(std::time(nullptr));
    return addition.size() > kMaxHeadingAddition ? std::string() : addition;
}

}  // namespace

char DelimiterFromSeparator(const std::string& separator) {
    if (separator == "\\t") {
        return '\t';
    }
    if (separator == "\\n") {
        return '\n';
    }
    return separator[0];
}

int ExportFormatForPath(const std::string& path) {
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::string::size_type point = lower.rfind('.');
    if (point == std::string::npos) {
        return ODBCReport::kCsv;
    }
    std::string extension = lower.substr(point + 1);
    if (extension.find("htm") != std::string::npos) {
        return ODBCReport::kHtml;
    }
    return extension.find("xml") != std::string::npos ? ODBCReport::kXml : ODBCReport::kCsv;
}

bool CQuerimoDlg::ExportToFile(std::string sql, const std::string& fileName, int* rowCount) {
    if (!UpdateData(true)) {
        return false;
    }
    if (m_pConnect == nullptr || sql.empty()) {
        return false;
    }
    ODBCSession session(0);
    // Moved, not copied: a script of many megabytes is held as few times as can be.
    ODBCCommand command;
    command.m_sql = std::move(sql);
    ODBCStatement statement(m_pConnect, &session);
    // The export reads each result once: no cursor that makes the driver hold more than that.
    statement.SetStmtAttr(SQL_ATTR_CURSOR_TYPE,
                          reinterpret_cast<SQLPOINTER>(statement.SinglePassCursorType()),
                          SQL_IS_INTEGER);
    if (!IsSqlSuccess(statement.PrepareCommand(command))) {
        return false;
    }
    // The statement keeps its own copy.
    command.m_sql = std::string();
    SQLRETURN executed = statement.Execute();
    // A searched UPDATE or DELETE that matched no row is a success with a count of 0.
    if (!IsSqlSuccess(executed) && executed != SQL_NO_DATA) {
        return false;
    }
    ODBCReport report(&statement);
    ConfigureReport(report);
    bool written = false;
    {
        // A batch run's log may be the output file itself: what goes wrong while the report is
        // written is logged after it, and never over a complete export.
        HeldLogEntries held(m_errHandler);
        written = report.Report(fileName, ExportFormatForPath(fileName));
        if (written && m_errHandler.m_logFile == fileName) {
            held.KeepOutOfLog();
        }
    }
    if (rowCount != nullptr) {
        *rowCount = report.m_rowCounter;
    }
    return written;
}

void CQuerimoDlg::ConfigureReport(ODBCReport& report) {
    report.m_styleSheet = "querimo.css";
    if (!m_strSeparator.empty()) {
        m_cDelimiter = DelimiterFromSeparator(m_strSeparator);
    }
    report.m_headings = {"", "", querimo::ToBytes(windowTitle()) + HeadingAddition()};
    report.m_fontAttributes = "size=2";
    report.m_header = m_bHeader;
    report.m_quoteAll = m_bQuoteAll;
    report.m_append = m_bAppend;
    if (m_cDelimiter != '\0') {
        report.m_delimiter = m_cDelimiter;
    }
    if (m_cQuote != '\0') {
        report.m_quote = m_cQuote;
    }
}

std::string CQuerimoDlg::SelectedSql() const {
    QTextCursor cursor = m_editor->textCursor();
    if (!cursor.hasSelection()) {
        return {};
    }
    // Qt marks line breaks inside a selection with the paragraph separator.
    QString selected = cursor.selectedText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    return querimo::EditorTextToBytes(selected, m_editorLineEnd);
}

void CQuerimoDlg::OnExport() {
    if (!UpdateData(true)) {
        return;
    }
    std::string sql = SelectedSql();
    if (sql.empty()) {
        sql = m_strSql;
    }
    querimo::FileRequest request;
    request.caption = "Export";
    request.filter = kExportFilter;
    request.initialName = "export";
    request.defaultSuffix = "csv";
    SetInitialFolder(request);
    std::optional<std::string> path = querimo::CurrentPrompt().AskSaveFile(request);
    if (!path) {
        return;
    }
    querimo::WaitCursor wait;
    int rows = 0;
    if (ExportToFile(std::move(sql), *path, &rows)) {
        RememberFolder(*path);
        ShowMessage("Successfully exported " + std::to_string(rows) + " rows to " + *path,
                    querimo::MessageIcon::Information);
    }
}
