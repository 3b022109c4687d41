#include "db/odbc_column.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <string>

namespace {

constexpr SQLULEN kTwoGigabytes = 2147483647;
constexpr SQLULEN kTop32 = std::numeric_limits<uint32_t>::max();
constexpr SQLULEN kTop = std::numeric_limits<SQLULEN>::max();

struct BindingCase {
    const char* name;
    int32_t sqlType;
    SQLULEN size;
    int32_t cType;
    uint32_t bufferLength;  // after AllocateBuffers
};

class ColumnBindingTest : public ::testing::TestWithParam<BindingCase> {};

TEST_P(ColumnBindingTest, ChoosesTypeAndLength) {
    const BindingCase& c = GetParam();
    ODBCColumn column(1);
    column.m_sqlType = c.sqlType;
    column.m_columnSize = c.size;
    column.ChooseBinding();
    EXPECT_EQ(column.m_cType, c.cType);
    // Never below the capped length: a sum that wrapped around would land there.
    EXPECT_GE(column.m_bufferLength, c.bufferLength);
    column.AllocateBuffers();
    EXPECT_EQ(column.m_bufferLength, c.bufferLength);
    EXPECT_EQ(column.m_data.size(), c.bufferLength);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Types, ColumnBindingTest, ::testing::Values(
    BindingCase{"WCharSize10", SQL_WCHAR, 10, SQL_C_WCHAR, 22},
    BindingCase{"WVarcharSize8191", SQL_WVARCHAR, 8191, SQL_C_WCHAR, 16384},
    BindingCase{"WLongVarcharTwoGigabytes", SQL_WLONGVARCHAR, kTwoGigabytes, SQL_C_WCHAR, 16384},
    BindingCase{"Bit", SQL_BIT, 1, SQL_C_BIT, 1},
    BindingCase{"TinyInt", SQL_TINYINT, 3, SQL_C_SBIGINT, 8},
    BindingCase{"BigInt", SQL_BIGINT, 19, SQL_C_CHAR, 21},
    BindingCase{"LongVarBinaryNoSize", SQL_LONGVARBINARY, 0, SQL_C_CHAR, 257},
    BindingCase{"VarBinary255", SQL_VARBINARY, 255, SQL_C_CHAR, 512},
    BindingCase{"Binary16200", SQL_BINARY, 16200, SQL_C_CHAR, 16384},
    BindingCase{"LongVarcharTwoGigabytes", SQL_LONGVARCHAR, kTwoGigabytes, SQL_C_CHAR, 16384},
    BindingCase{"LongVarBinaryTwoGigabytes", SQL_LONGVARBINARY, kTwoGigabytes, SQL_C_CHAR, 16384},
    BindingCase{"Char1", SQL_CHAR, 1, SQL_C_CHAR, 2},
    BindingCase{"Varchar50", SQL_VARCHAR, 50, SQL_C_CHAR, 51},
    BindingCase{"Varchar16383", SQL_VARCHAR, 16383, SQL_C_CHAR, 16384},
    BindingCase{"Varchar16384", SQL_VARCHAR, 16384, SQL_C_CHAR, 16384},
    BindingCase{"Numeric10", SQL_NUMERIC, 10, SQL_C_CHAR, 37},
    BindingCase{"Decimal28", SQL_DECIMAL, 28, SQL_C_CHAR, 73},
    BindingCase{"Integer", SQL_INTEGER, 10, SQL_C_SBIGINT, 8},
    BindingCase{"SmallInt", SQL_SMALLINT, 5, SQL_C_SBIGINT, 8},
    BindingCase{"Float15", SQL_FLOAT, 15, SQL_C_CHAR, 64},
    BindingCase{"FloatNoSize", SQL_FLOAT, 0, SQL_C_CHAR, 33},
    BindingCase{"Real7", SQL_REAL, 7, SQL_C_CHAR, 48},
    BindingCase{"Double", SQL_DOUBLE, 15, SQL_C_DOUBLE, 8},
    BindingCase{"DateNoSize", SQL_DATE, 0, SQL_C_DATE, 25},
    BindingCase{"Date10", SQL_DATE, 10, SQL_C_DATE, 36},
    BindingCase{"Time", SQL_TIME, 8, SQL_C_TIME, 6},
    BindingCase{"Timestamp", SQL_TIMESTAMP, 23, SQL_C_TIMESTAMP, 16},
    BindingCase{"TypeDateNoSize", SQL_TYPE_DATE, 0, SQL_C_TYPE_DATE, 29},
    BindingCase{"TypeDate10", SQL_TYPE_DATE, 10, SQL_C_TYPE_DATE, 40},
    BindingCase{"TypeTime", SQL_TYPE_TIME, 8, SQL_C_TYPE_TIME, 256},
    BindingCase{"TypeTimestampNoSize", SQL_TYPE_TIMESTAMP, 0, SQL_C_TYPE_TIMESTAMP, 38},
    BindingCase{"TypeTimestamp23", SQL_TYPE_TIMESTAMP, 23, SQL_C_TYPE_TIMESTAMP, 62},
    BindingCase{"Guid", SQL_GUID, 36, SQL_C_GUID, 256},
    BindingCase{"Unknown", SQL_UNKNOWN_TYPE, 10, 0, 0},
    BindingCase{"DriverSpecific", -150, 10, -150, 256},
    BindingCase{"Interval", SQL_INTERVAL_DAY_TO_SECOND, 20, SQL_INTERVAL_DAY_TO_SECOND, 256},
    // Sizes at the top of the range must cap, not wrap around to something small.
    BindingCase{"WCharTop32", SQL_WCHAR, kTop32, SQL_C_WCHAR, 16384},
    BindingCase{"WCharTop", SQL_WCHAR, kTop, SQL_C_WCHAR, 16384},
    BindingCase{"WCharHalfTop", SQL_WCHAR, kTop / 2, SQL_C_WCHAR, 16384},
    BindingCase{"VarcharTop32", SQL_VARCHAR, kTop32, SQL_C_CHAR, 16384},
    BindingCase{"VarcharTop", SQL_VARCHAR, kTop, SQL_C_CHAR, 16384},
    BindingCase{"BigIntTop", SQL_BIGINT, kTop, SQL_C_CHAR, 16384},
    BindingCase{"LongVarcharTop", SQL_LONGVARCHAR, kTop, SQL_C_CHAR, 16384},
    BindingCase{"NumericTop32", SQL_NUMERIC, kTop32, SQL_C_CHAR, 16384},
    BindingCase{"NumericTop", SQL_NUMERIC, kTop, SQL_C_CHAR, 16384},
    BindingCase{"FloatTop", SQL_FLOAT, kTop, SQL_C_CHAR, 16384},
    BindingCase{"DateTop", SQL_DATE, kTop, SQL_C_DATE, 16384},
    BindingCase{"TypeDateTop32", SQL_TYPE_DATE, kTop32, SQL_C_TYPE_DATE, 16384},
    BindingCase{"TypeTimestampTop", SQL_TYPE_TIMESTAMP, kTop, SQL_C_TYPE_TIMESTAMP, 16384}),
    [](const ::testing::TestParamInfo<BindingCase>& info) { return info.param.name; });
// clang-format on

TEST(ColumnBuffersTest, AllocatesZeroedRowsWithIndicatorsPreset) {
    ODBCColumn column(3);
    column.m_sqlType = SQL_VARCHAR;
    column.m_columnSize = 9;
    column.ChooseBinding();
    column.AllocateBuffers();
    ASSERT_EQ(column.m_data.size(), 30u);
    EXPECT_TRUE(std::all_of(column.m_data.begin(), column.m_data.end(),
                            [](std::byte b) { return b == std::byte{0}; }));
    EXPECT_EQ(column.m_indicators, std::vector<SQLLEN>(3, 10));
}

TEST(ColumnBuffersTest, ReallocationReplacesOldContent) {
    ODBCColumn column(2);
    column.m_bufferLength = 20000;
    column.AllocateBuffers();
    std::fill(column.m_data.begin(), column.m_data.end(), std::byte{'x'});
    column.m_indicators[1] = SQL_NULL_DATA;
    column.m_bufferLength = 4;
    column.AllocateBuffers();
    EXPECT_EQ(column.m_data, std::vector<std::byte>(8, std::byte{0}));
    EXPECT_EQ(column.m_indicators, std::vector<SQLLEN>(2, 4));
}

struct TextTypeCase {
    int32_t sqlType;
    bool isText;
};

class IsTextTypeTest : public ::testing::TestWithParam<TextTypeCase> {};

TEST_P(IsTextTypeTest, MatchesTheQuotedTypes) {
    ODBCColumn column(1);
    column.m_sqlType = GetParam().sqlType;
    EXPECT_EQ(column.IsTextType(), GetParam().isText) << "SQL type " << GetParam().sqlType;
}

INSTANTIATE_TEST_SUITE_P(
    Types, IsTextTypeTest,
    ::testing::Values(TextTypeCase{SQL_WVARCHAR, true}, TextTypeCase{SQL_WCHAR, true},
                      TextTypeCase{SQL_LONGVARBINARY, true}, TextTypeCase{SQL_VARBINARY, true},
                      TextTypeCase{SQL_BINARY, true}, TextTypeCase{SQL_LONGVARCHAR, true},
                      TextTypeCase{SQL_CHAR, true}, TextTypeCase{SQL_DATE, true},
                      TextTypeCase{SQL_VARCHAR, true}, TextTypeCase{SQL_TYPE_DATE, true},
                      TextTypeCase{SQL_WLONGVARCHAR, false}, TextTypeCase{SQL_TIME, false},
                      TextTypeCase{SQL_TIMESTAMP, false}, TextTypeCase{SQL_TYPE_TIME, false},
                      TextTypeCase{SQL_TYPE_TIMESTAMP, false}, TextTypeCase{SQL_GUID, false},
                      TextTypeCase{SQL_INTEGER, false}, TextTypeCase{SQL_NUMERIC, false},
                      TextTypeCase{SQL_BIT, false}, TextTypeCase{SQL_UNKNOWN_TYPE, false},
                      TextTypeCase{-150, false}));

}  // namespace
