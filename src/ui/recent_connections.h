#pragma once
// The connection strings that connected lately, kept in the settings store for the data source
// chooser; a password never reaches the store.

#include "ui/prompt.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace querimo {

inline constexpr std::size_t kRecentConnectionLimit = 8;

// Newest first.
std::vector<std::string> ReadRecentConnections(Prompt& prompt);
// Puts the string, without its password, first; an equal older entry and those beyond the limit
// go.
void RememberConnection(Prompt& prompt, std::string_view connectString);

}  // namespace querimo
