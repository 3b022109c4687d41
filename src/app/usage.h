#pragma once
// The texts of --help and --version.

#include <optional>
#include <string>
#include <vector>

namespace querimo {

std::string UsageText();
std::string VersionText();

// The text to print when the whole first argument is exactly --help or --version.
std::optional<std::string> InformationRequest(const std::vector<std::string>& arguments);

}  // namespace querimo
