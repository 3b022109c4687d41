// The CSV field rules over any text, quote and delimiter: a quoted field stays on one line and
// inside its quotes, and an unquoted one is only allowed when it cannot break its line.
#include "fuzz_check.h"
#include "report/odbc_report.h"

#include <string>
#include <string_view>

namespace {

bool IsControl(char c) {
    const auto code = static_cast<unsigned char>(c);
    return code >= 1 && code <= 31;
}

// A quote that the octal escapes can never produce, so that doubled quotes can be read back.
bool QuoteReadsBack(char quote) {
    return !IsControl(quote) && quote != '\\' && !(quote >= '0' && quote <= '7');
}

// The field's text back, for a quote that reads back and a text without backslashes.
std::string Unquote(std::string_view inner, char quote) {
    std::string text;
    for (std::size_t i = 0; i < inner.size(); ++i) {
        if (inner[i] == quote) {
            FUZZ_CHECK(i + 1 < inner.size() && inner[i + 1] == quote);
            text += quote;
            ++i;
        } else if (inner[i] == '\\') {
            FUZZ_CHECK(i + 3 < inner.size());
            text += static_cast<char>((inner[i + 2] - '0') * 8 + (inner[i + 3] - '0'));
            i += 3;
        } else {
            text += inner[i];
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const char quote = static_cast<char>(data[0]);
    const char delimiter = static_cast<char>(data[1]);
    const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);

    const std::string field = report_text::QuotedCsvField(text, quote);
    FUZZ_CHECK(field.size() >= 2 && field.size() <= 2 + 4 * text.size());
    FUZZ_CHECK(field.front() == quote && field.back() == quote);
    const std::string_view inner = std::string_view(field).substr(1, field.size() - 2);
    for (char c : inner) {
        FUZZ_CHECK(!IsControl(c));
    }
    if (QuoteReadsBack(quote) && text.find('\\') == std::string::npos) {
        FUZZ_CHECK(Unquote(inner, quote) == text);
    }
    std::string appended = "prefix";
    report_text::AppendQuotedCsvField(appended, text, quote);
    FUZZ_CHECK(appended == "prefix" + field);

    if (!report_text::BreaksCsvLine(text, delimiter, quote)) {
        for (char c : text) {
            FUZZ_CHECK(c != delimiter && c != quote && c != '\r' && c != '\n');
        }
    }
    return 0;
}
