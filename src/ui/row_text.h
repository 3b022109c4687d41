#pragma once
// The delimited text that copied grid rows and record-view lines become on the clipboard.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace querimo {

// A copied cell is read through a buffer of this many bytes, its terminator included.
inline constexpr std::size_t kCellTextBufferSize = 16384;
// A heading handed to the record view is read through a buffer of this size.
inline constexpr std::size_t kHeadingBufferSize = 256;

// text as a buffer of bufferSize bytes receives it: up to its first NUL and at most
// bufferSize - 1 bytes, backing off rather than ending inside a UTF-8 character.
std::string_view FitToBuffer(std::string_view text, std::size_t bufferSize);

// Appends one line: every field in quotes, delimiter between them, CRLF after them; nothing for
// no fields. A field loses its trailing white space; one holding a quote or a CRLF pair gets
// its quotes doubled, its CRLF pairs deleted and its other line feeds turned into blanks.
void WriteRowFields(const std::vector<std::string_view>& fields, char delimiter, std::string& out);

using CellTextReader = std::function<std::string_view(int row, int column)>;

// The clipboard block of rows: each row once, in ascending order, its columns 0 to
// columnCount - 1 read through kCellTextBufferSize, ended by one NUL byte. A NUL delimiter
// would end the text for every reader, so the comma stands in for it.
std::string RowsText(std::vector<int> rows, int columnCount, const CellTextReader& cellText,
                     char delimiter);

}  // namespace querimo
