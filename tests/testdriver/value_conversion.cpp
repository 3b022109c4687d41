#include "value_conversion.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <utility>
#include <variant>

namespace querimo::testodbc {
namespace {

WriteOutcome Failure(std::string sqlState, std::string message) {
    WriteOutcome outcome;
    outcome.code = SQL_ERROR;
    outcome.diag = MakeDiag(std::move(sqlState), std::move(message));
    return outcome;
}

WriteOutcome Warning(std::string sqlState, std::string message) {
    WriteOutcome outcome;
    outcome.code = SQL_SUCCESS_WITH_INFO;
    outcome.diag = MakeDiag(std::move(sqlState), std::move(message));
    return outcome;
}

WriteOutcome InvalidCharacterValue() {
    return Failure("22018", "Invalid character value for cast specification");
}

WriteOutcome OutOfRange() {
    return Failure("22003", "Numeric value out of range");
}

void SetIndicator(const TargetBuffer& target, SQLLEN value) {
    if (target.indicator != nullptr) {
        *target.indicator = value;
    }
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) {
        text.remove_suffix(1);
    }
    return text;
}

// ---- character, wide and binary targets ---------------------------------

WriteOutcome WriteBytes(std::string_view bytes, const TargetBuffer& target, size_t offset,
                        bool terminate) {
    const size_t remaining = bytes.size() - std::min(offset, bytes.size());
    size_t room = target.bufferLength > 0 ? static_cast<size_t>(target.bufferLength) : 0;
    if (terminate && room > 0) {
        --room;
    }
    const size_t count = target.data == nullptr ? 0 : std::min(room, remaining);
    if (target.data != nullptr) {
        auto* out = static_cast<char*>(target.data);
        std::memcpy(out, bytes.data() + offset, count);
        if (terminate && target.bufferLength > 0) {
            out[count] = '\0';
        }
    }
    SetIndicator(target, static_cast<SQLLEN>(remaining));
    WriteOutcome outcome =
        count < remaining ? Warning("01004", "String data, right truncated") : WriteOutcome{};
    outcome.nextOffset = offset + count;
    return outcome;
}

bool IsHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

WriteOutcome WriteWide(const std::u16string& units, const TargetBuffer& target, size_t offset) {
    const size_t remaining = units.size() - std::min(offset, units.size());
    const size_t room =
        target.bufferLength >= 2 ? static_cast<size_t>(target.bufferLength) / 2 - 1 : 0;
    size_t count = target.data == nullptr ? 0 : std::min(room, remaining);
    if (count > 0 && count < remaining && IsHighSurrogate(units[offset + count - 1])) {
        --count;  // never split a surrogate pair
    }
    if (target.data != nullptr && target.bufferLength >= 2) {
        auto* out = static_cast<SQLWCHAR*>(target.data);
        for (size_t i = 0; i < count; ++i) {
            out[i] = static_cast<SQLWCHAR>(units[offset + i]);
        }
        out[count] = 0;
    }
    SetIndicator(target, static_cast<SQLLEN>(remaining * sizeof(SQLWCHAR)));
    WriteOutcome outcome =
        count < remaining ? Warning("01004", "String data, right truncated") : WriteOutcome{};
    outcome.nextOffset = offset + count;
    return outcome;
}

// ---- numbers --------------------------------------------------------------

using Number = std::variant<long long, unsigned long long, double>;

std::optional<Number> ParseNumber(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
    }
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (text.empty()) {
        return std::nullopt;
    }
    long long whole = 0;
    if (auto [end, ec] = std::from_chars(first, last, whole); ec == std::errc() && end == last) {
        return whole;
    }
    unsigned long long big = 0;
    if (auto [end, ec] = std::from_chars(first, last, big); ec == std::errc() && end == last) {
        return big;
    }
    double real = 0;
    if (auto [end, ec] = std::from_chars(first, last, real);
        end == last && ec != std::errc::invalid_argument) {
        return ec == std::errc() ? real : std::numeric_limits<double>::infinity();
    }
    return std::nullopt;
}

template <class T>
WriteOutcome StoreFixed(const TargetBuffer& target, T value, WriteOutcome outcome = {}) {
    if (target.data != nullptr) {
        std::memcpy(target.data, &value, sizeof value);
    }
    SetIndicator(target, static_cast<SQLLEN>(sizeof value));
    return outcome;
}

