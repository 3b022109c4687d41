#include "db/sql_pieces.h"
#include "db/trimmed.h"

#include <cctype>

namespace querimo {

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
