#include "report/odbc_report.h"

#include <langinfo.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint64_t kEveryByte = 0x0101010101010101;
constexpr uint64_t kHighBits = 0x8080808080808080;

bool NeedsCsvEscape(char c, char quote) {
    auto code = static_cast<unsigned char>(c);
    return (code >= 1 && code <= 31) || c == quote;
}

// Whether one of the eight bytes at p may be a control character or the quote: never false
// when one is, true also for a NUL byte. Looks at eight bytes with a few instructions.
bool MayNeedCsvEscape(const char* p, uint64_t quotes) {
    uint64_t word;
    std::memcpy(&word, p, sizeof(word));
    const uint64_t below32 = (word - kEveryByte * 32) & ~word & kHighBits;
    const uint64_t other = word ^ quotes;
    const uint64_t isQuote = (other - kEveryByte) & ~other & kHighBits;
    return (below32 | isQuote) != 0;
}

const char* FindCsvEscape(const char* p, const char* end, char quote) {
    const uint64_t quotes = kEveryByte * static_cast<unsigned char>(quote);
    while (p != end) {
        if (end - p >= 8 && !MayNeedCsvEscape(p, quotes)) {
            p += 8;
            continue;
        }
        const char* const block = p + std::min<std::ptrdiff_t>(8, end - p);
        for (; p != block; ++p) {
            if (NeedsCsvEscape(*p, quote)) {
                return p;
            }
        }
    }
    return end;
}

void AppendRange(std::string& out, const char* begin, const char* end) {
    out.append(begin, static_cast<std::size_t>(end - begin));
}

}  // namespace

namespace report_text {

void AppendQuotedCsvField(std::string& out, std::string_view text, char quote) {
    out += quote;
    // Runs without anything to escape are copied whole; most values are one such run.
    const char* run = text.data();
    const char* const end = run + text.size();
    for (const char* next = FindCsvEscape(run, end, quote); next != end;
         next = FindCsvEscape(run, end, quote)) {
        AppendRange(out, run, next);
        run = next + 1;
        auto code = static_cast<unsigned char>(*next);
        if (code >= 1 && code <= 31) {
            const char escape[] = {'\\', '0', static_cast<char>('0' + code / 8),
                                   static_cast<char>('0' + code % 8)};
            out.append(escape, sizeof(escape));
        } else {
            out += quote;
            out += quote;
        }
    }
    AppendRange(out, run, end);
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

void AppendHtmlEscaped(std::string& out, std::string_view text, bool inAttribute) {
    std::string_view::size_type run = 0;
    for (std::string_view::size_type i = 0; i < text.size(); ++i) {
        const char* entity = nullptr;
        switch (text[i]) {
            case '&':
                entity = "&amp;";
                break;
            case '<':
                entity = "&lt;";
                break;
            case '>':
                entity = "&gt;";
                break;
            case '"':
                entity = inAttribute ? "&quot;" : nullptr;
                break;
            default:
                break;
        }
        if (entity != nullptr) {
            out.append(text, run, i - run);
            out += entity;
            run = i + 1;
        }
    }
    out.append(text, run);
}

std::string HtmlEscaped(std::string_view text, bool inAttribute) {
    std::string escaped;
    AppendHtmlEscaped(escaped, text, inAttribute);
    return escaped;
}

void AppendHtmlCellText(std::string& out, std::string_view text) {
    const char* blanks = " \t\n\v\f\r";
    std::string_view::size_type first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) {
        return;
    }
    AppendHtmlEscaped(out, text.substr(first, text.find_last_not_of(blanks) - first + 1), false);
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
