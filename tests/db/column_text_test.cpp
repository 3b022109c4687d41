#include "db/odbc_column.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <limits>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace {

template <typename T>
std::string Bytes(const T& value) {
    std::string bytes(sizeof(T), '\0');
    std::memcpy(bytes.data(), &value, sizeof(T));
    return bytes;
}

std::string Text(const std::string& text) {
    return text + '\0';
}

std::string Wide(const std::u16string& text) {
    std::string bytes(text.size() * 2, '\0');
    std::memcpy(bytes.data(), text.data(), bytes.size());
    return bytes;
}

// A column as the buffer would build it, every byte of every row set to a decoy first.
std::unique_ptr<ODBCColumn> MakeColumn(int32_t sqlType, SQLULEN size, uint16_t rowCount,
                                       SQLSMALLINT nullable = SQL_NULLABLE) {
    auto column = std::make_unique<ODBCColumn>(rowCount);
    column->m_name = "when";
    column->m_sqlType = sqlType;
    column->m_columnSize = size;
    column->m_nullable = nullable;
    column->ChooseBinding();
    column->AllocateBuffers();
    std::fill(column->m_data.begin(), column->m_data.end(), std::byte{0x11});
    return column;
}

bool IsCharacterBound(const ODBCColumn& column) {
    return column.m_cType == SQL_C_CHAR || column.m_cType == SQL_C_WCHAR;
}

// Puts a value where ODBC column-wise binding puts row `row`.
void PutValue(ODBCColumn& column, int row, const std::string& bytes, SQLLEN indicator) {
    const std::size_t stride = IsCharacterBound(column) ? column.m_bufferLength : bytes.size();
    ASSERT_LE(bytes.size(), stride);
    ASSERT_LE((row + 1) * stride, column.m_data.size());
    column.m_indicators[row] = indicator;
    if (!bytes.empty()) {
        std::memcpy(column.m_data.data() + row * stride, bytes.data(), bytes.size());
    }
}

struct TextCase {
    const char* name;
    int32_t sqlType;
    SQLULEN size;
    std::string value;
    std::string expected;
};

SQL_TIMESTAMP_STRUCT Stamp(SQLSMALLINT year) {
    return {year, 3, 4, 5, 6, 7, 890000000};
}

const SQLGUID kGuid = {
    0xA0EEBC99, 0x9C0B, 0x4EF8, {0xBB, 0x6D, 0x6B, 0xB9, 0xBD, 0x38, 0x0A, 0x11}};

