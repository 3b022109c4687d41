#pragma once
// The main window: the one dialog that is the whole user interface, and the state of a run.

#include "app/command_line.h"
#include "db/cmdline_err_handler.h"
#include "ui/prompt.h"

#include <QDialog>

#include <cstdint>
#include <string>
#include <vector>

class ODBCConnect;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace querimo {
class ResultGridModel;
}

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
    bool ExportToFile(const std::string& sql, const std::string& outputPath, int* rowCount);

    bool QuitRequested() const { return m_quitRequested; }
    int ExitCode() const { return m_exitCode; }
    QWidget* Control(int id) const;

    querimo::ResultGridModel* m_resultList = nullptr;
    std::string m_strSql;
    uint32_t m_nMaxRows = 1000;
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

  private:
    void CreateControls();
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
    // What the program last put into the editor, kept so that text nobody edited reads back
    // as exactly the bytes it came from.
    std::string m_editorBytes;
    QString m_editorShown;
    bool m_settingEditorText = false;
    bool m_quitRequested = false;
    int m_exitCode = 0;
};
