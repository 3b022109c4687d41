#pragma once
// A small window in front of the main window while a long operation runs on the UI thread: a
// progress bar and a Cancel button that sets its owner's flag. The owner pumps events through it.

#include <QDialog>
#include <QElapsedTimer>
#include <QPointer>

class QLabel;
class QProgressBar;
class QPushButton;

// Identifiers of the window's controls; each widget's object name is its number.
enum WaitProgressControlId : int {
    IDC_WAIT_CANCEL = 2,
    IDC_WAIT_PROGRESS = 1230,
    IDC_WAIT_IN_PROGRESS = 1290,
    IDC_WAIT_MESSAGE = 1310,
};

// The object name of the line that counts the rows fetched so far.
inline constexpr const char* kRowsFetchedName = "rowsFetched";

class CWaitProgressDlg : public QDialog {
    Q_OBJECT
  public:
    // cancel is the owner's flag and must outlive this object; it is only ever set. caption and
    // message may be null. mainWindow is disabled while the window exists; null means the active
    // window.
    CWaitProgressDlg(bool* cancel, const char* caption, const char* message,
                     QWidget* mainWindow = nullptr);
    ~CWaitProgressDlg() override;

    // Clamped to 0..100; nothing happens once the window is gone.
    void SetPercent(int percent);
    // Shown a few times a second at most, so that calling it for every tenth row costs nothing.
    void SetRowsFetched(long long rows);
    // Delivers every pending event, then the work they left behind; a call a few milliseconds
    // after the last one that did does nothing. A quit request taken meanwhile is put back for
    // later, sets the cancel flag and makes the result false.
    bool PumpMessages();
    // Enables the main window again and removes the window; safe any number of times.
    void Close();
    // Cancel, Esc and the close box all come here.
    void OnCancel();

    bool IsWindow() const { return m_windowOpen; }

  protected:
    void reject() override;

  private:
    void CreateControls();

    bool* m_pbCancel;
    QPointer<QWidget> m_mainWindow;
    QPointer<QWidget> m_focusBeforehand;
    QProgressBar* m_progress = nullptr;
    QLabel* m_rowsFetched = nullptr;
    QElapsedTimer m_sinceRowsShown;
    QElapsedTimer m_sincePump;
    bool m_windowOpen = false;
};
