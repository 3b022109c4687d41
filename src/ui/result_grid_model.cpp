#include "ui/result_grid_model.h"

#include "ui/text_bytes.h"

namespace querimo {

namespace {
const std::string kEmpty;
}

int ResultGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_lines.size());
}

int ResultGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headings.size());
}

QVariant ResultGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) {
        return {};
    }
    if (role == Qt::DisplayRole) {
        return ToQString(Cell(index.row(), index.column()));
    }
    if (role == Qt::TextAlignmentRole) {
        return QVariant::fromValue(m_alignments.at(static_cast<std::size_t>(index.column())) |
                                   Qt::AlignVCenter);
    }
    return {};
}

QVariant ResultGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 ||
        section >= columnCount()) {
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    return ToQString(m_headings[static_cast<std::size_t>(section)]);
}

void ResultGridModel::DeleteAllItems() {
    beginResetModel();
    m_lines.clear();
    endResetModel();
}

void ResultGridModel::DeleteAllColumns() {
    beginResetModel();
    m_lines.clear();
    m_headings.clear();
    m_alignments.clear();
    endResetModel();
}

void ResultGridModel::AddColumn(const std::string& heading, Qt::Alignment alignment) {
    int column = columnCount();
    beginInsertColumns(QModelIndex(), column, column);
    m_headings.push_back(heading);
    m_alignments.push_back(alignment);
    endInsertColumns();
}

void ResultGridModel::AddLine(std::vector<std::string> cells) {
    int line = rowCount();
    beginInsertRows(QModelIndex(), line, line);
    m_lines.push_back(std::move(cells));
    endInsertRows();
}

const std::string& ResultGridModel::Cell(int line, int column) const {
    const auto& cells = m_lines.at(static_cast<std::size_t>(line));
    return static_cast<std::size_t>(column) < cells.size() ? cells[static_cast<std::size_t>(column)]
                                                           : kEmpty;
}

}  // namespace querimo
