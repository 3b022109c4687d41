#include "ui/grid_line_store.h"

#include <sys/mman.h>

#include <algorithm>
#include <iterator>
#include <new>
#include <system_error>

namespace querimo {

namespace {

// The size of a huge page on x86-64 and most other machines.
constexpr std::size_t kChunkBytes = std::size_t{2} << 20;

std::size_t VarintSize(uint64_t value) {
    std::size_t size = 1;
    while (value >= 0x80) {
        value >>= 7;
        ++size;
    }
    return size;
}

char* PutVarint(char* out, uint64_t value) {
    while (value >= 0x80) {
        *out++ = static_cast<char>((value & 0x7F) | 0x80);
        value >>= 7;
    }
    *out++ = static_cast<char>(value);
    return out;
}

uint64_t ReadVarint(const char*& p) {
    uint64_t value = 0;
    int shift = 0;
    for (;;) {
        auto byte = static_cast<unsigned char>(*p++);
        value |= static_cast<uint64_t>(byte & 0x7F) << shift;
        if ((byte & 0x80) == 0) {
            return value;
        }
        shift += 7;
    }
}

// A cell's prefix holds its length and a mark in the lowest bit: NULL on an empty cell, cut on
// any other (a NULL has no text, and a cut value is never empty).
uint64_t CellHeader(std::string_view text, bool isNull, bool isCut) {
    const bool marked = text.empty() ? isNull : isCut;
    return (static_cast<uint64_t>(text.size()) << 1) | (marked ? 1 : 0);
}

}  // namespace

template <typename Cells, typename Access>
void GridLineStore::InsertEncoded(std::size_t position, const Cells& cells, Access access) {
    std::size_t size = VarintSize(cells.size());
    for (const auto& cell : cells) {
        auto [text, isNull, isCut] = access(cell);
        size += VarintSize(CellHeader(text, isNull, isCut)) + text.size();
    }
    LineRef ref = Reserve(size);
    char* out = m_chunks[ref.chunk].Extend(size);
    out = PutVarint(out, cells.size());
    for (const auto& cell : cells) {
        auto [text, isNull, isCut] = access(cell);
        out = PutVarint(out, CellHeader(text, isNull, isCut));
        out = std::copy(text.begin(), text.end(), out);
    }
    position = std::min(position, m_lines.size());
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(position), ref);
}

void GridLineStore::Insert(std::size_t position, const std::vector<GridCell>& cells) {
    InsertEncoded(position, cells, [](const GridCell& cell) {
        return CellRef{cell.text, cell.isNull, cell.isCut};
    });
}

void GridLineStore::Insert(std::size_t position, const std::vector<std::string>& texts) {
    InsertEncoded(position, texts, [](const std::string& text) { return CellRef{text}; });
}

GridLineStore::Chunk::Chunk(std::size_t capacity)
    : m_capacity((std::max(capacity, std::size_t{1}) + kChunkBytes - 1) / kChunkBytes *
                 kChunkBytes) {
    m_bytes.reset(static_cast<char*>(std::aligned_alloc(kChunkBytes, m_capacity)));
    if (!m_bytes) {
        throw std::bad_alloc();
    }
    // Only a hint. In huge pages, a million lines take hundreds of page faults, not tens of
    // thousands, and those cost more than writing the lines.
    madvise(m_bytes.get(), m_capacity, MADV_HUGEPAGE);
}

GridLineStore::Chunk GridLineStore::Chunk::Touched(std::size_t capacity) {
    Chunk chunk(capacity);
    constexpr std::size_t kSmallestPage = 4096;
    for (std::size_t at = 0; at < chunk.m_capacity; at += kSmallestPage) {
        chunk.m_bytes[at] = 0;
    }
    return chunk;
}

char* GridLineStore::Chunk::Extend(std::size_t size) {
    char* end = m_bytes.get() + m_size;
    m_size += size;
    return end;
}

GridLineStore::LineRef GridLineStore::Reserve(std::size_t size) {
    if (m_chunks.empty() || m_chunks.back().Capacity() - m_chunks.back().Size() < size) {
        m_chunks.push_back(NewChunk(size));
    }
    const Chunk& chunk = m_chunks.back();
    return {static_cast<uint32_t>(m_chunks.size() - 1), static_cast<uint32_t>(chunk.Size())};
}

GridLineStore::Chunk GridLineStore::NewChunk(std::size_t size) {
    if (m_chunks.empty()) {
        return Chunk(size);
    }
    Chunk chunk = m_nextChunk.valid() ? m_nextChunk.get() : Chunk(size);
    if (chunk.Capacity() < size) {
        chunk = Chunk(size);
    }
    try {
        m_nextChunk = std::async(std::launch::async, [] { return Chunk::Touched(kChunkBytes); });
    } catch (const std::system_error&) {
        // No thread to be had: the chunks are made as they are needed.
    }
    return chunk;
}

GridLineStore::CellRef GridLineStore::Find(std::size_t line, std::size_t column) const {
    const LineRef& ref = m_lines.at(line);
    const char* p = m_chunks[ref.chunk].Data() + ref.offset;
    uint64_t count = ReadVarint(p);
    if (column >= count) {
        return {};
    }
    for (std::size_t i = 0;; ++i) {
        uint64_t header = ReadVarint(p);
        auto length = static_cast<std::size_t>(header >> 1);
        if (i == column) {
            const bool marked = (header & 1) != 0;
            return {std::string_view(p, length), marked && length == 0, marked && length != 0};
        }
        p += length;
    }
}

std::string_view GridLineStore::Text(std::size_t line, std::size_t column) const {
    return Find(line, column).text;
}

bool GridLineStore::IsNull(std::size_t line, std::size_t column) const {
    return Find(line, column).isNull;
}

bool GridLineStore::IsCut(std::size_t line, std::size_t column) const {
    return Find(line, column).isCut;
}

std::size_t GridLineStore::CellCount(std::size_t line) const {
    const LineRef& ref = m_lines.at(line);
    const char* p = m_chunks[ref.chunk].Data() + ref.offset;
    return static_cast<std::size_t>(ReadVarint(p));
}

void GridLineStore::InsertEmptyCell(std::size_t column) {
    GridLineStore moved;
    std::vector<GridCell> cells;
    for (std::size_t line = 0; line < m_lines.size(); ++line) {
        std::size_t count = CellCount(line);
        cells.resize(count);
        for (std::size_t i = 0; i < count; ++i) {
            CellRef cell = Find(line, i);
            cells[i] = {std::string(cell.text), cell.isNull, cell.isCut};
        }
        if (column < count) {
            cells.insert(cells.begin() + static_cast<std::ptrdiff_t>(column), GridCell{});
        }
        moved.Insert(line, cells);
    }
    *this = std::move(moved);
}

void GridLineStore::Clear() {
    m_nextChunk = {};
    m_chunks.clear();
    m_chunks.shrink_to_fit();
    m_lines.clear();
    m_lines.shrink_to_fit();
}

std::size_t GridLineStore::MemoryBytes() const {
    std::size_t bytes = m_lines.capacity() * sizeof(LineRef);
    for (const Chunk& chunk : m_chunks) {
        bytes += chunk.Capacity();
    }
    return bytes + (m_nextChunk.valid() ? kChunkBytes : 0);
}

}  // namespace querimo
