// File names are bytes; reports are text. A name that is not valid UTF-8
// is shown with U+FFFD in place of each byte that does not decode.
#pragma once

#include <string>

namespace render {

bool isValidUtf8(const std::string& text);

// text with every byte that is not part of a well-formed UTF-8 sequence
// (overlong forms, surrogates and values past U+10FFFF included) replaced by U+FFFD.
std::string validUtf8(const std::string& text);

}  // namespace render
