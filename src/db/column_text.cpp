// The one rule that turns a fetched value into the text of grid, CSV and HTML.

#include "db/odbc_column.h"
#include "db/utf16.h"

#include <locale.h>
#include <stdlib.h>
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
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

// "00" to "99" in a row, so that two digits cost one lookup instead of two divisions.
constexpr auto kDigitPairs = [] {
    std::array<char, 200> pairs{};
    for (int i = 0; i < 100; ++i) {
        pairs[2 * i] = static_cast<char>('0' + i / 10);
        pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
    }
    return pairs;
}();

// value is 0 to 99.
char* PutTwoDigits(char* p, int value) {
    std::memcpy(p, &kDigitPairs[2 * static_cast<std::size_t>(value)], 2);
    return p + 2;
}

// Kept out of line so that the common cases of PutPadded stay small enough to inline.
[[gnu::noinline]] char* PutPaddedDigits(char* p, int value, int width) {
    char digits[16];
    const unsigned magnitude =
        value < 0 ? 0u - static_cast<unsigned>(value) : static_cast<unsigned>(value);
    char* end = std::to_chars(std::begin(digits), std::end(digits), magnitude).ptr;
    const int length = static_cast<int>(end - digits);
    if (value < 0) {
        *p++ = '-';
        --width;
    }
    for (int fill = width - length; fill > 0; --fill) {
        *p++ = '0';
    }
    return std::copy(digits, end, p);
}

// Like "%0<width>d" into the characters at p: the sign counts towards the width, zeros fill the
// rest. Written by hand because exports format millions of these and snprintf costs ten times
// as much. Returns the end of what was written (at most 11 + width characters).
[[gnu::always_inline]] inline char* PutPadded(char* p, int value, int width) {
    // Months, days, clock fields and years: the common cases.
    if (width == 2 && value >= 0 && value < 100) {
        return PutTwoDigits(p, value);
    }
    if (width == 4 && value >= 0 && value < 10000) {
        return PutTwoDigits(PutTwoDigits(p, value / 100), value % 100);
    }
    return PutPaddedDigits(p, value, width);
}

// Appends the characters from begin to end; std::string's iterator-pair append costs more.
void AppendRange(std::string& out, const char* begin, const char* end) {
    out.append(begin, static_cast<std::size_t>(end - begin));
}

void AppendInteger(std::string& out, int64_t value) {
    char text[24];
    AppendRange(out, text, std::to_chars(std::begin(text), std::end(text), value).ptr);
}

char* PutDate(char* p, int year, int month, int day) {
    p = PutPadded(p, year, 4);
    *p++ = '-';
    p = PutPadded(p, month, 2);
    *p++ = '-';
    return PutPadded(p, day, 2);
}

char* PutClock(char* p, int hour, int minute, int second) {
    p = PutPadded(p, hour, 2);
    *p++ = ':';
    p = PutPadded(p, minute, 2);
    *p++ = ':';
    return PutPadded(p, second, 2);
}

void AppendDate(std::string& out, const SQL_DATE_STRUCT& date) {
    char text[64];
    AppendRange(out, text, PutDate(text, date.year, date.month, date.day));
}

void AppendTime(std::string& out, const SQL_TIME_STRUCT& time) {
    char text[64];
    AppendRange(out, text, PutClock(text, time.hour, time.minute, time.second));
}

// The fraction of a second (in billionths) with three digits when it is whole milliseconds, so
// that whole seconds end in ".000", six when it is whole microseconds, else nine.
char* PutFraction(char* p, SQLUINTEGER billionths) {
    int digits = 9;
    if (billionths % 1000000 == 0) {
        billionths /= 1000000;
        digits = 3;
    } else if (billionths % 1000 == 0) {
        billionths /= 1000;
        digits = 6;
    }
    *p++ = '.';
    // A driver's fraction past a second keeps all its digits.
    return PutPaddedDigits(p, static_cast<int>(std::min<SQLUINTEGER>(billionths, INT32_MAX)),
                           digits);
}

void AppendTimestamp(std::string& out, const SQL_TIMESTAMP_STRUCT& stamp) {
    char text[128];
    char* p = PutDate(text, stamp.year, stamp.month, stamp.day);
    *p++ = ' ';
    p = PutClock(p, stamp.hour, stamp.minute, stamp.second);
    if (stamp.fraction == 0) {
        p = std::copy_n(".000", 4, p);
    } else {
        p = PutFraction(p, stamp.fraction);
    }
    AppendRange(out, text, p);
}

// A time of day read into a timestamp structure to keep its fraction; a whole second has none.
void AppendTimeWithFraction(std::string& out, const SQL_TIMESTAMP_STRUCT& stamp) {
    char text[64];
    char* p = PutClock(text, stamp.hour, stamp.minute, stamp.second);
    if (stamp.fraction != 0) {
        p = PutFraction(p, stamp.fraction);
    }
    AppendRange(out, text, p);
}

