// Asks a plug-in for a text the way hosts do, with a guarded buffer, to see
// whether the answer stays within the host's conventional buffer size.
#pragma once

#include "tools/vsthost/vsthost.h"

#include <string>

namespace validator {

struct TextAnswer {
    std::string text;  // up to the first NUL (or the whole guarded buffer)
    bool terminated = true;  // a NUL was found within the buffer
    size_t length() const { return text.size(); }
};

// [UI thread] Dispatches opcode with index and a 512-byte zeroed buffer.
TextAnswer askText(vsthost::Plugin& plugin, VstInt32 opcode, VstInt32 index = 0);

// "" when the answer (plus its NUL) fits limit bytes, else a description.
std::string overLimit(const TextAnswer& answer, size_t limit, const std::string& what);

}  // namespace validator
