#pragma once
// The main window: the one dialog that is the whole user interface, and the state of a run.

#include "app/command_line.h"
#include "db/cmdline_err_handler.h"
#include "ui/editor_bytes.h"
#include "ui/prompt.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QIcon>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class CRecordDlg;
class ODBCConnect;
class ODBCStatement;
class ODBCReport;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSplitter;
class QStatusBar;
class QTableView;

namespace querimo {
class ResultGridModel;
class SqlEditor;
}  // namespace querimo

// CSV, HTML or the unsupported XML, chosen by the text after the last point of the path.
int ExportFormatForPath(const std::string& path);
// The delimiter a Separator text stands for: "\t" a tab, "\n" a line feed, else its first byte.
// separator must not be empty.
char DelimiterFromSeparator(const std::string& separator);

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
// The caption of the window's own message boxes.
inline constexpr const char* kMessageCaption = "Querimo";

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
    // True when the text was written.
    bool OnSave();
    // Writes to the script's own file without a dialog; a script without one gets the dialog.
    void SaveToCurrentFile();
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
    // Ctrl+F asks what to find, F3 finds it again; the search goes round the editor's text.
    void OnFind();
    void OnFindNext();
    // Larger (1), smaller (-1) or the starting size (0) for the grid when it has the focus, else
    // for the editor.
    void Zoom(int direction);
    void OnSysCommand(int command);
    // Whether the key was taken before the window's own handling: Esc never closes the window.
    bool PreTranslateMessage(const QKeyEvent& event);

    // Query execution.
    void OnDataSource();
    void OnExecute();
    // Called while rows arrive; the status bar follows a few times a second.
    void OnRowsFetched(long long rows);
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
    void CreateSplitter();
    void CreateEditorPane();
    void CreateGrid();
    void CreateStatusBar();
    void CreateShortcuts();
    void LayOutEditorPane(QSize size);
    void LayOutGridPane(QSize size);
    void SaveWindowState();
    bool RestoreWindowState();
    void FitLineNumberColumn();
    void ShowRunStatus(long long rows, bool limitReached);
    bool WriteScript(const std::string& path);
    void OnSeparatorEdited();
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
    querimo::SqlEditor* m_editor = nullptr;
    QTableView* m_grid = nullptr;
    QSplitter* m_splitter = nullptr;
    QWidget* m_editorPane = nullptr;
    QWidget* m_gridPane = nullptr;
    QStatusBar* m_statusBar = nullptr;
    QLabel* m_statusConnection = nullptr;
    QLabel* m_statusRows = nullptr;
    QLabel* m_statusTime = nullptr;
    QLabel* m_statusLimit = nullptr;
    QElapsedTimer m_runClock;
    qint64 m_runPausedMs = 0;
    QElapsedTimer m_sinceStatusShown;
    QFont m_gridBaseFont;
    int m_gridZoom = 0;
    // The full path of m_strFileName's file, for saving without a dialog.
    std::string m_strFilePath;
    std::string m_findText;
    // The connection string last asked for, which names what the status bar shows.
    std::string m_connectRequest;
    QLineEdit* m_maxRowsEdit = nullptr;
    QLineEdit* m_separatorEdit = nullptr;
    QMenu* m_systemMenu = nullptr;
    // How the script last put into the editor ended its lines; new lines end the same way.
    querimo::LineEnd m_editorLineEnd = querimo::LineEnd::Lf;
    bool m_settingEditorText = false;
    bool m_centred = false;
    bool m_quitRequested = false;
    int m_exitCode = 0;

    // Grid clipboard and record view.
  public:
    void OnEditCopy();
    void OnRecordView();
    void OnDblclkResultList(int row);
    // position is in the grid's viewport.
    void OnRclickResultList(const QPoint& position);
    // True when the key copied the selection. A key pressed with Ctrl held counts as a chord
    // whatever came before it.
    bool OnKeydownResultList(int virtualKey, bool controlHeld = false);
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