__extension__ using Uint128 = unsigned __int128;

// The digits of value with six decimals, rounded half to even from the exact binary value as
// std::to_chars does, for every finite value below 2^64; false for the others. Exports format
// millions of doubles, and this costs a fraction of the general conversion. readsBack tells
// whether the text converts back to value.
bool PutFixedSix(char*& p, double value, bool& readsBack) {
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
    if (biased == 0x7FF) {
        return false;
    }
    if (biased != 0) {
        mantissa |= uint64_t{1} << 52;
    }
    // value = mantissa * 2^exponent
    const int exponent = (biased == 0 ? 1 : biased) - 1075;
    if (exponent > 11) {
        return false;
    }
    uint64_t whole = 0;
    uint64_t fraction = 0;  // millionths
    if (exponent >= 0) {
        whole = mantissa << exponent;
    } else {
        const int shift = -exponent;
        whole = shift < 64 ? mantissa >> shift : 0;
        const uint64_t fractionBits =
            shift < 64 ? mantissa & ((uint64_t{1} << shift) - 1) : mantissa;
        // fractionBits / 2^shift in millionths: below 2^73, so 128 bits hold it exactly, and
        // past a shift of 100 it rounds to 0.
        if (shift <= 100) {
            const Uint128 scaled = Uint128{fractionBits} * 1000000u;
            const Uint128 units = scaled >> shift;
            const Uint128 rest = scaled - (units << shift);
            const Uint128 half = Uint128{1} << (shift - 1);
            fraction = static_cast<uint64_t>(units);
            if (rest > half || (rest == half && (fraction & 1) != 0)) {
                ++fraction;
            }
            if (fraction == 1000000) {
                fraction = 0;
                ++whole;
            }
        }
    }
    // Up to 2^33 the text's millionths are exact in a double, and dividing them rounds exactly as
    // reading the text does. Above it a double's spacing is over twice the rounding step.
    constexpr uint64_t kExactlyDivided = uint64_t{1} << 33;
    readsBack = whole > kExactlyDivided ||
                static_cast<double>(whole * 1000000 + fraction) / 1e6 == std::fabs(value);
    if ((bits >> 63) != 0) {
        *p++ = '-';
    }
    p = std::to_chars(p, p + 20, whole).ptr;
    *p++ = '.';
    const auto millionths = static_cast<int>(fraction);
    p = PutTwoDigits(p, millionths / 10000);
    p = PutTwoDigits(p, millionths / 100 % 100);
    p = PutTwoDigits(p, millionths % 100);
    return true;
}

// Plain digits longer than this are written with an exponent instead (1e-300).
constexpr std::ptrdiff_t kLongestPlainDouble = 24;

// The shortest text that reads back as value: plain digits, or an exponent when they are long.
void AppendShortestDouble(std::string& out, double value) {
    char text[512];
    char* end =
        std::to_chars(std::begin(text), std::end(text), value, std::chars_format::fixed).ptr;
    if (end - text > kLongestPlainDouble) {
        end = std::to_chars(std::begin(text), std::end(text), value).ptr;
    }
    AppendRange(out, text, end);
}

// True only when no text with six decimals reads back as value: its millionths lie farther from
// a whole number than the spacing of doubles near value lets a text stray. Costs a multiplication
// where writing the six decimals to find that out costs many; false whenever in doubt.
bool SixDecimalsCannotReadBack(double value) {
    const double millionths = std::fabs(value) * 1e6;
    // Also false for NaN.
    if (!(millionths < 0x1p62)) {
        return false;
    }
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof(bits));
    const int biased = static_cast<int>((bits >> 52) & 0x7FF);
    if (biased <= 52) {
        return false;
    }
    // The distance from value to the next double up.
    const uint64_t spacingBits = static_cast<uint64_t>(biased - 52) << 52;
    double spacing;
    std::memcpy(&spacing, &spacingBits, sizeof(spacing));
    const double below = static_cast<double>(static_cast<int64_t>(millionths));
    const double distance = std::min(millionths - below, below + 1 - millionths);
    return distance > 2e6 * spacing + millionths * 0x1p-50;
}

void AppendDouble(std::string& out, double value) {
    // Fixed with six decimals like "%lf", but with a point whatever the locale, as long as that
    // loses nothing.
    if (SixDecimalsCannotReadBack(value)) {
        AppendShortestDouble(out, value);
        return;
    }
    char text[512];
    char* end = text;
    bool readsBack = true;
    if (PutFixedSix(end, value, readsBack)) {
        if (readsBack) {
            AppendRange(out, text, end);
        } else {
            AppendShortestDouble(out, value);
        }
        return;
    }
    // Infinities, NaN and whole numbers of 2^64 and more, which six decimals hold exactly.
    auto result =
        std::to_chars(std::begin(text), std::end(text), value, std::chars_format::fixed, 6);
    if (result.ec == std::errc()) {
        AppendRange(out, text, result.ptr);
    }
}

