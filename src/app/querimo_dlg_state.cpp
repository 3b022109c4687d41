// The main window's state: fields and their exchange with the controls, the command line, the
// batch run, and the helpers that adopt a connection and read a script.
#include "app/querimo_dlg.h"

#include "app/file_bytes.h"
#include "app/log_path.h"
#include "db/notice.h"
#include "db/odbc_connect.h"
#include "db/odbc_environment.h"
#include "db/os_io.h"
#include "report/odbc_report.h"
#include "report/output_file.h"
#include "ui/result_grid_model.h"
#include "ui/text_bytes.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTextBlock>

#include <cerrno>
#include <charconv>
#include <cstring>

using querimo::MessageAnswer;
using querimo::MessageButtons;
using querimo::MessageIcon;

namespace {

constexpr uint32_t kMaxRowsLimit = 999999;
constexpr std::size_t kSeparatorLimit = 2;

}  // namespace

CQuerimoDlg::CQuerimoDlg(std::vector<std::string> arguments) : m_arguments(std::move(arguments)) {
    CreateControls();
}

CQuerimoDlg::~CQuerimoDlg() {
    // Nothing of the ODBC layer may outlive the window.
    delete m_pConnect;
    m_pConnect = nullptr;
    ODBCEnvironment::DeleteInstance();
}

bool CQuerimoDlg::OnInitDialog() {
    UpdateData(false);
    m_grid->setShowGrid(true);
    querimo::CommandLine commandLine = querimo::ParseCommandLine(m_arguments);
    ApplySwitches(commandLine);
    if (!commandLine.hasArguments) {
        show();
        return true;
    }
    RunWithArguments(commandLine);
    return true;
}

int CQuerimoDlg::DoModal() {
    OnInitDialog();
    if (m_quitRequested) {
        return m_exitCode;
    }
    exec();
    return m_quitRequested ? m_exitCode : 0;
}

void CQuerimoDlg::ApplySwitches(const querimo::CommandLine& commandLine) {
    if (commandLine.quoteAll) {
        m_bQuoteAll = true;
    }
    if (!commandLine.header) {
        m_bHeader = false;
    }
    if (commandLine.append) {
        m_bAppend = true;
    }
    if (commandLine.quote) {
        m_cQuote = *commandLine.quote;
    }
    if (commandLine.delimiter) {
        m_cDelimiter = *commandLine.delimiter;
        m_strSeparator.clear();
    }
}

void CQuerimoDlg::RunWithArguments(const querimo::CommandLine& commandLine) {
    if (commandLine.IsBatchRun()) {
        EndBatchRun(RunBatch(commandLine));
        return;
    }
    show();
    SetConnection(new ODBCConnect(reinterpret_cast<SQLHWND>(this),
                                  commandLine.connectString.c_str(), SQL_DRIVER_NOPROMPT));
    if (!commandLine.sqlFile.empty() && m_pConnect != nullptr) {
        LoadScript(commandLine.sqlFile);
    }
}

int CQuerimoDlg::RunBatch(const querimo::CommandLine& commandLine) {
    m_bInteractive = false;
    const std::string& output = commandLine.outputFile;
    m_errHandler.m_logFile = querimo::BatchLogPath(output, querimo::ProgramPath());
    m_errHandler.m_keepExisting = m_bAppend;
    // Nobody is there to answer a dialog: what cannot be logged goes to standard error.
    SetNoticeSink({});
    // Settled before anything runs, and before a log line could land in the SQL file.
    if (querimo::SameRegularFile(output, commandLine.sqlFile)) {
        ShowNotice("Querimo", "Nothing was run: the output file " + output + " is the SQL file",
                   NoticeIcon::Stop);
        return -2;
    }
    if (ExportFormatForPath(output) == ODBCReport::kXml) {
        ShowNotice("Querimo",
                   "Nothing was run: no writer makes the XML that " + output + " asks for",
                   NoticeIcon::Stop);
        return -1;
    }
    querimo::OutputLock lock;
    lock.Acquire(output, m_bAppend);
    if (querimo::OutputTarget target; querimo::FindOutputTarget(output, target) == 0) {
        querimo::RemoveStrayStagedFiles(target.path);
    }
    ODBCEnvironment::Instance();
    ODBCEnvironment::SetErrorHandler(&m_errHandler);
    SetConnection(new ODBCConnect(reinterpret_cast<SQLHWND>(this),
                                  commandLine.connectString.c_str(), SQL_DRIVER_NOPROMPT));
    if (m_pConnect == nullptr) {
        return -1;
    }
    if (!LoadScript(commandLine.sqlFile)) {
        return -2;
    }
    if (m_strSql.empty()) {
        ShowMessage("SQL file is empty: " + commandLine.sqlFile, MessageIcon::Error);
        return -1;
    }
    return ExportToFile(std::move(m_strSql), output, nullptr) ? 0 : -1;
}

void CQuerimoDlg::EndBatchRun(int exitCode) {
    if (m_pConnect != nullptr) {
        m_pConnect->Disconnect();
        delete m_pConnect;
        m_pConnect = nullptr;
    }
    ODBCEnvironment::DeleteInstance();
    // The handler lives in this window; the thread must not keep pointing at it.
    ODBCEnvironment::SetErrorHandler(nullptr);
    PostQuit(exitCode);
}

