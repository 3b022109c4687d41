// Text crossing encodings, the first byte choosing the rule. Wide driver text becomes what
// glibc's converter makes of it once each unpaired surrogate is U+FFFD; a cell cut to a buffer
// is a prefix of its text before any NUL, at most three bytes short, and never ends inside a
// UTF-8 character.
#include "db/utf16.h"
#include "fuzz_check.h"
#include "ui/row_text.h"

#include <iconv.h>

#include <optional>
#include <string>
#include <string_view>

namespace {

// The bytes converted by glibc; nullopt when they are not valid in the encoding from.
std::optional<std::string> Convert(const char* to, const char* from, std::string_view bytes) {
    iconv_t converter = iconv_open(to, from);
    std::string out(2 * bytes.size(), '\0');
    char* in = const_cast<char*>(bytes.data());
    char* next = out.data();
    std::size_t inLeft = bytes.size();
    std::size_t outLeft = out.size();
    const bool done =
        iconv(converter, &in, &inLeft, &next, &outLeft) != static_cast<std::size_t>(-1);
    iconv_close(converter);
    out.resize(out.size() - outLeft);
    return done ? std::optional(out) : std::nullopt;
}

void CheckUtf16(std::string_view bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    std::u16string paired;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool high = text[i] >= 0xD800 && text[i] < 0xDC00;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            paired += text.substr(i++, 2);
        } else {
            paired += text[i] >= 0xD800 && text[i] < 0xE000 ? u'\xFFFD' : text[i];
        }
    }
    const std::string_view pairedBytes(reinterpret_cast<const char*>(paired.data()),
                                       2 * paired.size());
    FUZZ_CHECK(Utf16ToUtf8(text) == Convert("UTF-8", "UTF-16LE", pairedBytes));
}

void CheckFit(std::string_view text, std::size_t bufferSize) {
    const std::string_view fit = querimo::FitToBuffer(text, bufferSize);
    const std::string_view whole = text.substr(0, text.find('\0'));
    FUZZ_CHECK(whole.substr(0, fit.size()) == fit);
    const std::size_t room = bufferSize == 0 ? 0 : bufferSize - 1;
    FUZZ_CHECK(fit.size() <= room && fit.size() + 3 >= std::min(whole.size(), room));
    FUZZ_CHECK(whole.size() > room || fit.size() == whole.size());
    if (fit.size() < whole.size() && Convert("UTF-16LE", "UTF-8", whole)) {
        FUZZ_CHECK((static_cast<unsigned char>(whole[fit.size()]) & 0xC0) != 0x80);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    const std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    if (data[0] % 2 == 0) {
        CheckUtf16(rest);
    } else {
        CheckFit(rest, data[1] % 40);
    }
    return 0;
}
