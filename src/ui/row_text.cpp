#include "ui/row_text.h"

#include "db/utf8.h"

#include <algorithm>

namespace querimo {

namespace {

constexpr char kQuote = '"';
constexpr std::string_view kTrailingWhiteSpace = " \t\r\n\v\f";

// Where the UTF-8 character that crosses cut begins; cut itself when none does. Bytes that are
// no such character are cut where they fall.
std::size_t CharacterBoundary(std::string_view text, std::size_t cut) {
    // A character is at most four bytes, so one that crosses cut begins at most three before it.
    for (std::size_t lead = cut; lead > 0 && cut - lead < 3;) {
        --lead;
        if (const std::size_t length = Utf8SequenceLength(text.substr(lead)); length != 0) {
            return lead + length > cut ? lead : cut;
        }
    }
    return cut;
}

std::string_view TrimRight(std::string_view text) {
    const std::size_t last = text.find_last_not_of(kTrailingWhiteSpace);
    return last == std::string_view::npos ? std::string_view() : text.substr(0, last + 1);
}

void WriteQuotedField(std::string_view text, std::string& out) {
    out += kQuote;
    if (text.find(kQuote) == std::string_view::npos &&
        text.find("\r\n") == std::string_view::npos) {
        out += text;
        out += kQuote;
        return;
    }
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == kQuote) {
            out += "\"\"";
        } else if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            ++i;
        } else if (text[i] == '\n') {
            out += ' ';
        } else {
            out += text[i];
        }
    }
    out += kQuote;
}

}  // namespace

std::string_view FitToBuffer(std::string_view text, std::size_t bufferSize) {
    if (bufferSize == 0) {
        return {};
    }
    text = text.substr(0, text.find('\0'));
    const std::size_t room = bufferSize - 1;
    return text.size() <= room ? text : text.substr(0, CharacterBoundary(text, room));
}

void WriteRowFields(const std::vector<std::string_view>& fields, char delimiter, std::string& out) {
    if (fields.empty()) {
        return;
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            out += delimiter;
        }
        WriteQuotedField(TrimRight(fields[i]), out);
    }
    out += "\r\n";
}

std::string RowsText(std::vector<int> rows, int columnCount, const CellTextReader& cellText,
                     char delimiter) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (delimiter == '\0') {
        delimiter = ',';
    }
    std::string block;
    std::vector<std::string_view> fields;
    for (int row : rows) {
        fields.clear();
        for (int column = 0; column < columnCount; ++column) {
            fields.push_back(FitToBuffer(cellText(row, column), kCellTextBufferSize));
        }
        WriteRowFields(fields, delimiter, block);
    }
    block += '\0';
    return block;
}

}  // namespace querimo