void AppendGuid(std::string& out, const SQLGUID& guid) {
    char text[64];
    const int length = std::snprintf(
        text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
        static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
        guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
    if (length > 0) {
        out.append(text, std::min<std::size_t>(static_cast<std::size_t>(length), sizeof(text) - 1));
    }
}

// The point is the decimal separator of drivers whatever the user's locale.
locale_t ClassicLocale() {
    static const locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return classic;
}

// Some drivers write a fraction as ".5"; people read "0.5". The text starts at `start` of out.
void AddLeadingZero(std::string& out, std::size_t start) {
    if (out.size() <= start || out[start] != '.') {
        return;
    }
    if (strtod_l(out.c_str() + start, nullptr, ClassicLocale()) <= 1.0) {
        out.insert(out.begin() + static_cast<std::ptrdiff_t>(start), '0');
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
    std::string text;
    AppendText(row, text);
    return text;
}

void ODBCColumn::AppendText(int row, std::string& out) const {
    if (row < 0 || row >= m_rowCount || IsNull(row)) {
        return;
    }
    switch (m_cType) {
        case SQL_C_CHAR:
            return AppendCharText(row, out);
        case SQL_C_WCHAR:
            return AppendWideText(row, out);
        case SQL_C_SBIGINT:
            return AppendValue<int64_t>(row, out, AppendInteger);
        case SQL_C_BIT:
            return AppendValue<unsigned char>(row, out, [](std::string& text, unsigned char v) {
                text += v != 0 ? "True" : "False";
            });
        case SQL_C_DOUBLE:
            return AppendValue<double>(row, out, AppendDouble);
        case SQL_C_DATE:
        case SQL_C_TYPE_DATE:
            return AppendValue<SQL_DATE_STRUCT>(row, out, AppendDate);
        case SQL_C_TIME:
        case SQL_C_TYPE_TIME:
            return AppendValue<SQL_TIME_STRUCT>(row, out, AppendTime);
        case SQL_C_TIMESTAMP:
        case SQL_C_TYPE_TIMESTAMP:
            return AppendValue<SQL_TIMESTAMP_STRUCT>(
                row, out, m_sqlType == SQL_TYPE_TIME ? AppendTimeWithFraction : AppendTimestamp);
        case SQL_C_GUID:
            return AppendValue<SQLGUID>(row, out, AppendGuid);
        default:
            out += UnknownTypeText();
            return;
    }
}

void ODBCColumn::AppendCharText(int row, std::string& out) const {
    const std::size_t start = out.size();
    if (m_holdsWholeText && row == 0) {
        out += m_wholeText;
    } else if (const std::byte* element = Element(row, m_bufferLength)) {
        // The driver terminates what it writes; a buffer it left full must still not be overrun.
        const char* chars = reinterpret_cast<const char*>(element);
        out.append(chars, strnlen(chars, m_bufferLength));
    }
    if (m_sqlType == SQL_NUMERIC || m_sqlType == SQL_DECIMAL) {
        AddLeadingZero(out, start);
    }
}

void ODBCColumn::AppendWideText(int row, std::string& out) const {
    if (m_holdsWholeText && row == 0) {
        out += m_wholeText;
        return;
    }
    const std::byte* element = Element(row, m_bufferLength);
    if (element == nullptr) {
        return;
    }
    std::u16string units;
    for (std::size_t i = 0; i + 1 < m_bufferLength; i += sizeof(char16_t)) {
        const char16_t unit = Load<char16_t>(element + i);
        if (unit == 0) {
            break;
        }
        units += unit;
    }
    out += Utf16ToUtf8(units);
}

template <typename T, typename Formatter>
void ODBCColumn::AppendValue(int row, std::string& out, Formatter format) const {
    const std::byte* element = Element(row, sizeof(T));
    if (element != nullptr) {
        format(out, Load<T>(element));
    }
}

bool ODBCColumn::HasFormattedText() const {
    switch (m_cType) {
        case SQL_C_SBIGINT:
        case SQL_C_DOUBLE:
        case SQL_C_DATE:
        case SQL_C_TYPE_DATE:
        case SQL_C_TIME:
        case SQL_C_TYPE_TIME:
        case SQL_C_TIMESTAMP:
        case SQL_C_TYPE_TIMESTAMP:
            return true;
        default:
            return false;
    }
}

std::string ODBCColumn::UnknownTypeText() const {
    return "[" + m_name + " -- unknown m_data type " + std::to_string(m_cType) + "]";
}