template <class T>
WriteOutcome WriteInteger(std::string_view text, const TargetBuffer& target) {
    const auto number = ParseNumber(text);
    if (!number) {
        return InvalidCharacterValue();
    }
    using Limits = std::numeric_limits<T>;
    if (const auto* whole = std::get_if<long long>(&*number)) {
        if (std::cmp_less(*whole, Limits::min()) || std::cmp_greater(*whole, Limits::max())) {
            return OutOfRange();
        }
        return StoreFixed(target, static_cast<T>(*whole));
    }
    if (const auto* big = std::get_if<unsigned long long>(&*number)) {
        if (std::cmp_greater(*big, Limits::max())) {
            return OutOfRange();
        }
        return StoreFixed(target, static_cast<T>(*big));
    }
    const double real = std::get<double>(*number);
    const double truncated = std::trunc(real);
    if (!std::isfinite(real) || truncated < static_cast<double>(Limits::min()) ||
        truncated > static_cast<double>(Limits::max())) {
        return OutOfRange();
    }
    WriteOutcome outcome =
        truncated != real ? Warning("01S07", "Fractional truncation") : WriteOutcome{};
    return StoreFixed(target, static_cast<T>(truncated), outcome);
}

double AsDouble(const Number& number) {
    return std::visit([](auto value) { return static_cast<double>(value); }, number);
}

template <class T>
WriteOutcome WriteReal(std::string_view text, const TargetBuffer& target) {
    const auto number = ParseNumber(text);
    if (!number) {
        return InvalidCharacterValue();
    }
    const double value = AsDouble(*number);
    if (!std::isfinite(value) ||
        std::fabs(value) > static_cast<double>(std::numeric_limits<T>::max())) {
        return OutOfRange();
    }
    return StoreFixed(target, static_cast<T>(value));
}

WriteOutcome WriteBit(std::string_view text, const TargetBuffer& target) {
    const std::string upper = UpperCase(Trim(text));
    if (upper == "TRUE") {
        return StoreFixed<unsigned char>(target, 1);
    }
    if (upper == "FALSE") {
        return StoreFixed<unsigned char>(target, 0);
    }
    const auto number = ParseNumber(text);
    if (!number) {
        return InvalidCharacterValue();
    }
    const double value = AsDouble(*number);
    if (value < 0 || value >= 2) {
        return OutOfRange();
    }
    const WriteOutcome outcome =
        (value != 0 && value != 1) ? Warning("01S07", "Fractional truncation") : WriteOutcome{};
    return StoreFixed<unsigned char>(target, value >= 1 ? 1 : 0, outcome);
}

// ---- dates, times, GUIDs ----------------------------------------------------

class FieldReader {
  public:
    explicit FieldReader(std::string_view text) : text_(Trim(text)) {}

