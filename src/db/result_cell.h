#pragma once
// One cell of a result line: its bytes, and whether the value was SQL NULL (then empty).

#include <string>

namespace querimo {

struct ResultCell {
    std::string text;
    bool isNull = false;
};

}  // namespace querimo
