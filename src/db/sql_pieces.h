#pragma once
// How the text to run is cut into statements, and which statements carry an output parameter.

#include <string>
#include <string_view>
#include <vector>

namespace querimo {

// A text without ';' is one statement, exactly as it is. Otherwise it is cut at every ';'
// (quotes and comments do not protect one) and the pieces are trimmed; empty ones go.
std::vector<std::string> SplitStatements(std::string_view text);

// Whether the first '?' of the text is a parameter marker: it is one unless a backslash or an
// apostrophe stands right before it. Later question marks do not count.
bool HasParameterMarker(std::string_view statement);

}  // namespace querimo
