#include "app/sql_pieces.h"

#include <cctype>

namespace querimo {

namespace {

std::string_view Trimmed(std::string_view text) {
    auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

}  // namespace

std::vector<std::string> SplitStatements(std::string_view text) {
    if (text.find(';') == std::string_view::npos) {
        return {std::string(text)};
    }
    std::vector<std::string> statements;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find(';', start);
        std::string_view piece = Trimmed(text.substr(start, end - start));
        if (!piece.empty()) {
            statements.emplace_back(piece);
        }
        if (end == std::string_view::npos) {
            return statements;
        }
        start = end + 1;
    }
}

bool HasParameterMarker(std::string_view statement) {
    std::size_t mark = statement.find('?');
    if (mark == std::string_view::npos) {
        return false;
    }
    return mark == 0 || (statement[mark - 1] != '\\' && statement[mark - 1] != '\'');
}

}  // namespace querimo
