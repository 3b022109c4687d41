// SQL data type names as scripts write them, and the column sizes a real
// driver would describe for them when the script gives none.
#pragma once

#include <optional>
#include <string_view>

#include "odbc_api.h"

namespace querimo::testodbc {

// "VARCHAR", "SQL_VARCHAR", "type_date", ... ; empty for an unknown name.
std::optional<SQLSMALLINT> SqlTypeByName(std::string_view name);

struct DefaultShape {
    SQLULEN columnSize;
    SQLSMALLINT decimalDigits;
};

DefaultShape DefaultShapeOf(SQLSMALLINT sqlType);

}  // namespace querimo::testodbc
