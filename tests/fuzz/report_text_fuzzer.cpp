// The report writers' text rules over any input, the first byte choosing the rule. A CSV field
// stays inside its quotes on one line and reads back to the value, and one left unquoted holds
// nothing that breaks its line; an HTML cell lets no markup through and loses only the blanks
// at its ends; an appended page is cut at the last marker of its tail, never past its end.
#include "fuzz_check.h"
#include "report/odbc_report.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace {

std::string Replace(std::string text, std::string_view from, char to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + 1)) {
        text.replace(at, from.size(), 1, to);
    }
    return text;
}

void CheckCsvField(char quote, char delimiter, const std::string& text) {
    const std::string field = report_text::QuotedCsvField(text, quote);
    FUZZ_CHECK(field.size() >= 2 && field.front() == quote && field.back() == quote);
    for (char c : field.substr(1, field.size() - 2)) {
        FUZZ_CHECK(static_cast<unsigned char>(c) == 0 || static_cast<unsigned char>(c) > 31);
    }
    // The octal escapes make a backslash in the value, or a backslash or digit as the quote,
    // ambiguous to read back.
    if (static_cast<unsigned char>(quote) > 31 && quote != '\\' &&
        !(quote >= '0' && quote <= '7') && text.find('\\') == std::string::npos) {
        std::string back;
        for (std::size_t i = 1; i + 1 < field.size(); ++i) {
            if (field[i] == quote) {
                FUZZ_CHECK(field.at(++i) == quote);
            }
            const bool escape = field[i] == '\\';
            back += escape ? static_cast<char>((field.at(i + 2) - '0') * 8 + field.at(i + 3) - '0')
                           : field[i];
            i += escape ? 3 : 0;
        }
        FUZZ_CHECK(back == text);
    }
    if (!report_text::BreaksCsvLine(text, delimiter, quote)) {
        FUZZ_CHECK(text.find_first_of(std::string{delimiter, quote, '\r', '\n'}) ==
                   std::string::npos);
    }
}

void CheckHtmlCell(const std::string& value) {
    const std::string cell = report_text::HtmlCellText(value);
    FUZZ_CHECK(cell.find_first_of("<>") == std::string::npos);
    // Text taken as plain is written as it stands.
    FUZZ_CHECK(!report_text::IsPlainHtmlCellText(value) || cell == value);
    const char* blanks = " \t\n\v\f\r";
    const auto first = value.find_first_not_of(blanks);
    const std::string trimmed =
        first == std::string::npos
            ? ""
            : value.substr(first, value.find_last_not_of(blanks) - first + 1);
    FUZZ_CHECK(value.find('&') != std::string::npos ||
               Replace(Replace(cell, "&lt;", '<'), "&gt;", '>') == trimmed);
}

void CheckInsertPlace(const std::string& page) {
    const std::size_t tailStart = page.size() - std::min<std::size_t>(page.size(), 512);
    const std::string tail = page.substr(tailStart);
    const int64_t place = report_text::InsertPlace(tail, static_cast<int64_t>(tailStart));
    const std::string_view marker = report_text::kInsertMarker;
    if (place < 0) {
        FUZZ_CHECK(place == -1 && tail.find(marker) == std::string::npos);
        return;
    }
    const auto at = static_cast<std::size_t>(place);
    FUZZ_CHECK(at >= tailStart && page.compare(at, marker.size(), marker) == 0);
    // The last marker wins: the tables of earlier runs stay.
    FUZZ_CHECK(tail.find(marker, at - tailStart + 1) == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 3) {
        return 0;
    }
    const std::string rest(reinterpret_cast<const char*>(data) + 3, size - 3);
    switch (data[0] % 3) {
        case 0:
            CheckCsvField(static_cast<char>(data[1]), static_cast<char>(data[2]), rest);
            break;
        case 1:
            CheckHtmlCell(rest);
            break;
        default:
            CheckInsertPlace(rest);
            // The marker put in where the input chooses, any "number" after it.
            const std::size_t at = rest.size() - std::min<std::size_t>(rest.size(), data[1] * 4u);
            CheckInsertPlace(rest.substr(0, at) + report_text::kInsertMarker +
                             rest.substr(at, data[2]) + " -->\n" +
                             rest.substr(std::min<std::size_t>(rest.size(), at + data[2])));
    }
    return 0;
}
