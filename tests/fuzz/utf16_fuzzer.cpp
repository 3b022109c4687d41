// Wide text from a driver, any sequence of 16-bit units: the 8-bit text is always valid UTF-8
// and holds every character of the input, with U+FFFD for each unpaired surrogate only.
#include "db/utf16.h"
#include "fuzz_check.h"

#include <string>
#include <vector>

namespace {

// The characters the text stands for, decoded independently of the code under test.
std::vector<char32_t> ExpectedCharacters(const std::u16string& text) {
    std::vector<char32_t> codes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t unit = text[i];
        const bool high = unit >= 0xD800 && unit < 0xDC00;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            codes.push_back(0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
            ++i;
        } else if (unit >= 0xD800 && unit < 0xE000) {
            codes.push_back(0xFFFD);
        } else {
            codes.push_back(unit);
        }
    }
    return codes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    const std::string converted = Utf16ToUtf8(text);
    FUZZ_CHECK(converted.size() <= 3 * text.size());
    const auto decoded = fuzz::DecodeUtf8(converted);
    FUZZ_CHECK(decoded.has_value());
    FUZZ_CHECK(*decoded == ExpectedCharacters(text));
    return 0;
}