    bool Digits(size_t minCount, size_t maxCount, long& value) {
        size_t count = 0;
        value = 0;
        while (pos_ < text_.size() && count < maxCount && text_[pos_] >= '0' &&
               text_[pos_] <= '9') {
            value = value * 10 + (text_[pos_++] - '0');
            ++count;
        }
        return count >= minCount;
    }
    bool Accept(char c) {
        if (pos_ < text_.size() && text_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool AtEnd() const { return pos_ >= text_.size(); }
    bool LooksLikeDate() const {
        return text_.size() >= 5 && text_.find('-', 1) != std::string_view::npos;
    }

  private:
    std::string_view text_;
    size_t pos_ = 0;
};

struct DateTimeFields {
    long year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, fraction = 0;
};

bool ReadDate(FieldReader& reader, DateTimeFields& fields) {
    bool negative = reader.Accept('-');
    bool ok = reader.Digits(1, 4, fields.year) && reader.Accept('-') &&
              reader.Digits(1, 2, fields.month) && reader.Accept('-') &&
              reader.Digits(1, 2, fields.day);
    fields.year = negative ? -fields.year : fields.year;
    return ok && fields.month >= 1 && fields.month <= 12 && fields.day >= 1 && fields.day <= 31;
}

bool ReadTime(FieldReader& reader, DateTimeFields& fields) {
    if (!(reader.Digits(1, 2, fields.hour) && reader.Accept(':') &&
          reader.Digits(1, 2, fields.minute))) {
        return false;
    }
    if (reader.Accept(':') && !reader.Digits(1, 2, fields.second)) {
        return false;
    }
    if (reader.Accept('.')) {
        long digits = 0;
        // Nine digits of fraction are nanoseconds; fewer are scaled up.
        FieldReader probe = reader;
        size_t count = 0;
        while (count < 9 && probe.Digits(1, 1, digits)) {
            fields.fraction = fields.fraction * 10 + digits;
            ++count;
        }
        if (count == 0) {
            return false;
        }
        reader = probe;
        for (; count < 9; ++count) {
            fields.fraction *= 10;
        }
    }
    return fields.hour <= 23 && fields.minute <= 59 && fields.second <= 61;
}

// "YYYY-MM-DD", "HH:MM[:SS[.fffffffff]]" or both separated by a blank or 'T'.
std::optional<DateTimeFields> ParseDateTime(std::string_view text, bool dateRequired) {
    FieldReader reader(text);
    DateTimeFields fields;
    if (reader.LooksLikeDate()) {
        if (!ReadDate(reader, fields)) {
            return std::nullopt;
        }
        if (!reader.AtEnd() && !(reader.Accept(' ') || reader.Accept('T'))) {
            return std::nullopt;
        }
    } else if (dateRequired) {
        return std::nullopt;
    }
    if (!reader.AtEnd() && !ReadTime(reader, fields)) {
        return std::nullopt;
    }
    if (!reader.AtEnd()) {
        return std::nullopt;
    }
    return fields;
}

WriteOutcome InvalidDateTime() {
    return Failure("22007", "Invalid datetime format");
}

WriteOutcome WriteDate(std::string_view text, const TargetBuffer& target) {
    const auto fields = ParseDateTime(text, true);
    if (!fields) {
        return InvalidDateTime();
    }
    SQL_DATE_STRUCT date{static_cast<SQLSMALLINT>(fields->year),
                         static_cast<SQLUSMALLINT>(fields->month),
                         static_cast<SQLUSMALLINT>(fields->day)};
    return StoreFixed(target, date);
}

WriteOutcome WriteTime(std::string_view text, const TargetBuffer& target) {
    const auto fields = ParseDateTime(text, false);
    if (!fields) {
        return InvalidDateTime();
    }
    SQL_TIME_STRUCT time{static_cast<SQLUSMALLINT>(fields->hour),
                         static_cast<SQLUSMALLINT>(fields->minute),
                         static_cast<SQLUSMALLINT>(fields->second)};
    return StoreFixed(target, time);
}

WriteOutcome WriteTimestamp(std::string_view text, const TargetBuffer& target) {
    const auto fields = ParseDateTime(text, true);
    if (!fields) {
        return InvalidDateTime();
    }
    SQL_TIMESTAMP_STRUCT stamp{};
    stamp.year = static_cast<SQLSMALLINT>(fields->year);
    stamp.month = static_cast<SQLUSMALLINT>(fields->month);
    stamp.day = static_cast<SQLUSMALLINT>(fields->day);
    stamp.hour = static_cast<SQLUSMALLINT>(fields->hour);
    stamp.minute = static_cast<SQLUSMALLINT>(fields->minute);
    stamp.second = static_cast<SQLUSMALLINT>(fields->second);
    stamp.fraction = static_cast<SQLUINTEGER>(fields->fraction);
    return StoreFixed(target, stamp);
}

// "{6F9619FF-8B86-D011-B42D-00C04FC964FF}", braces optional.
WriteOutcome WriteGuid(std::string_view text, const TargetBuffer& target) {
    text = Trim(text);
    if (text.size() == 38 && text.front() == '{' && text.back() == '}') {
        text = text.substr(1, 36);
    }
    if (text.size() != 36) {
        return InvalidCharacterValue();
    }
    unsigned char bytes[16];
    size_t byteIndex = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (i == 8 || i == 13 || i == 18 || i == 23) {
            if (text[i] != '-') {
                return InvalidCharacterValue();
            }
            continue;
        }
        unsigned value = 0;
        if (std::from_chars(text.data() + i, text.data() + i + 2, value, 16).ptr !=
            text.data() + i + 2) {
            return InvalidCharacterValue();
        }
        bytes[byteIndex++] = static_cast<unsigned char>(value);
        ++i;
    }
    SQLGUID guid{};
    guid.Data1 = (static_cast<uint32_t>(bytes[0]) << 24) | (static_cast<uint32_t>(bytes[1]) << 16) |
                 (static_cast<uint32_t>(bytes[2]) << 8) | bytes[3];
    guid.Data2 = static_cast<uint16_t>((bytes[4] << 8) | bytes[5]);
    guid.Data3 = static_cast<uint16_t>((bytes[6] << 8) | bytes[7]);
    std::memcpy(guid.Data4, bytes + 8, 8);
    return StoreFixed(target, guid);
}

}  // namespace

