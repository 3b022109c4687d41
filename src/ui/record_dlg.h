#pragma once
// The record view: one row of the result grid turned on its side, a line per column with the
// column's heading and the row's text, sorted by a click on a heading and copied with Ctrl+C.

#include <QDialog>

#include <string>
#include <vector>

class QTableWidget;

class CRecordDlg : public QDialog {
    Q_OBJECT
  public:
    static constexpr int IDC_LIST = 1005;
    // The line's current position, kept on its first column's item.
    static constexpr int kItemValueRole = Qt::UserRole;

    explicit CRecordDlg(QWidget* parent = nullptr);

    // Called before the dialog is shown; names and values pair up in order. A cut value is only
    // the start of a longer one.
    void AddField(const std::string& name, const std::string& value, bool cut = false);
    int DoModal();
    // Runs once, when the dialog is first shown.
    bool OnInitDialog();

    void OnSize(int cx, int cy);
    void OnColumnclickList(int column);
    // True when the key copied the selected lines.
    bool OnKeydownList(int virtualKey);
    // The selected lines as clipboard text, NUL included; always delimited by commas.
    std::string SelectionText() const;

    // Shared by every record view of the run.
    struct SortState {
        int column = -1;
        bool ascending = false;
    };
    static SortState s_sortState;
    // The last key pressed in any record view's list.
    static int s_lastKey;

  protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void FillList();
    void RenumberItemValues();

    QTableWidget* m_list = nullptr;
    std::vector<std::string> m_names;
    std::vector<std::string> m_values;
    std::vector<bool> m_cut;
    bool m_initialised = false;
};