// clang-format off
const TextCase kTextCases[] = {
    {"Double", SQL_DOUBLE, 15, Bytes(2.5), "2.500000"},
    {"DoubleNegativeSmall", SQL_DOUBLE, 15, Bytes(-0.125), "-0.125000"},
    {"DoubleTenth", SQL_DOUBLE, 15, Bytes(0.1), "0.100000"},
    {"DoubleLarge", SQL_DOUBLE, 15, Bytes(1e20), "100000000000000000000.000000"},
    {"DoubleZero", SQL_DOUBLE, 15, Bytes(0.0), "0.000000"},
    {"DoubleNegativeZero", SQL_DOUBLE, 15, Bytes(-0.0), "-0.000000"},
    {"DoubleNegativeRoundsToZero", SQL_DOUBLE, 15, Bytes(-1e-7), "-0.000000"},
    {"DoubleTieToEvenDown", SQL_DOUBLE, 15, Bytes(0.0078125), "0.007812"},
    {"DoubleTieToEvenUp", SQL_DOUBLE, 15, Bytes(0.0234375), "0.023438"},
    {"DoubleTieAboveAMillion", SQL_DOUBLE, 15, Bytes(1000000.0078125), "1000000.007812"},
    {"DoubleJustBelowHalfAMillionth", SQL_DOUBLE, 15, Bytes(5e-7), "0.000000"},
    {"DoubleRoundsIntoTheWholePart", SQL_DOUBLE, 15, Bytes(0.9999995), "1.000000"},
    {"DoubleNegativeCarry", SQL_DOUBLE, 15, Bytes(-999999.99999951), "-1000000.000000"},
    {"DoubleTwoToMinusTwenty", SQL_DOUBLE, 15, Bytes(0x1p-20), "0.000001"},
    {"DoubleSubnormal", SQL_DOUBLE, 15, Bytes(5e-324), "0.000000"},
    {"DoubleNegativeSubnormal", SQL_DOUBLE, 15, Bytes(-1e-320), "-0.000000"},
    {"DoubleManyDigits", SQL_DOUBLE, 15, Bytes(123456789012.345678), "123456789012.345673"},
    {"DoubleHalfAtTheLastBit", SQL_DOUBLE, 15, Bytes(4503599627370495.5), "4503599627370495.500000"},
    {"DoubleLargestBelowTwoTo64", SQL_DOUBLE, 15, Bytes(0x1.fffffffffffffp63),
     "18446744073709549568.000000"},
    {"DoubleTwoTo64", SQL_DOUBLE, 15, Bytes(0x1p64), "18446744073709551616.000000"},
    {"DoubleInfinity", SQL_DOUBLE, 15, Bytes(std::numeric_limits<double>::infinity()), "inf"},
    {"DoubleNegativeInfinity", SQL_DOUBLE, 15, Bytes(-std::numeric_limits<double>::infinity()),
     "-inf"},
    {"DoubleNaN", SQL_DOUBLE, 15, Bytes(std::numeric_limits<double>::quiet_NaN()), "nan"},
    {"DoubleNegativeNaN", SQL_DOUBLE, 15, Bytes(-std::numeric_limits<double>::quiet_NaN()),
     "-nan"},
    {"IntegerMax", SQL_INTEGER, 10, Bytes(int32_t{2147483647}), "2147483647"},
    {"IntegerMin", SQL_INTEGER, 10, Bytes(int32_t{-2147483647 - 1}), "-2147483648"},
    {"SmallIntMin", SQL_SMALLINT, 5, Bytes(int16_t{-32768}), "-32768"},
    {"TinyIntIsSigned", SQL_TINYINT, 3, Bytes(uint8_t{0xFF}), "-1"},
    {"TinyIntMax", SQL_TINYINT, 3, Bytes(int8_t{127}), "127"},
    {"BitTrue", SQL_BIT, 1, Bytes(uint8_t{1}), "True"},
    {"BitOtherThanOne", SQL_BIT, 1, Bytes(uint8_t{2}), "True"},
    {"BitFalse", SQL_BIT, 1, Bytes(uint8_t{0}), "False"},
    {"TypeDate", SQL_TYPE_DATE, 10, Bytes(SQL_DATE_STRUCT{2011, 3, 4}), "2011-03-04"},
    {"OldDate", SQL_DATE, 10, Bytes(SQL_DATE_STRUCT{987, 12, 31}), "0987-12-31"},
    {"OldTime", SQL_TIME, 8, Bytes(SQL_TIME_STRUCT{5, 6, 7}), "05:06:07"},
    {"TypeTimestamp", SQL_TYPE_TIMESTAMP, 23, Bytes(Stamp(2011)), "2011-03-04 05:06:07.000"},
    {"OldTimestamp", SQL_TIMESTAMP, 23, Bytes(Stamp(2011)), "2011-03-04 05:06:07.000"},
    {"TimestampYearZero", SQL_TYPE_TIMESTAMP, 23, Bytes(Stamp(0)), "0000-03-04 05:06:07.000"},
    {"TimestampYear9999", SQL_TYPE_TIMESTAMP, 23, Bytes(Stamp(9999)), "9999-03-04 05:06:07.000"},
    {"TimestampFiveDigitYear", SQL_TYPE_TIMESTAMP, 23, Bytes(Stamp(12345)),
     "12345-03-04 05:06:07.000"},
    {"TimestampNegativeYear", SQL_TYPE_TIMESTAMP, 23, Bytes(Stamp(-44)),
     "-044-03-04 05:06:07.000"},
    {"TimestampFieldsOutOfRange", SQL_TYPE_TIMESTAMP, 23,
     Bytes(SQL_TIMESTAMP_STRUCT{7, 13, 100, 24, 60, 65535, 999999999}),
     "0007-13-100 24:60:65535.000"},
    {"DateYearOneDigit", SQL_TYPE_DATE, 10, Bytes(SQL_DATE_STRUCT{5, 1, 9}), "0005-01-09"},
    {"Guid", SQL_GUID, 36, Bytes(kGuid), "{A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11}"},
    {"TypeTimeIsUnhandled", SQL_TYPE_TIME, 8, "", "[when -- unknown m_data type 92]"},
    {"DriverSpecific", -150, 8, "", "[when -- unknown m_data type -150]"},
    {"UnknownType", SQL_UNKNOWN_TYPE, 8, "", "[when -- unknown m_data type 0]"},
    {"Varchar", SQL_VARCHAR, 10, Text("abc"), "abc"},
    {"VarcharEmpty", SQL_VARCHAR, 10, Text(""), ""},
    {"VarcharFullWithoutTerminator", SQL_VARCHAR, 3, "abcd", "abcd"},
    {"VarcharUtf8", SQL_VARCHAR, 10, Text("\xC3\xA9\xE2\x82\xAC"), "\xC3\xA9\xE2\x82\xAC"},
    {"VarcharPointFirstUntouched", SQL_VARCHAR, 10, Text(".5"), ".5"},
    {"DecimalFraction", SQL_DECIMAL, 10, Text(".5"), "0.5"},
    {"NumericFraction", SQL_NUMERIC, 10, Text(".125"), "0.125"},
    {"DecimalNegativeFraction", SQL_DECIMAL, 10, Text("-.5"), "-.5"},
    {"DecimalWithZero", SQL_DECIMAL, 10, Text("0.5"), "0.5"},
    {"DecimalExponentAboveOne", SQL_DECIMAL, 10, Text(".5e3"), ".5e3"},
    {"DecimalExponentBelowOne", SQL_DECIMAL, 10, Text(".5e-3"), "0.5e-3"},
    {"DecimalInteger", SQL_DECIMAL, 10, Text("12"), "12"},
    {"FloatAsDriverText", SQL_FLOAT, 15, Text(".5"), ".5"},
    {"BigInt", SQL_BIGINT, 19, Text("-9223372036854775808"), "-9223372036854775808"},
    {"WideText", SQL_WVARCHAR, 10, Wide(u"\u00E9\u20AC\U0001F600" + std::u16string(1, 0)),
     "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},
    {"WideFullWithoutTerminator", SQL_WCHAR, 2, Wide(u"abc"), "abc"},
    {"WideCutInsidePair", SQL_WCHAR, 1, Wide(u"\xD83D" + std::u16string(1, 0)), "\xEF\xBF\xBD"},
};
// clang-format on

// Every value is put at the last of rowCount rows, whose neighbours hold decoys.
class ColumnTextTest : public ::testing::TestWithParam<std::tuple<TextCase, uint16_t>> {};

TEST_P(ColumnTextTest, FormatsTheRowsValue) {
    const auto& [c, rowCount] = GetParam();
    auto column = MakeColumn(c.sqlType, c.size, rowCount);
    const int row = rowCount - 1;
    PutValue(*column, row, c.value, static_cast<SQLLEN>(c.value.size()));
    EXPECT_EQ(column->GetText(row), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Values, ColumnTextTest,
                         ::testing::Combine(::testing::ValuesIn(kTextCases),
                                            ::testing::Values(1, 2, 5)),
                         [](const ::testing::TestParamInfo<ColumnTextTest::ParamType>& info) {
                             return std::string(std::get<0>(info.param).name) + "_rows" +
                                    std::to_string(std::get<1>(info.param));
                         });

// Bit patterns from every part of the range: each exponent with mantissas of few and many bits.
std::vector<double> DoubleSweep() {
    std::vector<double> values;
    uint64_t state = 0x9E3779B97F4A7C15u;
    for (uint64_t biased = 0; biased < 0x7FF; ++biased) {
        for (int i = 0; i < 24; ++i) {
            state = state * 6364136223846793005u + 1442695040888963407u;
            uint64_t mantissa = state >> 12;
            if (i % 3 == 1) {
                mantissa &= ~uint64_t{0} << (state % 52);  // short mantissas make exact ties
            }
            const uint64_t bits = (static_cast<uint64_t>(i % 2) << 63) | (biased << 52) | mantissa;
            double value;
            std::memcpy(&value, &bits, sizeof(value));
            values.push_back(value);
        }
    }
    return values;
}

TEST(ColumnTextDoubleTest, MatchesTheGeneralFixedConversionEverywhere) {
    auto column = MakeColumn(SQL_DOUBLE, 15, 1);
    int checked = 0;
    for (double value : DoubleSweep()) {
        char expected[512];
        auto result = std::to_chars(std::begin(expected), std::end(expected), value,
                                    std::chars_format::fixed, 6);
        ASSERT_EQ(result.ec, std::errc());
        PutValue(*column, 0, Bytes(value), 8);
        ASSERT_EQ(column->GetText(0), std::string(expected, result.ptr)) << std::hexfloat << value;
        ++checked;
    }
    EXPECT_GT(checked, 40000);
}

struct NullCase {
    const char* name;
    int32_t sqlType;
    SQLSMALLINT nullable;
    std::string stale;
    std::string expected;
};

class ColumnNullTest : public ::testing::TestWithParam<NullCase> {};

// A driver writes nothing into the buffer for a NULL: the previous row's value is still there.
TEST_P(ColumnNullTest, TestsTheIndicatorOnlyWhenNullsAreAllowed) {
    const NullCase& c = GetParam();
    auto column = MakeColumn(c.sqlType, 10, 1, c.nullable);
    PutValue(*column, 0, c.stale, SQL_NULL_DATA);
    EXPECT_EQ(column->GetText(0), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Nullability, ColumnNullTest,
    ::testing::Values(NullCase{"NullableText", SQL_VARCHAR, SQL_NULLABLE, Text("old"), ""},
                      NullCase{"UnknownText", SQL_VARCHAR, SQL_NULLABLE_UNKNOWN, Text("old"), ""},
                      NullCase{"NoNullsText", SQL_VARCHAR, SQL_NO_NULLS, Text("old"), "old"},
                      NullCase{"NullableInteger", SQL_INTEGER, SQL_NULLABLE, Bytes(int32_t{7}), ""},
                      NullCase{"NoNullsInteger", SQL_INTEGER, SQL_NO_NULLS, Bytes(int32_t{7}), "7"},
                      NullCase{"NullableBit", SQL_BIT, SQL_NULLABLE, Bytes(uint8_t{0}), ""},
                      NullCase{"NullableUnhandledType", SQL_TYPE_TIME, SQL_NULLABLE, "", ""}),
    [](const ::testing::TestParamInfo<NullCase>& info) { return info.param.name; });

TEST(ColumnTextLimitsTest, LongValueArrivesCutToOneLessThanTheBuffer) {
    auto column = MakeColumn(SQL_LONGVARCHAR, 2147483647, 1);
    ASSERT_EQ(column->m_bufferLength, 16384u);
    PutValue(*column, 0, Text(std::string(16383, 'x')), 3000000);
    EXPECT_EQ(column->GetText(0), std::string(16383, 'x'));
}

TEST(ColumnTextLimitsTest, RowsOutsideTheBufferGiveEmptyText) {
    auto column = MakeColumn(SQL_INTEGER, 10, 2);
    PutValue(*column, 1, Bytes(int32_t{5}), 4);
    EXPECT_EQ(column->GetText(1), "5");
    EXPECT_EQ(column->GetText(2), "");
    EXPECT_EQ(column->GetText(-1), "");
}

TEST(ColumnTextLimitsTest, ColumnWithoutBuffersGivesEmptyOrUnhandledText) {
    ODBCColumn undescribed(1);
    EXPECT_EQ(undescribed.GetText(0), "[ -- unknown m_data type 0]");
    ODBCColumn unallocated(1);
    unallocated.m_cType = SQL_C_DOUBLE;
    EXPECT_EQ(unallocated.GetText(0), "");
    unallocated.m_cType = SQL_C_CHAR;
    EXPECT_EQ(unallocated.GetText(0), "");
}

// Builds a locale whose decimal separator is a comma, as a German desktop has.
class CommaLocale {
  public:
    CommaLocale() {
        const std::string source = m_dir.Write("comma",
                                               "LC_NUMERIC\ndecimal_point \"<U002C>\"\n"
                                               "thousands_sep \"<U002E>\"\n"
                                               "grouping 3;3\nEND LC_NUMERIC\n");
        const std::string command = "localedef -c -i " + source + " -f UTF-8 " +
                                    m_dir.File("xx_XX.UTF-8") + " >/dev/null 2>&1";
        [[maybe_unused]] int ignored = std::system(command.c_str());
        setenv("LOCPATH", m_dir.Path().c_str(), 1);
        m_active = std::setlocale(LC_NUMERIC, "xx_XX.UTF-8") != nullptr;
    }
    ~CommaLocale() {
        std::setlocale(LC_NUMERIC, "C");
        unsetenv("LOCPATH");
    }
    bool Active() const { return m_active; }

  private:
    TempDir m_dir;
    bool m_active = false;
};

TEST(ColumnTextLocaleTest, NumbersKeepThePointInACommaLocale) {
    CommaLocale locale;
    if (!locale.Active()) {
        GTEST_SKIP() << "localedef cannot build a test locale here";
    }
    char probe[16];
    std::snprintf(probe, sizeof(probe), "%.1f", 2.5);
    ASSERT_STREQ(probe, "2,5") << "the comma locale is not in effect";

    auto real = MakeColumn(SQL_DOUBLE, 15, 1);
    PutValue(*real, 0, Bytes(2.5), 8);
    EXPECT_EQ(real->GetText(0), "2.500000");
    auto exact = MakeColumn(SQL_DECIMAL, 10, 1);
    PutValue(*exact, 0, Text(".5e3"), 4);
    EXPECT_EQ(exact->GetText(0), ".5e3");
}

}  // namespace
