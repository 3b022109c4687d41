#pragma once
// Wide text from drivers (UTF-16) to the program's 8-bit text (UTF-8).

#include <string>
#include <string_view>

// Converts every valid text exactly; an unpaired surrogate, including one left by a value cut
// in the middle of a pair, becomes U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
