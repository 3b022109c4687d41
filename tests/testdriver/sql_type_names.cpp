#include "sql_type_names.h"

#include <utility>

#include "call_rule.h"

namespace querimo::testodbc {
namespace {

constexpr std::pair<std::string_view, SQLSMALLINT> kTypeNames[] = {
    {"UNKNOWN_TYPE", SQL_UNKNOWN_TYPE},
    {"CHAR", SQL_CHAR},
    {"VARCHAR", SQL_VARCHAR},
    {"LONGVARCHAR", SQL_LONGVARCHAR},
    {"WCHAR", SQL_WCHAR},
    {"WVARCHAR", SQL_WVARCHAR},
    {"WLONGVARCHAR", SQL_WLONGVARCHAR},
    {"BINARY", SQL_BINARY},
    {"VARBINARY", SQL_VARBINARY},
    {"LONGVARBINARY", SQL_LONGVARBINARY},
    {"BIT", SQL_BIT},
    {"TINYINT", SQL_TINYINT},
    {"SMALLINT", SQL_SMALLINT},
    {"INTEGER", SQL_INTEGER},
    {"BIGINT", SQL_BIGINT},
    {"REAL", SQL_REAL},
    {"FLOAT", SQL_FLOAT},
    {"DOUBLE", SQL_DOUBLE},
    {"NUMERIC", SQL_NUMERIC},
    {"DECIMAL", SQL_DECIMAL},
    {"DATE", SQL_DATE},
    {"TIME", SQL_TIME},
    {"TIMESTAMP", SQL_TIMESTAMP},
    {"TYPE_DATE", SQL_TYPE_DATE},
    {"TYPE_TIME", SQL_TYPE_TIME},
    {"TYPE_TIMESTAMP", SQL_TYPE_TIMESTAMP},
    {"GUID", SQL_GUID},
    {"INTERVAL_YEAR", SQL_INTERVAL_YEAR},
    {"INTERVAL_MONTH", SQL_INTERVAL_MONTH},
    {"INTERVAL_DAY", SQL_INTERVAL_DAY},
    {"INTERVAL_HOUR", SQL_INTERVAL_HOUR},
    {"INTERVAL_MINUTE", SQL_INTERVAL_MINUTE},
    {"INTERVAL_SECOND", SQL_INTERVAL_SECOND},
    {"INTERVAL_YEAR_TO_MONTH", SQL_INTERVAL_YEAR_TO_MONTH},
    {"INTERVAL_DAY_TO_HOUR", SQL_INTERVAL_DAY_TO_HOUR},
    {"INTERVAL_DAY_TO_MINUTE", SQL_INTERVAL_DAY_TO_MINUTE},
    {"INTERVAL_DAY_TO_SECOND", SQL_INTERVAL_DAY_TO_SECOND},
    {"INTERVAL_HOUR_TO_MINUTE", SQL_INTERVAL_HOUR_TO_MINUTE},
    {"INTERVAL_HOUR_TO_SECOND", SQL_INTERVAL_HOUR_TO_SECOND},
    {"INTERVAL_MINUTE_TO_SECOND", SQL_INTERVAL_MINUTE_TO_SECOND},
};

constexpr SQLULEN kLongDataSize = 2147483647;

}  // namespace

std::optional<SQLSMALLINT> SqlTypeByName(std::string_view name) {
    std::string wanted = UpperCase(name);
    if (wanted.rfind("SQL_", 0) == 0) {
        wanted.erase(0, 4);
    }
    for (const auto& [typeName, code] : kTypeNames) {
        if (typeName == wanted) {
            return code;
        }
    }
    return std::nullopt;
}

DefaultShape DefaultShapeOf(SQLSMALLINT sqlType) {
    switch (sqlType) {
        case SQL_CHAR:
        case SQL_VARCHAR:
        case SQL_WCHAR:
        case SQL_WVARCHAR:
        case SQL_BINARY:
        case SQL_VARBINARY:
            return {255, 0};
        case SQL_LONGVARCHAR:
        case SQL_WLONGVARCHAR:
        case SQL_LONGVARBINARY:
            return {kLongDataSize, 0};
        case SQL_BIT:
            return {1, 0};
        case SQL_TINYINT:
            return {3, 0};
        case SQL_SMALLINT:
            return {5, 0};
        case SQL_INTEGER:
            return {10, 0};
        case SQL_BIGINT:
            return {19, 0};
        case SQL_REAL:
            return {7, 0};
        case SQL_FLOAT:
        case SQL_DOUBLE:
            return {15, 0};
        case SQL_NUMERIC:
        case SQL_DECIMAL:
            return {10, 0};
        case SQL_DATE:
        case SQL_TYPE_DATE:
            return {10, 0};
        case SQL_TIME:
        case SQL_TYPE_TIME:
            return {8, 0};
        case SQL_TIMESTAMP:
        case SQL_TYPE_TIMESTAMP:
            return {23, 3};
        case SQL_GUID:
            return {36, 0};
        default:
            return {0, 0};
    }
}

}  // namespace querimo::testodbc
