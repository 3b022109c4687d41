#pragma once
// One cell of a result line: its bytes, whether the value was SQL NULL (then empty), and
// whether the bytes are only the start of a longer value.

#include <string>

namespace querimo {

struct ResultCell {
    std::string text;
    bool isNull = false;
    bool isCut = false;
};

}  // namespace querimo
