#pragma once
// Reading and writing ODBC connection strings: the keyword=value attributes separated by ';',
// a value in braces holding anything, "}}" standing for one brace inside it.

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace querimo {

struct ConnectionAttribute {
    std::string_view keyword;  // trimmed
    std::string value;         // braces removed
    std::string_view piece;    // the attribute as written, without its ';'
};

std::vector<ConnectionAttribute> ParseConnectionString(std::string_view connectString);

// The connection string without its PWD and PASSWORD attributes (keywords in any case).
std::string WithoutPassword(std::string_view connectString);
bool HasPassword(std::string_view connectString);
// Appends a PWD attribute with the value braced as needed.
std::string WithPassword(std::string_view connectString, std::string_view password);

// "Keyword=value" with the value braced when it would otherwise end or change the attribute.
std::string Attribute(std::string_view keyword, std::string_view value);
// "DRIVER={driver};" followed by the attributes whose value is not empty.
std::string BuildConnectionString(
    std::string_view driver, const std::vector<std::pair<std::string, std::string>>& attributes);

// What a person recognises a connection by, never holding its password: the data source name,
// or the driver with the database, user, server and port that the string names.
std::string ConnectionLabel(std::string_view connectString);

}  // namespace querimo
