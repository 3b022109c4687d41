#include "report/odbc_report.h"

#include <langinfo.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace report_text {

void AppendQuotedCsvField(std::string& out, std::string_view text, char quote) {
    out += quote;
    // Runs without anything to escape are copied whole; most values are one such run.
    const char* run = text.data();
    const char* const end = run + text.size();
    for (const char* next = run; next != end; ++next) {
        auto code = static_cast<unsigned char>(*next);
        bool control = code >= 1 && code <= 31;
        if (!control && *next != quote) {
            continue;
        }
        out.append(run, next);
        run = next + 1;
        if (control) {
            const char escape[] = {'\\', '0', static_cast<char>('0' + code / 8),
                                   static_cast<char>('0' + code % 8)};
            out.append(escape, sizeof(escape));
        } else {
            out += quote;
            out += quote;
        }
    }
    out.append(run, end);
    out += quote;
}

std::string QuotedCsvField(const std::string& text, char quote) {
    std::string field;
    AppendQuotedCsvField(field, text, quote);
    return field;
}

bool BreaksCsvLine(std::string_view text, char delimiter, char quote) {
    for (char c : text) {
        if (c == delimiter || c == quote || c == '\r' || c == '\n') {
            return true;
        }
    }
    return false;
}

void AppendHtmlCellText(std::string& out, std::string_view text) {
    const char* blanks = " \t\n\v\f\r";
    std::string_view::size_type first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return;
    }
    text = text.substr(first, text.find_last_not_of(blanks) - first + 1);
    std::string_view::size_type run = 0;
    for (std::string_view::size_type i = 0; i < text.size(); ++i) {
        if (text[i] == '<' || text[i] == '>') {
            out.append(text, run, i - run);
            out += text[i] == '<' ? "&lt;" : "&gt;";
            run = i + 1;
        }
    }
    out.append(text, run);
}

std::string HtmlCellText(const std::string& text) {
    std::string cell;
    AppendHtmlCellText(cell, text);
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
