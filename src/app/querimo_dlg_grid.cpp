// The result grid's ways out: copying the selected rows, selecting all of them, the context
// menu, and the record view of one row.
#include "app/querimo_dlg.h"

#include "ui/grid_copy.h"
#include "ui/record_dlg.h"
#include "ui/result_grid_model.h"
#include "ui/row_text.h"

#include <QKeyEvent>
#include <QMenu>
#include <QTableView>

#include <algorithm>

int CQuerimoDlg::s_lastGridKey = 0;

namespace {

constexpr int ID_RECORD_VIEW = 32771;
constexpr int ID_COPY = 32772;

// Hands the grid's key presses to the window first. Qt's own copy and select-all never run:
// Ctrl+C and Ctrl+A count only as the chord rule says, and the other copy keys give the
// standard copy command.
class GridKeyFilter : public QObject {
  public:
    explicit GridKeyFilter(CQuerimoDlg* window) : QObject(window), m_window(window) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return QObject::eventFilter(watched, event);
        }
        auto* key = static_cast<QKeyEvent*>(event);
        if (m_window->OnKeydownResultList(querimo::VirtualKey(*key))) {
            return true;
        }
        if (key->matches(QKeySequence::Copy) && key->key() != Qt::Key_C) {
            m_window->OnEditCopy();
            return true;
        }
        return key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll);
    }

  private:
    CQuerimoDlg* m_window;
};

QAction* MenuCommand(QMenu* menu, const char* text, int id) {
    QAction* action = menu->addAction(QString::fromLatin1(text));
    action->setObjectName(QString::number(id));
    return action;
}

}  // namespace

void CQuerimoDlg::ConnectGridHandlers() {
    m_gridMenu = new QMenu(this);
    m_gridMenu->setObjectName(QStringLiteral("LV_SubMenu"));
    connect(MenuCommand(m_gridMenu, "&Record View", ID_RECORD_VIEW), &QAction::triggered, this,
            [this] { OnRecordView(); });
    connect(MenuCommand(m_gridMenu, "&Copy", ID_COPY), &QAction::triggered, this,
            [this] { OnEditCopy(); });

    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& position) { OnRclickResultList(position); });
    connect(m_grid, &QAbstractItemView::doubleClicked, this,
            [this](const QModelIndex& index) { OnDblclkResultList(index.row()); });
    m_grid->installEventFilter(new GridKeyFilter(this));
}

void CQuerimoDlg::OnEditCopy() {
    CopySelectionToDataSource(querimo::CurrentPrompt());
}

void CQuerimoDlg::CopySelectionToDataSource(querimo::Prompt& dataSource) {
    std::string block = SelectionText();
    // The clipboard keeps the text's length; the terminator is not part of the text.
    block.pop_back();
    dataSource.SetClipboardText(block);
}

std::string CQuerimoDlg::SelectionText() const {
    m_resultList->Flush();
    return querimo::RowsText(
        querimo::SelectedRows(*m_grid), m_resultList->columnCount(),
        [this](int row, int column) { return m_resultList->CellView(row, column); }, m_cDelimiter);
}

bool CQuerimoDlg::OnKeydownResultList(int virtualKey) {
    const bool chord = s_lastGridKey == querimo::kVirtualKeyControl;
    s_lastGridKey = virtualKey;
    if (chord && virtualKey == querimo::kVirtualKeyC) {
        OnEditCopy();
        return true;
    }
    if (chord && virtualKey == querimo::kVirtualKeyA) {
        m_resultList->Flush();
        if (m_resultList->rowCount() >= 1) {
            m_grid->selectAll();
        }
    }
    return false;
}

void CQuerimoDlg::OnRclickResultList(const QPoint& position) {
    if (!m_grid->indexAt(position).isValid()) {
        return;
    }
    m_gridMenu->popup(m_grid->viewport()->mapToGlobal(position));
}

void CQuerimoDlg::OnDblclkResultList(int row) {
    if (row >= 0) {
        ShowRecord(row);
    }
}

void CQuerimoDlg::OnRecordView() {
    const std::vector<int> rows = querimo::SelectedRows(*m_grid);
    if (!rows.empty()) {
        ShowRecord(*std::min_element(rows.begin(), rows.end()));
    }
}

void CQuerimoDlg::ShowRecord(int row) {
    if (row < 0 || row >= m_resultList->LineCount()) {
        return;
    }
    CRecordDlg record(this);
    for (int column = 0; column < m_resultList->columnCount(); ++column) {
        const std::string_view heading =
            querimo::FitToBuffer(m_resultList->Heading(column), querimo::kHeadingBufferSize);
        record.AddField(std::string(heading), m_resultList->Cell(row, column),
                        m_resultList->IsCutCell(row, column));
    }
    if (m_runRecordView) {
        m_runRecordView(record);
    } else {
        record.DoModal();
    }
}
