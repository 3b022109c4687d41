#pragma once
// The program's 8-bit text is UTF-8: the one reading and writing of its characters.

#include <cstddef>
#include <string>
#include <string_view>

namespace querimo {

// Bytes of the well-formed character at the start of text (1 to 4), or 0 when the bytes there
// begin none: a stray continuation byte, a cut sequence, an overlong form, a surrogate or a code
// point past U+10FFFF.
std::size_t Utf8SequenceLength(std::string_view text);
// The code point of a sequence that Utf8SequenceLength measured.
char32_t DecodeUtf8(std::string_view sequence);
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace querimo
