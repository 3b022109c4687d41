#include "ui/record_dlg.h"

#include "db/utf8.h"

#include "ui/dialog_units.h"
#include "ui/grid_copy.h"
#include "ui/prompt.h"
#include "ui/row_text.h"
#include "ui/text_bytes.h"

#include <QChar>
#include <QHeaderView>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QTableWidget>

#include <algorithm>

CRecordDlg::SortState CRecordDlg::s_sortState;
int CRecordDlg::s_lastKey = 0;

namespace {

constexpr QRect kListUnits{9, 9, 206, 152};

// Decodes one UTF-8 character from pos on; a byte that begins none stands for itself beyond
// the last code point, so that texts that differ never compare equal by being undecodable.
char32_t NextCharacter(std::string_view text, std::size_t& pos) {
    constexpr char32_t kBeyondUnicode = 0x110000;
    const std::size_t length = querimo::Utf8SequenceLength(text.substr(pos));
    if (length == 0) {
        return kBeyondUnicode + static_cast<unsigned char>(text[pos++]);
    }
    const char32_t code = querimo::DecodeUtf8(text.substr(pos, length));
    pos += length;
    return code;
}

// Character by character without regard to case; a text that is the start of another sorts
// first.
int CompareNoCase(std::string_view left, std::string_view right) {
    std::size_t l = 0;
    std::size_t r = 0;
    while (l < left.size() && r < right.size()) {
        const char32_t a = QChar::toCaseFolded(NextCharacter(left, l));
        const char32_t b = QChar::toCaseFolded(NextCharacter(right, r));
        if (a != b) {
            return a < b ? -1 : 1;
        }
    }
    return (l < left.size()) - (r < right.size());
}

// An item that keeps the bytes it shows, so that sorting and copying see them unchanged. A cut
// value shows an ellipsis after them.
class RecordItem : public QTableWidgetItem {
  public:
    explicit RecordItem(const std::string& bytes, bool cut = false)
        : QTableWidgetItem(querimo::ToQString(bytes) + (cut ? QString(QChar(0x2026)) : QString()),
                           UserType),
          m_bytes(bytes) {}

    const std::string& Bytes() const { return m_bytes; }

    bool operator<(const QTableWidgetItem& other) const override {
        if (other.type() != UserType) {
            return QTableWidgetItem::operator<(other);
        }
        return CompareNoCase(m_bytes, static_cast<const RecordItem&>(other).m_bytes) < 0;
    }

  private:
    std::string m_bytes;
};

}  // namespace

CRecordDlg::CRecordDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Record View"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setFont(querimo::DialogTemplateFont(font()));
    resize(querimo::DialogUnitsToPixels(0, 0, 222, 167).size());

    m_list = new QTableWidget(0, 2, this);
    m_list->setObjectName(QString::number(IDC_LIST));
    m_list->setGeometry(querimo::DialogUnitsToPixels(kListUnits));
    m_list->installEventFilter(this);
    connect(m_list->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { OnColumnclickList(column); });
}

void CRecordDlg::AddField(const std::string& name, const std::string& value, bool cut) {
    m_names.push_back(name);
    m_values.push_back(value);
    m_cut.push_back(cut);
}

int CRecordDlg::DoModal() {
    return exec();
}

void CRecordDlg::showEvent(QShowEvent* event) {
    if (!m_initialised) {
        m_initialised = OnInitDialog();
    }
    QDialog::showEvent(event);
}

bool CRecordDlg::OnInitDialog() {
    m_list->setHorizontalHeaderLabels({QStringLiteral("Column Name"), QStringLiteral("Value")});
    QHeaderView* headings = m_list->horizontalHeader();
    headings->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    headings->setStretchLastSection(true);
    headings->setHighlightSections(false);
    m_list->verticalHeader()->hide();
    m_list->setShowGrid(true);
    m_list->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->setWordWrap(false);
    FillList();
    m_list->resizeColumnToContents(0);
    return true;
}

void CRecordDlg::FillList() {
    const std::size_t count = std::min(m_names.size(), m_values.size());
    m_list->setRowCount(static_cast<int>(count));
    for (std::size_t i = 0; i < count; ++i) {
        const int line = static_cast<int>(i);
        auto* name = new RecordItem(m_names[i]);
        name->setData(kItemValueRole, line);
        m_list->setItem(line, 0, name);
        m_list->setItem(line, 1, new RecordItem(m_values[i], m_cut[i]));
    }
}

void CRecordDlg::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    OnSize(event->size().width(), event->size().height());
}

// The list keeps the template's left and top margins on the right and at the bottom too.
void CRecordDlg::OnSize(int cx, int cy) {
    if (!m_initialised || isMinimized()) {
        return;
    }
    const QPoint margin = querimo::DialogUnitsToPixels(kListUnits).topLeft();
    m_list->setGeometry(margin.x(), margin.y(), std::max(0, cx - 2 * margin.x()),
                        std::max(0, cy - 2 * margin.y()));
}

void CRecordDlg::OnColumnclickList(int column) {
    if (column != s_sortState.column) {
        s_sortState = {column, true};
    } else {
        s_sortState.ascending = !s_sortState.ascending;
    }
    const Qt::SortOrder order = s_sortState.ascending ? Qt::AscendingOrder : Qt::DescendingOrder;
    m_list->sortItems(column, order);
    m_list->horizontalHeader()->setSortIndicatorShown(true);
    m_list->horizontalHeader()->setSortIndicator(column, order);
    RenumberItemValues();
}

void CRecordDlg::RenumberItemValues() {
    for (int line = 0; line < m_list->rowCount(); ++line) {
        m_list->item(line, 0)->setData(kItemValueRole, line);
    }
}

bool CRecordDlg::OnKeydownList(int virtualKey) {
    const bool copy =
        s_lastKey == querimo::kVirtualKeyControl && virtualKey == querimo::kVirtualKeyC;
    s_lastKey = virtualKey;
    if (!copy) {
        return false;
    }
    std::string block = SelectionText();
    block.pop_back();
    querimo::CurrentPrompt().SetClipboardText(block);
    return true;
}

std::string CRecordDlg::SelectionText() const {
    return querimo::RowsText(
        querimo::SelectedRows(*m_list), m_list->columnCount(),
        [this](int row, int column) -> std::string_view {
            auto* item = static_cast<const RecordItem*>(m_list->item(row, column));
            return item != nullptr ? std::string_view(item->Bytes()) : std::string_view();
        },
        ',');
}

// Ctrl+C copies only as the chord rule says, and the list has no select-all or copy of its own.
bool CRecordDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_list || event->type() != QEvent::KeyPress) {
        return QDialog::eventFilter(watched, event);
    }
    auto* key = static_cast<QKeyEvent*>(event);
    const bool copied = OnKeydownList(querimo::VirtualKey(*key));
    return copied || key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll);
}
