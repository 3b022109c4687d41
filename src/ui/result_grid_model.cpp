#include "ui/result_grid_model.h"

#include "ui/text_bytes.h"

#include <algorithm>

namespace querimo {

namespace {

// The least time between two announcements of lines added at the end (milliseconds).
constexpr int kFlushInterval = 100;

}  // namespace

ResultGridModel::ResultGridModel(QObject* parent) : QAbstractTableModel(parent) {
    m_flushTimer.setSingleShot(true);
    connect(&m_flushTimer, &QTimer::timeout, this, [this] { Flush(); });
}

int ResultGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_shownLines;
}

int ResultGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headings.size());
}

QVariant ResultGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_shownLines) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
            // A value longer than the grid holds is marked, so that nobody takes it as whole.
            if (IsCutCell(index.row(), index.column())) {
                return ToQString(Cell(index.row(), index.column())) + QChar(0x2026);
            }
            return ToQString(Cell(index.row(), index.column()));
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Alignment(index.column()) | Qt::AlignVCenter);
        case kNullCellRole:
            return IsNullCell(index.row(), index.column());
        case kCutCellRole:
            return IsCutCell(index.row(), index.column());
        default:
            return {};
    }
}

QVariant ResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (role == Qt::DisplayRole) {
        return ToQString(Heading(section));
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(Alignment(section) | Qt::AlignVCenter);
    }
    return {};
}

void ResultGridModel::DeleteAllItems() {
    beginResetModel();
    m_lines.Clear();
    m_shownLines = 0;
    endResetModel();
}

void ResultGridModel::DeleteAllColumns() {
    beginResetModel();
    m_lines.Clear();
    m_shownLines = 0;
    m_headings.clear();
    m_alignments.clear();
    endResetModel();
}

void ResultGridModel::AddColumn(const std::string& heading, Qt::Alignment alignment) {
    InsertColumn(columnCount(), heading, alignment);
}

void ResultGridModel::InsertColumn(int position, const std::string& heading,
                                   Qt::Alignment alignment) {
    position = std::clamp(position, 0, columnCount());
    beginInsertColumns(QModelIndex(), position, position);
    m_headings.insert(m_headings.begin() + position, heading);
    m_alignments.insert(m_alignments.begin() + position, alignment);
    m_lines.InsertEmptyCell(static_cast<std::size_t>(position));
    endInsertColumns();
}

void ResultGridModel::AddLine(std::vector<std::string> cells) {
    InsertLine(LineCount(), cells);
}

void ResultGridModel::InsertLine(int position, const std::vector<GridCell>& cells) {
    Insert(position, cells);
}

void ResultGridModel::InsertLine(int position, const std::vector<std::string>& texts) {
    Insert(position, texts);
}

template <typename Cells>
void ResultGridModel::Insert(int position, const Cells& cells) {
    position = std::clamp(position, 0, LineCount());
    if (position >= m_shownLines) {
        m_lines.Insert(static_cast<std::size_t>(position), cells);
        ScheduleFlush();
        return;
    }
    // A line among those the view knows is announced at once, after the waiting ones.
    Flush();
    beginInsertRows(QModelIndex(), position, position);
    m_lines.Insert(static_cast<std::size_t>(position), cells);
    ++m_shownLines;
    endInsertRows();
}

void ResultGridModel::ScheduleFlush() {
    if (m_flushScheduled) {
        return;
    }
    m_flushScheduled = true;
    const qint64 wait = m_sinceFlush.isValid() ? kFlushInterval - m_sinceFlush.elapsed() : 0;
    if (wait > 0) {
        m_flushTimer.start(static_cast<int>(wait));
        return;
    }
    QMetaObject::invokeMethod(
        this, [this] { Flush(); }, Qt::QueuedConnection);
}

void ResultGridModel::Flush() {
    m_flushScheduled = false;
    m_flushTimer.stop();
    const int total = LineCount();
    if (total == m_shownLines) {
        return;
    }
    beginInsertRows(QModelIndex(), m_shownLines, total - 1);
    m_shownLines = total;
    endInsertRows();
    m_sinceFlush.restart();
}

std::string ResultGridModel::Cell(int line, int column) const {
    return std::string(CellView(line, column));
}

std::string_view ResultGridModel::CellView(int line, int column) const {
    if (column < 0) {
        return {};
    }
    return m_lines.Text(static_cast<std::size_t>(line), static_cast<std::size_t>(column));
}

bool ResultGridModel::IsNullCell(int line, int column) const {
    if (column < 0) {
        return false;
    }
    return m_lines.IsNull(static_cast<std::size_t>(line), static_cast<std::size_t>(column));
}

bool ResultGridModel::IsCutCell(int line, int column) const {
    if (column < 0) {
        return false;
    }
    return m_lines.IsCut(static_cast<std::size_t>(line), static_cast<std::size_t>(column));
}

}  // namespace querimo
