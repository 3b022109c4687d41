#include "app/result_columns.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(ResultColumnsTest, WidthIsTheLargerOfNameAndSizeUpTo300) {
    struct Case {
        SQLSMALLINT nameLength;
        SQLULEN columnSize;
        int width;
    };
    const Case cases[] = {
        {0, 0, 0},
        {2, 10, 100},
        {18, 2, 144},
        {1, 29, 290},
        {1, 30, 300},
        {37, 1, 296},
        {38, 1, 300},
        {127, 0, 300},
        {1, std::numeric_limits<SQLULEN>::max(), 300},
        {1, SQLULEN{2147483647}, 300},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(querimo::ResultColumnWidth(c.nameLength, c.columnSize), c.width)
            << c.nameLength << " " << c.columnSize;
    }
}

TEST(ResultColumnsTest, OnlyTextAndOldStyleDatesAreLeftAligned) {
    for (int32_t type : {SQL_C_CHAR, SQL_C_WCHAR, SQL_C_DATE}) {
        EXPECT_EQ(querimo::ResultColumnAlignment(type), Qt::AlignLeft) << type;
    }
    for (int32_t type :
         {SQL_C_LONG, SQL_C_SHORT, SQL_C_DOUBLE, SQL_C_BIT, SQL_C_TINYINT, SQL_C_TYPE_DATE,
          SQL_C_TYPE_TIMESTAMP, SQL_C_TIMESTAMP, SQL_C_GUID, SQL_C_BINARY, -150, 0}) {
        EXPECT_EQ(querimo::ResultColumnAlignment(type), Qt::AlignRight) << type;
    }
}

}  // namespace
