#include "ui/recent_connections.h"
#include "db/trimmed.h"

#include <algorithm>
#include <cctype>

namespace querimo {

namespace {

constexpr const char* kSection = "RecentConnections";

std::string KeyFor(std::size_t index) {
    return "Connection" + std::to_string(index + 1);
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// Where the attribute starting at `start` ends: at its ';' (not included) or the end. A value
// in braces runs to its closing brace, "}}" standing for one brace inside it.
std::size_t AttributeEnd(std::string_view text, std::size_t start) {
    std::size_t i = start;
    while (i < text.size() && text[i] != '=' && text[i] != ';') {
        ++i;
    }
    if (i < text.size() && text[i] == '=') {
        std::size_t value = i + 1;
        while (value < text.size() && text[value] == ' ') {
            ++value;
        }
        if (value < text.size() && text[value] == '{') {
            i = value + 1;
            while (i < text.size()) {
                if (text[i] == '}' && i + 1 < text.size() && text[i + 1] == '}') {
                    i += 2;
                } else if (text[i] == '}') {
                    ++i;
                    break;
                } else {
                    ++i;
                }
            }
        }
    }
    while (i < text.size() && text[i] != ';') {
        ++i;
    }
    return i;
}

bool IsPasswordAttribute(std::string_view attribute) {
    std::string_view keyword = Trimmed(attribute.substr(0, attribute.find('=')));
    return EqualsIgnoringCase(keyword, "PWD") || EqualsIgnoringCase(keyword, "PASSWORD");
}

}  // namespace

std::string WithoutPassword(std::string_view connectString) {
    std::string kept;
    std::size_t start = 0;
    while (start < connectString.size()) {
        std::size_t end = AttributeEnd(connectString, start);
        std::size_t next = end < connectString.size() ? end + 1 : end;
        if (!IsPasswordAttribute(connectString.substr(start, end - start))) {
            kept.append(connectString.substr(start, next - start));
        }
        start = next;
    }
    if (!kept.empty() && kept.back() == ';' &&
        (connectString.empty() || connectString.back() != ';')) {
        kept.pop_back();
    }
    return kept;
}

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
