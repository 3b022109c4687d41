#pragma once
// The result grid's lines as compact bytes: one growing arena of cell texts with a short length
// prefix per cell and one small reference per line, so that a million lines cost little more
// than their text.

#include "db/result_cell.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <future>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace querimo {

// One cell handed to the grid: its bytes, and whether the value was SQL NULL (then empty).
using GridCell = ResultCell;

class GridLineStore {
  public:
    std::size_t Count() const { return m_lines.size(); }
    // position is at most Count().
    void Insert(std::size_t position, const std::vector<GridCell>& cells);
    void Insert(std::size_t position, const std::vector<std::string>& texts);
    // Cells past a line's last one read as empty, non-NULL.
    std::string_view Text(std::size_t line, std::size_t column) const;
    bool IsNull(std::size_t line, std::size_t column) const;
    bool IsCut(std::size_t line, std::size_t column) const;
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
        bool isCut = false;
    };
    // A block of line bytes that never moves, so that lines can point into it.
    class Chunk {
      public:
        // At least capacity bytes.
        explicit Chunk(std::size_t capacity);
        // A chunk whose pages have all been written once, so that filling it takes no faults.
        static Chunk Touched(std::size_t capacity);
        const char* Data() const { return m_bytes.get(); }
        std::size_t Size() const { return m_size; }
        std::size_t Capacity() const { return m_capacity; }
        // Where size more bytes go; the caller has made sure there is room for them.
        char* Extend(std::size_t size);

      private:
        struct Free {
            void operator()(char* bytes) const { std::free(bytes); }
        };
        std::unique_ptr<char[], Free> m_bytes;
        std::size_t m_size = 0;
        std::size_t m_capacity = 0;
    };

    template <typename Cells, typename Access>
    void InsertEncoded(std::size_t position, const Cells& cells, Access access);
    // Room for `size` more bytes in one chunk; returns where they go.
    LineRef Reserve(std::size_t size);
    // A new chunk of at least size bytes, the one made ready beforehand when there is one.
    Chunk NewChunk(std::size_t size);
    CellRef Find(std::size_t line, std::size_t column) const;

    std::vector<Chunk> m_chunks;
    std::vector<LineRef> m_lines;
    // Once lines fill more than one chunk, the next is made ready on another thread while the
    // last fills: the kernel clears every page of new memory at its first write, which costs
    // about as much as writing the lines, and the other core can do that meanwhile.
    std::future<Chunk> m_nextChunk;
};

}  // namespace querimo
