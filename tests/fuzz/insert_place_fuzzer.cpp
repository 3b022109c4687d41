// Where an appended HTML page is cut, over any page end: once as given, and once with the marker
// put in at a place and with a "number" that the input chooses. The cut must fall on a marker
// inside the searched tail and never past the page's end, whatever follows the marker.
#include "fuzz_check.h"
#include "report/odbc_report.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace {

// As much of the page's end as the writer reads back.
constexpr std::size_t kTailBytes = 512;

void CheckPlace(const std::string& page) {
    const std::size_t tailStart = page.size() - std::min(page.size(), kTailBytes);
    const std::string tail = page.substr(tailStart);
    const int64_t place = report_text::InsertPlace(tail, static_cast<int64_t>(tailStart));
    const std::string_view marker = report_text::kInsertMarker;
    if (place < 0) {
        FUZZ_CHECK(place == -1);
        FUZZ_CHECK(tail.find(marker) == std::string::npos);
        return;
    }
    const auto at = static_cast<std::size_t>(place);
    FUZZ_CHECK(at >= tailStart && at + marker.size() <= page.size());
    FUZZ_CHECK(page.compare(at, marker.size(), marker) == 0);
    // The last marker wins: the tables of earlier runs stay.
    FUZZ_CHECK(tail.find(marker, at - tailStart + 1) == std::string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string page(reinterpret_cast<const char*>(data), size);
    CheckPlace(page);
    if (size < 2) {
        return 0;
    }
    // The first byte chooses how far from the end the marker stands, the second how much of
    // the rest follows it as its "number".
    const std::string rest = page.substr(2);
    const std::size_t fromEnd = std::min<std::size_t>(rest.size(), data[0] * 4u);
    const std::size_t numberLength = std::min<std::size_t>(fromEnd, data[1]);
    const std::size_t markerAt = rest.size() - fromEnd;
    const std::string spliced = rest.substr(0, markerAt) + report_text::kInsertMarker +
                                rest.substr(markerAt, numberLength) + " -->\n" +
                                rest.substr(markerAt + numberLength);
    CheckPlace(spliced);
    return 0;
}