void CQuerimoDlg::PostQuit(int exitCode) {
    m_quitRequested = true;
    m_exitCode = exitCode;
    if (isVisible()) {
        done(exitCode);
    }
}

querimo::MessageAnswer CQuerimoDlg::ShowMessage(const std::string& text, MessageIcon icon,
                                                MessageButtons buttons) {
    if (!m_bInteractive) {
        m_errHandler.WriteLog(text);
        return MessageAnswer::Ok;
    }
    return querimo::CurrentPrompt().ShowMessage(
        {querimo::ToBytes(QCoreApplication::applicationName()), text, icon, buttons});
}

std::string CQuerimoDlg::GetOsErrorText(int code) {
    return querimo::OsErrorText(code != 0 ? code : errno);
}

void CQuerimoDlg::SetConnection(ODBCConnect* connection) {
    if (connection == nullptr) {
        return;
    }
    if (!connection->IsConnected()) {
        delete connection;
        return;
    }
    delete m_pConnect;
    m_pConnect = connection;
    EnableConnectedControls();
    m_strSql = "select * from ?";
    const std::string& completed = m_pConnect->GetDataSource().m_connectString;
    std::string::size_type dsn = completed.find("DSN=");
    if (dsn != std::string::npos) {
        std::string::size_type start = dsn + 4;
        std::string name = completed.substr(start, completed.find(';', start) - start);
        setWindowTitle(QStringLiteral("Querimo -- ") + querimo::ToQString(name));
    }
    m_resultList->DeleteAllItems();
    UpdateData(false);
    FocusSqlEditor(true);
}

void CQuerimoDlg::EnableConnectedControls() {
    for (int id :
         {IDC_SQL, IDC_EXECUTE, IDC_SAVE, IDC_OPEN, IDC_CLEAR, IDC_EXPORT, IDC_RESULT_LIST}) {
        Control(id)->setEnabled(true);
    }
}

void CQuerimoDlg::FocusSqlEditor(bool select) {
    m_editor->setFocus();
    if (!select) {
        return;
    }
    QTextCursor cursor = m_editor->textCursor();
    int lineStart = cursor.block().position();
    if (lineStart > 0) {
        cursor.setPosition(lineStart - 1);
        cursor.setPosition(lineStart, QTextCursor::KeepAnchor);
        m_editor->setTextCursor(cursor);
        m_editor->ensureCursorVisible();
    }
}

void CQuerimoDlg::UpdateTitle() {
    QString title = windowTitle();
    qsizetype bracket = title.indexOf(QLatin1Char('['));
    if (bracket >= 0) {
        title.truncate(bracket);
    }
    while (!title.isEmpty() && title.back().isSpace()) {
        title.chop(1);
    }
    if (!m_strFileName.empty()) {
        title += QStringLiteral(" [") + querimo::ToQString(m_strFileName) + QLatin1Char(']');
    }
    setWindowTitle(title);
}

bool CQuerimoDlg::LoadScript(const std::string& path) {
    querimo::FileReadResult file = querimo::ReadWholeFile(path);
    // SQL reaches the drivers as C strings: the text after a NUL byte would silently not run.
    const std::string::size_type nul = file.ok ? file.bytes.find('\0') : std::string::npos;
    if (nul != std::string::npos) {
        file.ok = false;
        file.reason = "Not a text file: NUL byte at offset " + std::to_string(nul);
    }
    if (!file.ok) {
        std::string reason = file.error != 0 ? GetOsErrorText(file.error) : file.reason;
        ShowMessage("Could not open file " + path + " (" + reason + ")", MessageIcon::Error);
        return false;
    }
    std::string::size_type slash = path.rfind('/');
    m_strFileName = slash == std::string::npos ? path : path.substr(slash + 1);
    UpdateTitle();
    m_strSql = std::move(file.bytes);
    m_bSaved = true;
    // A batch run's window is never shown, and a big script would cost many times its size there.
    if (m_bInteractive) {
        UpdateData(false);
    }
    return true;
}

bool CQuerimoDlg::UpdateData(bool saveAndValidate) {
    if (!saveAndValidate) {
        SetEditorText(m_strSql);
        m_maxRowsEdit->setText(QString::number(m_nMaxRows));
        m_separatorEdit->setText(querimo::ToQString(m_strSeparator));
        return true;
    }
    m_strSql = EditorText();
    return ReadMaxRows() && ReadSeparator();
}

bool CQuerimoDlg::ReadMaxRows() {
    std::string text = querimo::ToBytes(m_maxRowsEdit->text().trimmed());
    uint32_t value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() ||
        value > kMaxRowsLimit) {
        ShowMessage("Please enter an integer between 0 and 999999.", MessageIcon::Warning);
        m_maxRowsEdit->setFocus();
        m_maxRowsEdit->selectAll();
        return false;
    }
    m_nMaxRows = value;
    return true;
}

bool CQuerimoDlg::ReadSeparator() {
    std::string text = querimo::ToBytes(m_separatorEdit->text());
    if (text.size() > kSeparatorLimit) {
        ShowMessage("Please enter no more than 2 characters.", MessageIcon::Warning);
        m_separatorEdit->setFocus();
        m_separatorEdit->selectAll();
        return false;
    }
    m_strSeparator = text;
    return true;
}

void CQuerimoDlg::OnChangeSql() {
    if (!m_settingEditorText) {
        m_bSaved = false;
    }
}
