#pragma once
// How a result column appears in the grid: its width and alignment.

#include "db/odbc_statement.h"

#include <Qt>

namespace querimo {

// The larger of 8 pixels per name character and 10 per character of the column's size, at most
// 300.
int ResultColumnWidth(SQLSMALLINT nameLength, SQLULEN columnSize);
// Text, wide text and old-style dates are left-aligned; every other bound type right-aligned.
Qt::Alignment ResultColumnAlignment(int32_t boundType);

}  // namespace querimo
