// The HTML cell text over any value: no markup gets through, the white space at both ends goes,
// and nothing else is lost.
#include "fuzz_check.h"
#include "report/odbc_report.h"

#include <string>
#include <string_view>

namespace {

constexpr std::string_view kBlanks = " \t\n\v\f\r";

std::string_view Trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string WithoutEntities(std::string_view cell) {
    std::string text;
    for (std::size_t i = 0; i < cell.size(); ++i) {
        if (cell.compare(i, 4, "&lt;") == 0 || cell.compare(i, 4, "&gt;") == 0) {
            text += cell[i + 1] == 'l' ? '<' : '>';
            i += 3;
        } else {
            text += cell[i];
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string value(reinterpret_cast<const char*>(data), size);
    const std::string cell = report_text::HtmlCellText(value);

    FUZZ_CHECK(cell.find_first_of("<>") == std::string::npos);
    FUZZ_CHECK(cell.size() <= 4 * value.size());
    if (!cell.empty()) {
        FUZZ_CHECK(kBlanks.find(cell.front()) == std::string_view::npos);
        FUZZ_CHECK(kBlanks.find(cell.back()) == std::string_view::npos);
    }
    if (value.find('&') == std::string::npos) {
        FUZZ_CHECK(WithoutEntities(cell) == Trimmed(value));
    }
    std::string appended = "<td>";
    report_text::AppendHtmlCellText(appended, value);
    FUZZ_CHECK(appended == "<td>" + cell);
    return 0;
}
