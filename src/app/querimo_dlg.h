#pragma once
// The main window: the one dialog that is the whole user interface, and the state of a run.

#include "app/command_line.h"
#include "db/cmdline_err_handler.h"
#include "ui/editor_bytes.h"
#include "ui/prompt.h"

#include <QDialog>
#include <QIcon>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CRecordDlg;
class ODBCConnect;
class ODBCStatement;
class ODBCReport;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace querimo {
class ResultGridModel;
}

// CSV, HTML or the unsupported XML, chosen by the text after the last point of the path.
int ExportFormatForPath(const std::string& path);

// Identifiers of the main window's controls; each widget's object name is its number.
enum ControlId : int {
    IDC_SAVE = 3,
    IDC_OPEN = 4,
    IDC_CLEAR = 5,
    IDC_SQL = 1001,
    IDC_DATASOURCE = 1002,
    IDC_EXECUTE = 1003,
    IDC_RESULT_LIST = 1005,
    IDC_MAX_ROWS = 1006,
    IDC_EXPORT = 1007,
    IDC_EXIT = 1008,
    IDC_SEPARATOR = 1024,
};

// The about command, offered where a system menu would offer it.
constexpr int IDM_ABOUTBOX = 0x0010;

class CQuerimoDlg : public QDialog {
    Q_OBJECT
  public:
    explicit CQuerimoDlg(std::vector<std::string> arguments = {});
    ~CQuerimoDlg() override;

    // Window set-up, command line and, when asked for, the whole batch run.
    bool OnInitDialog();
    // Runs the window until it closes, or returns at once when a batch run has ended.
    int DoModal();

    // Transfers between fields and controls; false when a field failed validation.
    bool UpdateData(bool saveAndValidate);

    querimo::MessageAnswer ShowMessage(
        const std::string& text, querimo::MessageIcon icon = querimo::MessageIcon::Warning,
        querimo::MessageButtons buttons = querimo::MessageButtons::Ok);
    static std::string GetOsErrorText(int code);
    void SetConnection(ODBCConnect* connection);
    void FocusSqlEditor(bool select);
    bool LoadScript(const std::string& path);
    void UpdateTitle();
    // Writes the result of sql to outputPath in the format its name chooses.
    bool ExportToFile(std::string sql, const std::string& outputPath, int* rowCount);
    // Export: the Export button, and the settings an export hands to the report writer.
    void OnExport();
    void ConfigureReport(ODBCReport& report);
    // The editor's selected text as bytes; empty without a selection.
    std::string SelectedSql() const;

    bool QuitRequested() const { return m_quitRequested; }
    int ExitCode() const { return m_exitCode; }
    QWidget* Control(int id) const;

    // Script files and the questions before text is lost.
    void OnOpen();
    void OnSave();
    void OnClear();
    void OnExit();
    // Whether the window may close: false when a question was cancelled or answered No.
    bool OnClose();
    // False when the person chose Cancel.
    bool QuerySaveChanges();
    // The folder remembered between the file dialogs of scripts and exports.
    void SetInitialFolder(querimo::FileRequest& request);
    void RememberFolder(const std::string& chosenPath);

    // Window frame.
    void OnSize(int cx, int cy);
    void OnSysCommand(int command);
    // Whether the key was taken before the window's own handling: Esc never closes the window.
    bool PreTranslateMessage(const QKeyEvent& event);

    // Query execution.
    void OnDataSource();
    void OnExecute();
    // The grid's line-number column and one column per bound column of the statement.
    void InsertResultColumns(const ODBCStatement& statement);
    void InsertGridColumn(int position, const std::string& heading, Qt::Alignment alignment,
                          int width);

    querimo::ResultGridModel* m_resultList = nullptr;
    std::string m_strSql;
    uint32_t m_nMaxRows = 1000;
    QIcon m_hIcon;
    bool m_bSaved = true;
    std::string m_strFileName;
    std::string m_strFileFilter =
        "Sql Scripts (*.sql)|*.sql|Text Files (*.txt)|*.txt|All File(s) (*.*)|*.*||";
    ODBCConnect* m_pConnect = nullptr;
    bool m_bInteractive = true;
    bool m_bHeader = true;
    bool m_bQuoteAll = false;
    char m_cDelimiter = ',';
    char m_cQuote = '"';
    bool m_bAppend = false;
    CCmdLineErrHandler m_errHandler;
    std::string m_strSeparator = ",";

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

  private:
    void CreateControls();
    void CenterOnScreen();
    void ShowAboutBox();
    querimo::FileRequest ScriptFileRequest(const char* caption);
    querimo::MessageAnswer Ask(const std::string& text, querimo::MessageButtons buttons);
    void ApplySwitches(const querimo::CommandLine& commandLine);
    void RunWithArguments(const querimo::CommandLine& commandLine);
    int RunBatch(const querimo::CommandLine& commandLine);
    void EndBatchRun(int exitCode);
    void PostQuit(int exitCode);
    void EnableConnectedControls();
    void SetEditorText(const std::string& bytes);
    std::string EditorText() const;
    bool ReadMaxRows();
    bool ReadSeparator();
    void OnChangeSql();

    std::vector<std::string> m_arguments;
    QPlainTextEdit* m_editor = nullptr;
    QTableView* m_grid = nullptr;
    QLineEdit* m_maxRowsEdit = nullptr;
    QLineEdit* m_separatorEdit = nullptr;
    QMenu* m_systemMenu = nullptr;
    // How the script last put into the editor ended its lines; new lines end the same way.
    querimo::LineEnd m_editorLineEnd = querimo::LineEnd::Lf;
    bool m_settingEditorText = false;
    bool m_centred = false;
    struct SizeState {
        bool handled = false;
        int previousWidth = 0;
        int editorHeight = 0;
    } m_size;
    bool m_quitRequested = false;
    int m_exitCode = 0;

    // Grid clipboard and record view.
  public:
    void OnEditCopy();
    void OnRecordView();
    void OnDblclkResultList(int row);
    // position is in the grid's viewport.
    void OnRclickResultList(const QPoint& position);
    // True when the key copied the selection.
    bool OnKeydownResultList(int virtualKey);
    void CopySelectionToDataSource(querimo::Prompt& dataSource);
    // The selected rows as clipboard text, NUL included.
    std::string SelectionText() const;
    void ShowRecord(int row);
    // Runs a filled record view in place of its modal run when set (tests).
    std::function<void(CRecordDlg&)> m_runRecordView;
    // The last key pressed in the grid, kept for the whole run.
    static int s_lastGridKey;

  private:
    void ConnectGridHandlers();
    QMenu* m_gridMenu = nullptr;
};
