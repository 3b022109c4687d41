#pragma once
// The result grid's data: headings and lines of 8-bit cell texts, shown through Qt only when
// painted, so a copied cell gives back exactly the bytes the driver delivered.

#include <QAbstractTableModel>

#include <string>
#include <vector>

namespace querimo {

class ResultGridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Removes every line; the columns stay.
    void DeleteAllItems();
    void DeleteAllColumns();
    void AddColumn(const std::string& heading, Qt::Alignment alignment = Qt::AlignLeft);
    void AddLine(std::vector<std::string> cells);

    const std::string& Cell(int line, int column) const;
    const std::string& Heading(int column) const { return m_headings.at(column); }
    int LineCount() const { return static_cast<int>(m_lines.size()); }

  private:
    std::vector<std::string> m_headings;
    std::vector<Qt::Alignment> m_alignments;
    std::vector<std::vector<std::string>> m_lines;
};

}  // namespace querimo
