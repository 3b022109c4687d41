#include "ui/connection_string.h"

#include "db/trimmed.h"

#include <algorithm>
#include <cctype>
#include <initializer_list>
#include <tuple>

namespace querimo {

namespace {

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool IsPasswordKeyword(std::string_view keyword) {
    return EqualsIgnoringCase(keyword, "PWD") || EqualsIgnoringCase(keyword, "PASSWORD");
}

// The value starting at `start` (after '='): its text and the index just past it.
std::pair<std::string, std::size_t> ReadValue(std::string_view text, std::size_t start) {
    std::size_t i = start;
    while (i < text.size() && text[i] == ' ') {
        ++i;
    }
    if (i >= text.size() || text[i] != '{') {
        const std::size_t end = std::min(text.find(';', start), text.size());
        return {std::string(Trimmed(text.substr(start, end - start))), end};
    }
    std::string value;
    for (++i; i < text.size(); ++i) {
        if (text[i] == '}' && i + 1 < text.size() && text[i + 1] == '}') {
            value += '}';
            ++i;
        } else if (text[i] == '}') {
            ++i;
            break;
        } else {
            value += text[i];
        }
    }
    return {value, std::min(text.find(';', i), text.size())};
}

// The first non-empty value among the keywords.
std::string Find(const std::vector<ConnectionAttribute>& attributes,
                 std::initializer_list<std::string_view> keywords) {
    for (std::string_view keyword : keywords) {
        for (const ConnectionAttribute& attribute : attributes) {
            if (EqualsIgnoringCase(attribute.keyword, keyword) && !attribute.value.empty()) {
                return attribute.value;
            }
        }
    }
    return {};
}

}  // namespace

std::vector<ConnectionAttribute> ParseConnectionString(std::string_view text) {
    std::vector<ConnectionAttribute> attributes;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t equals = text.find_first_of("=;", start);
        ConnectionAttribute attribute;
        std::size_t end = std::min(equals, text.size());
        if (end < text.size() && text[end] == '=') {
            std::tie(attribute.value, end) = ReadValue(text, end + 1);
        }
        attribute.keyword = Trimmed(text.substr(start, std::min(equals, end) - start));
        attribute.piece = text.substr(start, end - start);
        attributes.push_back(std::move(attribute));
        start = end + 1;
    }
    return attributes;
}

std::string WithoutPassword(std::string_view connectString) {
    std::string kept;
    for (const ConnectionAttribute& attribute : ParseConnectionString(connectString)) {
        if (!IsPasswordKeyword(attribute.keyword)) {
            kept.append(attribute.piece).push_back(';');
        }
    }
    if (!kept.empty() && !connectString.ends_with(';')) {
        kept.pop_back();
    }
    return kept;
}

bool HasPassword(std::string_view connectString) {
    const auto attributes = ParseConnectionString(connectString);
    return std::any_of(attributes.begin(), attributes.end(),
                       [](const auto& attribute) { return IsPasswordKeyword(attribute.keyword); });
}

std::string WithPassword(std::string_view connectString, std::string_view password) {
    std::string text(connectString);
    if (!text.empty() && text.back() != ';') {
        text += ';';
    }
    return text + Attribute("PWD", password) + ';';
}

std::string Attribute(std::string_view keyword, std::string_view value) {
    std::string text(keyword);
    text += '=';
    const bool braced = value.find_first_of(";{}") != std::string_view::npos ||
                        (!value.empty() && (value.front() == ' ' || value.back() == ' '));
    if (!braced) {
        return text.append(value);
    }
    text += '{';
    for (char c : value) {
        text += c;
        if (c == '}') {
            text += '}';
        }
    }
    return text + '}';
}

std::string BuildConnectionString(
    std::string_view driver, const std::vector<std::pair<std::string, std::string>>& attributes) {
    std::string text = "DRIVER={" + std::string(driver) + "};";
    for (const auto& [keyword, value] : attributes) {
        if (!Trimmed(keyword).empty() && !value.empty()) {
            text += Attribute(Trimmed(keyword), value) + ';';
        }
    }
    return text;
}

std::string ConnectionLabel(std::string_view connectString) {
    const auto attributes = ParseConnectionString(connectString);
    std::string label = Find(attributes, {"DSN"});
    if (!label.empty()) {
        return label;
    }
    label = Find(attributes, {"DRIVER"});
    const std::string database = Find(attributes, {"DATABASE", "DB", "DBQ", "DBNAME"});
    const std::string user = Find(attributes, {"UID", "USER", "USERNAME"});
    const std::string server = Find(attributes, {"SERVER", "SERVERNAME", "HOST", "HOSTNAME"});
    const std::string port = Find(attributes, {"PORT"});
    if (!database.empty()) {
        label += (label.empty() ? "" : ": ") + database;
    }
    if (!server.empty()) {
        label +=
            " on " + (user.empty() ? "" : user + "@") + server + (port.empty() ? "" : ":" + port);
    }
    return label;
}

}  // namespace querimo
