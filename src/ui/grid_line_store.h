#pragma once
// The result grid's lines as compact bytes: one growing arena of cell texts with a short length
// prefix per cell and one small reference per line, so that a million lines cost little more
// than their text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace querimo {

// One cell handed to the grid: its bytes, and whether the value was SQL NULL (then empty).
struct GridCell {
    std::string text;
    bool isNull = false;
};

class GridLineStore {
  public:
    std::size_t Count() const { return m_lines.size(); }
    // position is at most Count().
    void Insert(std::size_t position, const std::vector<GridCell>& cells);
    void Insert(std::size_t position, const std::vector<std::string>& texts);
    // Cells past a line's last one read as empty, non-NULL.
    std::string_view Text(std::size_t line, std::size_t column) const;
    bool IsNull(std::size_t line, std::size_t column) const;
    std::size_t CellCount(std::size_t line) const;
    // Every line gets an empty cell at column; the cells from there move one to the right.
    void InsertEmptyCell(std::size_t column);
    void Clear();
    // Memory held for the lines, in bytes.
    std::size_t MemoryBytes() const;

  private:
    struct LineRef {
        uint32_t chunk;
        uint32_t offset;
    };
    struct CellRef {
        std::string_view text;
        bool isNull = false;
    };
    template <typename Cells, typename Access>
    void InsertEncoded(std::size_t position, const Cells& cells, Access access);
    // Room for `size` more bytes in one chunk; returns where they go.
    LineRef Reserve(std::size_t size);
    CellRef Find(std::size_t line, std::size_t column) const;

    std::vector<std::string> m_chunks;
    std::vector<LineRef> m_lines;
};

}  // namespace querimo
