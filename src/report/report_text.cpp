#include "report/odbc_report.h"

#include <langinfo.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace report_text {

std::string QuotedCsvField(const std::string& text, char quote) {
    std::string field(1, quote);
    for (char c : text) {
        auto code = static_cast<unsigned char>(c);
        if (code >= 1 && code <= 31) {
            field += '\\';
            field += '0';
            field += static_cast<char>('0' + code / 8);
            field += static_cast<char>('0' + code % 8);
        } else if (c == quote) {
            field += quote;
            field += quote;
        } else {
            field += c;
        }
    }
    field += quote;
    return field;
}

bool BreaksCsvLine(const std::string& text, char delimiter, char quote) {
    return std::any_of(text.begin(), text.end(), [&](char c) {
        return c == delimiter || c == quote || c == '\r' || c == '\n';
    });
}

std::string HtmlCellText(const std::string& text) {
    const char* blanks = " \t\n\v\f\r";
    std::string::size_type first = text.find_first_not_of(blanks);
    if (first == std::string::npos) {
        return {};
    }
    std::string::size_type last = text.find_last_not_of(blanks);
    std::string cell;
    for (std::string::size_type i = first; i <= last; ++i) {
        if (text[i] == '<') {
            cell += "&lt;";
        } else if (text[i] == '>') {
            cell += "&gt;";
        } else {
            cell += text[i];
        }
    }
    return cell;
}

int64_t InsertPlace(const std::string& tail, int64_t tailOffset) {
    std::string::size_type found = tail.rfind(kInsertMarker);
    if (found == std::string::npos) {
        return -1;
    }
    // The recorded offset is not needed: where the marker stands is where the page ends, and a
    // wrong number (a hand-edited page) must never cut earlier content or extend the file.
    return tailOffset + static_cast<int64_t>(found);
}

std::string PageCharset() {
    std::string codeset = nl_langinfo(CODESET);
    std::string lower;
    for (char c : codeset) {
        lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (lower == "utf-8" || lower == "utf8" || lower == "ansi_x3.4-1968" || lower.empty()) {
        return "utf-8";
    }
    return lower;
}

}  // namespace report_text
