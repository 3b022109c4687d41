// The clipboard text of copied rows over any cells, rows and delimiter: one line per distinct
// row, one NUL at the end, and a cut cell never ends inside a UTF-8 character.
#include "fuzz_check.h"
#include "ui/row_text.h"

#include <algorithm>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

// Cells are separated by this byte in the input; it may still appear inside none.
constexpr char kCellSeparator = '\x1f';

std::vector<std::string> SplitCells(std::string_view text) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(kCellSeparator, start);
        cells.emplace_back(text.substr(start, end - start));
        if (end == std::string_view::npos) {
            return cells;
        }
        start = end + 1;
    }
}

std::size_t CountOf(std::string_view text, std::string_view part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string_view::npos;
         at = text.find(part, at + part.size())) {
        ++count;
    }
    return count;
}

void CheckFit(std::string_view text, std::size_t bufferSize) {
    const std::string_view fit = querimo::FitToBuffer(text, bufferSize);
    const std::string_view beforeNul = text.substr(0, text.find('\0'));
    FUZZ_CHECK(beforeNul.substr(0, fit.size()) == fit);
    FUZZ_CHECK(bufferSize == 0 ? fit.empty() : fit.size() <= bufferSize - 1);
    if (bufferSize > 0 && beforeNul.size() > bufferSize - 1) {
        // At most the three bytes of a character that would not fit are given up.
        FUZZ_CHECK(fit.size() + 3 >= bufferSize - 1);
    } else {
        FUZZ_CHECK(fit.size() == beforeNul.size() || bufferSize == 0);
    }
    if (fuzz::IsValidUtf8(beforeNul)) {
        FUZZ_CHECK(fuzz::IsValidUtf8(fit));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 4) {
        return 0;
    }
    const char delimiter = static_cast<char>(data[0]);
    const int columnCount = data[1] % 6;
    const std::size_t bufferSize = data[2] % 40;
    const std::size_t rowPicks = data[3] % 8;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 4, size - 4);
    const std::string_view picks = rest.substr(0, std::min(rowPicks, rest.size()));
    const std::vector<std::string> cells = SplitCells(rest.substr(picks.size()));

    for (const std::string& cell : cells) {
        CheckFit(cell, bufferSize);
    }

    const int rowCount = columnCount == 0 ? 0 : static_cast<int>(cells.size()) / columnCount;
    std::vector<int> rows;
    for (char pick : picks) {
        // Rows past the end read as empty cells, as a grid line with fewer cells does.
        rows.push_back(static_cast<unsigned char>(pick) % (rowCount + 2));
    }
    const auto cellText = [&](int row, int column) -> std::string_view {
        const std::size_t index = static_cast<std::size_t>(row) * columnCount + column;
        return row < rowCount && index < cells.size() ? std::string_view(cells[index])
                                                      : std::string_view();
    };
    const std::string block = querimo::RowsText(rows, columnCount, cellText, delimiter);

    FUZZ_CHECK(!block.empty() && block.back() == '\0');
    FUZZ_CHECK(block.find('\0') == block.size() - 1);
    const std::size_t distinctRows = std::set<int>(rows.begin(), rows.end()).size();
    FUZZ_CHECK(CountOf(block, "\r\n") == (columnCount == 0 ? 0 : distinctRows));
    return 0;
}
