#pragma once
// The result grid's data: headings and lines of 8-bit cell texts, shown through Qt only when
// painted, so a copied cell gives back exactly the bytes the driver delivered. Lines reach the
// view in batches: those added at the end are announced together at the next Flush, which runs
// by itself once events are processed, at most a few times a second while lines stream in.

#include "ui/grid_line_store.h"

#include <QAbstractTableModel>
#include <QElapsedTimer>
#include <QTimer>

#include <string>
#include <string_view>
#include <vector>

class QTableView;

namespace querimo {

// True for a cell whose value was SQL NULL; its text stays empty.
inline constexpr int kNullCellRole = Qt::UserRole + 1;
// True for a cell that holds only the start of a longer value.
inline constexpr int kCutCellRole = Qt::UserRole + 2;

class ResultGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit ResultGridModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Removes every line; the columns stay.
    void DeleteAllItems();
    void DeleteAllColumns();
    void AddColumn(const std::string& heading, Qt::Alignment alignment = Qt::AlignLeft);
    // The cells of every line from position on move one column to the right.
    void InsertColumn(int position, const std::string& heading, Qt::Alignment alignment);
    void AddLine(std::vector<std::string> cells);
    // A position past the last line appends.
    void InsertLine(int position, const std::vector<GridCell>& cells);
    void InsertLine(int position, const std::vector<std::string>& texts);
    // Tells the view of the lines added at the end since the last call.
    void Flush();

    std::string Cell(int line, int column) const;
    std::string_view CellView(int line, int column) const;
    bool IsNullCell(int line, int column) const;
    bool IsCutCell(int line, int column) const;
    // Cells the line was given; the grid shows those that have a column.
    int CellCount(int line) const { return static_cast<int>(m_lines.CellCount(line)); }
    const std::string& Heading(int column) const { return m_headings.at(column); }
    Qt::Alignment Alignment(int column) const { return m_alignments.at(column); }
    // Every line, also those the view has not been told of yet.
    int LineCount() const { return static_cast<int>(m_lines.Count()); }
    std::size_t LineMemoryBytes() const { return m_lines.MemoryBytes(); }

  private:
    template <typename Cells>
    void Insert(int position, const Cells& cells);
    void ScheduleFlush();

    std::vector<std::string> m_headings;
    std::vector<Qt::Alignment> m_alignments;
    GridLineStore m_lines;
    // Lines the view knows; the others are at the end.
    int m_shownLines = 0;
    bool m_flushScheduled = false;
    // Announcing lines makes the view lay itself out again, which costs more the more lines it
    // has, so a flush that comes soon after the last one waits for this timer.
    QTimer m_flushTimer;
    QElapsedTimer m_sinceFlush;
};

// Font, row height, NULL placeholder and header settings of a view showing the grid; call it
// after the model is set. While lines stream in, the view is painted a few times a second.
void ConfigureResultGridView(QTableView* view);

}  // namespace querimo
