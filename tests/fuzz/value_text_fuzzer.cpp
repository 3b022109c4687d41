// Bound numbers, dates and timestamps turned into text by hand for speed: each must read exactly
// as the general conversions write it (zero-padded fields), and a double must read back whole:
// as six decimals whenever those read back as the same number.
#include "db/odbc_column.h"
#include "fuzz_check.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

template <typename T>
std::string TextOf(int16_t sqlType, const T& value) {
    ODBCColumn column(1);
    column.m_sqlType = sqlType;
    column.m_nullable = SQL_NO_NULLS;
    column.ChooseBinding();
    column.AllocateBuffers();
    FUZZ_CHECK(column.m_data.size() >= sizeof value);
    std::memcpy(column.m_data.data(), &value, sizeof value);
    return column.GetText(0);
}

void CheckDouble(double value) {
    const std::string text = TextOf(SQL_DOUBLE, value);
    if (!std::isfinite(value)) {
        return;
    }
    char six[512];
    char* sixEnd = std::to_chars(six, six + sizeof six, value, std::chars_format::fixed, 6).ptr;
    double back = 0;
    std::from_chars(six, sixEnd, back);
    if (back == value) {
        FUZZ_CHECK(text == std::string(six, sixEnd));
        return;
    }
    const auto read = std::from_chars(text.data(), text.data() + text.size(), back);
    FUZZ_CHECK(read.ec == std::errc() && read.ptr == text.data() + text.size() && back == value);
}

std::string Printed(const char* format, int a, int b, int c) {
    char text[96];
    std::snprintf(text, sizeof text, format, a, b, c);
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 16) {
        return 0;
    }
    double number;
    std::memcpy(&number, data, sizeof number);
    CheckDouble(number);

    int64_t integer;
    std::memcpy(&integer, data + 8, sizeof integer);
    FUZZ_CHECK(TextOf(SQL_INTEGER, integer) == std::to_string(integer));

    SQL_TIMESTAMP_STRUCT stamp{};
    std::memcpy(&stamp, data, std::min(size, sizeof stamp));
    stamp.fraction = 0;
    FUZZ_CHECK(TextOf(SQL_TYPE_TIMESTAMP, stamp) ==
               Printed("%04d-%02d-%02d", stamp.year, stamp.month, stamp.day) + " " +
                   Printed("%02d:%02d:%02d", stamp.hour, stamp.minute, stamp.second) + ".000");
    SQL_DATE_STRUCT date{stamp.year, stamp.month, stamp.day};
    FUZZ_CHECK(TextOf(SQL_TYPE_DATE, date) ==
               Printed("%04d-%02d-%02d", date.year, date.month, date.day));
    return 0;
}
