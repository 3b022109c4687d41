// Bound numbers, dates and timestamps turned into text by hand for speed: each must read exactly
// as the general conversions write it ("%lf"-style doubles with a point, zero-padded fields).
#include "db/odbc_column.h"
#include "fuzz_check.h"

#include <charconv>
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

std::string ExpectedDouble(double value) {
    char text[512];
    auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 6);
    return std::string(text, result.ptr);
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
    FUZZ_CHECK(TextOf(SQL_DOUBLE, number) == ExpectedDouble(number));

    int32_t integer;
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
