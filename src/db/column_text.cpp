// The one rule that turns a fetched value into the text of grid, CSV and HTML.

#include "db/odbc_column.h"
#include "db/utf16.h"

#include <locale.h>
#include <stdlib.h>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <system_error>

namespace {

template <typename T>
T Load(const std::byte* element) {
    T value;
    std::memcpy(&value, element, sizeof(T));
    return value;
}

// snprintf without locale-dependent conversions: only integers are formatted this way.
template <typename... Args>
std::string Format(const char* format, Args... args) {
    char text[64];
    const int length = std::snprintf(text, sizeof(text), format, args...);
    if (length < 0) {
        return {};
    }
    return std::string(text,
                       std::min<std::size_t>(static_cast<std::size_t>(length), sizeof(text) - 1));
}

std::string DoubleText(double value) {
    // Fixed with six decimals like "%lf", but with a point whatever the locale.
    char text[512];
    auto result =
        std::to_chars(std::begin(text), std::end(text), value, std::chars_format::fixed, 6);
    if (result.ec != std::errc()) {
        return {};
    }
    return std::string(text, result.ptr);
}

std::string DateText(const SQL_DATE_STRUCT& date) {
    return Format("%04d-%02d-%02d", date.year, date.month, date.day);
}

std::string TimeText(const SQL_TIME_STRUCT& time) {
    return Format("%02d:%02d:%02d", time.hour, time.minute, time.second);
}

std::string TimestampText(const SQL_TIMESTAMP_STRUCT& stamp) {
    return Format("%04d-%02d-%02d %02d:%02d:%02d.000", stamp.year, stamp.month, stamp.day,
                  stamp.hour, stamp.minute, stamp.second);
}

std::string GuidText(const SQLGUID& guid) {
    return Format("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
}

// The point is the decimal separator of drivers whatever the user's locale.
locale_t ClassicLocale() {
    static const locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return classic;
}

// Some drivers write a fraction as ".5"; people read "0.5".
void AddLeadingZero(std::string& text) {
    if (text.empty() || text[0] != '.') {
        return;
    }
    if (strtod_l(text.c_str(), nullptr, ClassicLocale()) <= 1.0) {
        text.insert(text.begin(), '0');
    }
}

}  // namespace

const std::byte* ODBCColumn::Element(int row, std::size_t size) const {
    if (row < 0 || row >= m_rowCount || size == 0) {
        return nullptr;
    }
    const std::size_t offset = static_cast<std::size_t>(row) * size;
    if (offset + size > m_data.size()) {
        return nullptr;
    }
    return m_data.data() + offset;
}

std::string ODBCColumn::GetText(int row) const {
    if (row < 0 || row >= m_rowCount) {
        return {};
    }
    if (m_nullable != SQL_NO_NULLS && static_cast<std::size_t>(row) < m_indicators.size() &&
        m_indicators[static_cast<std::size_t>(row)] == SQL_NULL_DATA) {
        return {};
    }
    switch (m_cType) {
        case SQL_C_CHAR:
            return CharText(row);
        case SQL_C_WCHAR:
            return WideText(row);
        default:
            return FixedText(row);
    }
}

std::string ODBCColumn::CharText(int row) const {
    const std::byte* element = Element(row, m_bufferLength);
    if (element == nullptr) {
        return {};
    }
    // The driver terminates what it writes; a buffer it left full must still not be overrun.
    const char* chars = reinterpret_cast<const char*>(element);
    std::string text(chars, strnlen(chars, m_bufferLength));
    if (m_sqlType == SQL_NUMERIC || m_sqlType == SQL_DECIMAL) {
        AddLeadingZero(text);
    }
    return text;
}

std::string ODBCColumn::WideText(int row) const {
    const std::byte* element = Element(row, m_bufferLength);
    if (element == nullptr) {
        return {};
    }
    std::u16string units;
    for (std::size_t i = 0; i + 1 < m_bufferLength; i += sizeof(char16_t)) {
        const char16_t unit = Load<char16_t>(element + i);
        if (unit == 0) {
            break;
        }
        units += unit;
    }
    return Utf16ToUtf8(units);
}

template <typename T, typename Formatter>
std::string ODBCColumn::ValueText(int row, Formatter format) const {
    const std::byte* element = Element(row, sizeof(T));
    return element != nullptr ? format(Load<T>(element)) : std::string();
}

std::string ODBCColumn::FixedText(int row) const {
    switch (m_cType) {
        case SQL_C_LONG:
            return ValueText<int32_t>(row, [](int32_t v) { return Format("%d", v); });
        case SQL_C_SHORT:
            return ValueText<int16_t>(row, [](int16_t v) { return Format("%hd", v); });
        case SQL_C_TINYINT:
            return ValueText<signed char>(
                row, [](signed char v) { return Format("%hd", static_cast<short>(v)); });
        case SQL_C_BIT:
            return ValueText<unsigned char>(
                row, [](unsigned char v) { return std::string(v != 0 ? "True" : "False"); });
        case SQL_C_DOUBLE:
            return ValueText<double>(row, DoubleText);
        case SQL_C_DATE:
        case SQL_C_TYPE_DATE:
            return ValueText<SQL_DATE_STRUCT>(row, DateText);
        case SQL_C_TIME:
            return ValueText<SQL_TIME_STRUCT>(row, TimeText);
        case SQL_C_TIMESTAMP:
        case SQL_C_TYPE_TIMESTAMP:
            return ValueText<SQL_TIMESTAMP_STRUCT>(row, TimestampText);
        case SQL_C_GUID:
            return ValueText<SQLGUID>(row, GuidText);
        default:
            return UnknownTypeText();
    }
}

std::string ODBCColumn::UnknownTypeText() const {
    return "[" + m_name + " -- unknown m_data type " + std::to_string(m_cType) + "]";
}
