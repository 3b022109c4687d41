#include "ui/recent_connections.h"
#include "db/trimmed.h"
#include "ui/connection_string.h"

#include <algorithm>

namespace querimo {

namespace {

constexpr const char* kSection = "RecentConnections";

std::string KeyFor(std::size_t index) {
    return "Connection" + std::to_string(index + 1);
}

}  // namespace

std::vector<std::string> ReadRecentConnections(Prompt& prompt) {
    std::vector<std::string> recent;
    for (std::size_t i = 0; i < kRecentConnectionLimit; ++i) {
        std::string entry = prompt.ReadSetting(kSection, KeyFor(i));
        if (!entry.empty()) {
            recent.push_back(std::move(entry));
        }
    }
    return recent;
}

void RememberConnection(Prompt& prompt, std::string_view connectString) {
    std::string entry = WithoutPassword(connectString);
    if (Trimmed(entry).empty()) {
        return;
    }
    std::vector<std::string> recent = ReadRecentConnections(prompt);
    std::erase(recent, entry);
    recent.insert(recent.begin(), entry);
    recent.resize(std::min(recent.size(), kRecentConnectionLimit));
    for (std::size_t i = 0; i < kRecentConnectionLimit; ++i) {
        prompt.WriteSetting(kSection, KeyFor(i), i < recent.size() ? recent[i] : std::string());
    }
}

}  // namespace querimo
