#include "app/result_columns.h"

#include <algorithm>

namespace querimo {

namespace {

constexpr int kMaxColumnWidth = 300;

}  // namespace

int ResultColumnWidth(SQLSMALLINT nameLength, SQLULEN columnSize) {
    // Sizes come from the driver and may be anything up to the top of the range.
    const uint64_t byName = 8 * static_cast<uint64_t>(std::max<SQLSMALLINT>(nameLength, 0));
    const uint64_t bySize = columnSize >= kMaxColumnWidth ? kMaxColumnWidth : 10 * columnSize;
    return static_cast<int>(std::min<uint64_t>(std::max(byName, bySize), kMaxColumnWidth));
}

Qt::Alignment ResultColumnAlignment(int32_t boundType) {
    switch (boundType) {
        case SQL_C_CHAR:
        case SQL_C_WCHAR:
        case SQL_C_DATE:
            return Qt::AlignLeft;
        default:
            return Qt::AlignRight;
    }
}

}  // namespace querimo
