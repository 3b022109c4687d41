#include "db/odbc_column.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// A driver may announce any size; a buffer length computed from it must cap at one element of
// 16,384 bytes instead of wrapping around to something small.
TEST(ColumnBindingTest, SizesAtTheTopOfTheRangeCap) {
    constexpr SQLULEN kTop = std::numeric_limits<SQLULEN>::max();
    constexpr SQLULEN kTop32 = std::numeric_limits<uint32_t>::max();
    for (int32_t type : {SQL_WCHAR, SQL_VARCHAR, SQL_BIGINT, SQL_LONGVARCHAR, SQL_NUMERIC,
                         SQL_FLOAT, SQL_DATE, SQL_TYPE_DATE, SQL_TYPE_TIMESTAMP}) {
        for (SQLULEN size : {kTop32, kTop / 2, kTop}) {
            ODBCColumn column(2);
            column.m_sqlType = type;
            column.m_columnSize = size;
            column.ChooseBinding();
            column.AllocateBuffers();
            EXPECT_EQ(column.m_bufferLength, 16384u) << "type " << type << ", size " << size;
            EXPECT_EQ(column.m_data.size(), 2u * 16384u);
        }
    }
}

}  // namespace
