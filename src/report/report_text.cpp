#include "report/odbc_report.h"

#include <langinfo.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Bytes compared all at once, in vector registers where the machine has them; comparing one
// with a byte gives 0xFF where they are equal.
using Bytes8 = unsigned char __attribute__((vector_size(8)));
using Bytes16 = unsigned char __attribute__((vector_size(16)));

template <typename Bytes>
Bytes Load(const char* p) {
    Bytes bytes;
    std::memcpy(&bytes, p, sizeof(bytes));
    return bytes;
}

// The first half of the bytes from first, the second half from second.
template <typename Bytes>
Bytes LoadHalves(const char* first, const char* second) {
    Bytes bytes;
    std::memcpy(&bytes, first, sizeof(bytes) / 2);
    std::memcpy(reinterpret_cast<char*>(&bytes) + sizeof(bytes) / 2, second, sizeof(bytes) / 2);
    return bytes;
}

// Whether a comparison held for any byte.
template <typename Bytes>
bool Any(Bytes mask) {
    uint64_t words[sizeof(Bytes) / sizeof(uint64_t)];
    std::memcpy(words, &mask, sizeof(mask));
    uint64_t any = 0;
    for (uint64_t word : words) {
        any |= word;
    }
    return any != 0;
}

template <typename IsSpecial>
const char* FindByByte(const char* p, const char* end, IsSpecial isSpecial) {
    for (; p != end; ++p) {
        if (isSpecial(*p)) {
            return p;
        }
    }
    return end;
}

// The first byte from p on that isSpecial takes, or end. Sixteen bytes are looked at together:
// mayHold is true for any bytes among which one is special, and most values have none.
template <typename MayHold, typename IsSpecial>
const char* FindSpecial(const char* p, const char* end, MayHold mayHold, IsSpecial isSpecial) {
    const char* const begin = p;
    for (; end - p >= 16; p += 16) {
        if (mayHold(Load<Bytes16>(p))) {
            if (const char* found = FindByByte(p, p + 16, isSpecial); found != p + 16) {
                return found;
            }
        }
    }
    // The last bytes among the sixteen that end with them, the ones before them being plain; a
    // shorter text as its first and last eight or four bytes.
    const std::ptrdiff_t length = end - begin;
    const bool plain =
        p == end || (length >= 16  ? !mayHold(Load<Bytes16>(end - 16))
                     : length >= 8 ? !mayHold(LoadHalves<Bytes16>(begin, end - 8))
                                   : length >= 4 && !mayHold(LoadHalves<Bytes8>(begin, end - 4)));
    return plain ? end : FindByByte(p, end, isSpecial);
}

bool NeedsCsvEscape(char c, char quote) {
    auto code = static_cast<unsigned char>(c);
    return (code >= 1 && code <= 31) || c == quote;
}

const char* FindCsvEscape(const char* p, const char* end, char quote) {
    const auto quoteByte = static_cast<unsigned char>(quote);
    return FindSpecial(
        p, end, [quoteByte](auto bytes) { return Any((bytes < 32) | (bytes == quoteByte)); },
        [quote](char c) { return NeedsCsvEscape(c, quote); });
}

bool IsHtmlSpecial(char c) {
    return c == '&' || c == '<' || c == '>' || c == '"';
}

const char* FindHtmlSpecial(const char* p, const char* end) {
    return FindSpecial(
        p, end,
        [](auto bytes) {
            return Any((bytes == '&') | (bytes == '<') | (bytes == '>') | (bytes == '"'));
        },
        IsHtmlSpecial);
}

bool IsBlank(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
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

bool NeedsCsvEscapes(std::string_view text, char quote) {
    const char* const end = text.data() + text.size();
    return FindCsvEscape(text.data(), end, quote) != end;
}

std::string QuotedCsvField(const std::string& text, char quote) {
    std::string field;
    AppendQuotedCsvField(field, text, quote);
    return field;
}

bool BreaksCsvLine(std::string_view text, char delimiter, char quote) {
    const auto delimiterByte = static_cast<unsigned char>(delimiter);
    const auto quoteByte = static_cast<unsigned char>(quote);
    const char* const end = text.data() + text.size();
    return FindSpecial(
               text.data(), end,
               [delimiterByte, quoteByte](auto bytes) {
                   return Any((bytes == delimiterByte) | (bytes == quoteByte) | (bytes == '\r') |
                              (bytes == '\n'));
               },
               [delimiter, quote](char c) {
                   return c == delimiter || c == quote || c == '\r' || c == '\n';
               }) != end;
}

void AppendHtmlEscaped(std::string& out, std::string_view text, bool inAttribute) {
    const char* run = text.data();
    const char* const end = run + text.size();
    for (const char* next = FindHtmlSpecial(run, end); next != end;
         next = FindHtmlSpecial(next + 1, end)) {
        const char* entity = nullptr;
        switch (*next) {
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
            AppendRange(out, run, next);
            out += entity;
            run = next + 1;
        }
    }
    AppendRange(out, run, end);
}

std::string HtmlEscaped(std::string_view text, bool inAttribute) {
    std::string escaped;
    AppendHtmlEscaped(escaped, text, inAttribute);
    return escaped;
}

void AppendHtmlCellText(std::string& out, std::string_view text) {
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin != end && IsBlank(*begin)) {
        ++begin;
    }
    while (end != begin && IsBlank(end[-1])) {
        --end;
    }
    AppendHtmlEscaped(out, std::string_view(begin, static_cast<std::size_t>(end - begin)), false);
}

bool IsPlainHtmlCellText(std::string_view text) {
    const char* const end = text.data() + text.size();
    return text.empty() || (!IsBlank(text.front()) && !IsBlank(text.back()) &&
                            FindHtmlSpecial(text.data(), end) == end);
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