bool IsPiecewiseType(SQLSMALLINT cType) {
    switch (cType) {
        case SQL_C_SLONG:
        case SQL_C_LONG:
        case SQL_C_ULONG:
        case SQL_C_SSHORT:
        case SQL_C_SHORT:
        case SQL_C_USHORT:
        case SQL_C_STINYINT:
        case SQL_C_TINYINT:
        case SQL_C_UTINYINT:
        case SQL_C_SBIGINT:
        case SQL_C_UBIGINT:
        case SQL_C_DOUBLE:
        case SQL_C_FLOAT:
        case SQL_C_BIT:
        case SQL_C_DATE:
        case SQL_C_TYPE_DATE:
        case SQL_C_TIME:
        case SQL_C_TYPE_TIME:
        case SQL_C_TIMESTAMP:
        case SQL_C_TYPE_TIMESTAMP:
        case SQL_C_GUID:
        case SQL_C_NUMERIC:
            return false;
        default:
            return true;
    }
}

WriteOutcome WriteValue(const ScriptValue& value, const TargetBuffer& target, size_t offset) {
    if (!value) {
        if (target.indicator == nullptr) {
            return Failure("22002", "Indicator variable required but not supplied");
        }
        *target.indicator = SQL_NULL_DATA;
        return {};
    }
    const std::string& text = *value;
    switch (target.cType) {
        case SQL_C_CHAR:
        case SQL_C_DEFAULT:
            return WriteBytes(text, target, offset, true);
        case SQL_C_WCHAR:
            return WriteWide(Utf8ToUtf16(text), target, offset);
        case SQL_C_SLONG:
        case SQL_C_LONG:
            return WriteInteger<SQLINTEGER>(text, target);
        case SQL_C_ULONG:
            return WriteInteger<SQLUINTEGER>(text, target);
        case SQL_C_SSHORT:
        case SQL_C_SHORT:
            return WriteInteger<SQLSMALLINT>(text, target);
        case SQL_C_USHORT:
            return WriteInteger<SQLUSMALLINT>(text, target);
        case SQL_C_STINYINT:
        case SQL_C_TINYINT:
            return WriteInteger<SQLSCHAR>(text, target);
        case SQL_C_UTINYINT:
            return WriteInteger<SQLCHAR>(text, target);
        case SQL_C_SBIGINT:
            return WriteInteger<SQLBIGINT>(text, target);
        case SQL_C_UBIGINT:
            return WriteInteger<SQLUBIGINT>(text, target);
        case SQL_C_DOUBLE:
            return WriteReal<SQLDOUBLE>(text, target);
        case SQL_C_FLOAT:
            return WriteReal<SQLREAL>(text, target);
        case SQL_C_BIT:
            return WriteBit(text, target);
        case SQL_C_DATE:
        case SQL_C_TYPE_DATE:
            return WriteDate(text, target);
        case SQL_C_TIME:
        case SQL_C_TYPE_TIME:
            return WriteTime(text, target);
        case SQL_C_TIMESTAMP:
        case SQL_C_TYPE_TIMESTAMP:
            return WriteTimestamp(text, target);
        case SQL_C_GUID:
            return WriteGuid(text, target);
        case SQL_C_NUMERIC:
            return Failure("07006", "Restricted data type attribute violation");
        default:
            // Binary, intervals and driver-specific C types get the raw bytes.
            return WriteBytes(text, target, offset, false);
    }
}

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string units;
    units.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        size_t length = lead < 0x80           ? 1
                        : (lead >> 5) == 0x6  ? 2
                        : (lead >> 4) == 0xE  ? 3
                        : (lead >> 3) == 0x1E ? 4
                                              : 0;
        unsigned long codePoint = length == 1   ? lead
                                  : length == 2 ? lead & 0x1F
                                  : length == 3 ? lead & 0x0F
                                                : lead & 0x07;
        bool valid = length > 0 && i + length <= text.size();
        for (size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        const unsigned long minimum = length == 2   ? 0x80
                                      : length == 3 ? 0x800
                                      : length == 4 ? 0x10000
                                                    : 0;
        if (!valid || codePoint < minimum || codePoint > 0x10FFFF) {
            units += u'\xFFFD';
            ++i;
            continue;
        }
        if (codePoint >= 0x10000) {
            codePoint -= 0x10000;
            units += static_cast<char16_t>(0xD800 + (codePoint >> 10));
            units += static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
        } else {
            units += static_cast<char16_t>(codePoint);
        }
        i += length;
    }
    return units;
}

}  // namespace querimo::testodbc
