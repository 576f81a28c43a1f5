#include "tools/validator/textQuery.h"

#include <cstring>

namespace validator {

TextAnswer askText(vsthost::Plugin& plugin, VstInt32 opcode, VstInt32 index) {
    char buffer[512];
    std::memset(buffer, 0, sizeof buffer);
    plugin.dispatch(opcode, index, 0, buffer);
    TextAnswer answer;
    const void* end = std::memchr(buffer, 0, sizeof buffer);
    answer.terminated = end != nullptr;
    answer.text.assign(buffer, end ? static_cast<const char*>(end) - buffer : sizeof buffer);
    return answer;
}

std::string overLimit(const TextAnswer& answer, size_t limit, const std::string& what) {
    if (answer.terminated && answer.length() + 1 <= limit) return {};
    return what + " \"" + answer.text.substr(0, 80) + "\" needs " + std::to_string(answer.length() + 1) +
           " bytes, hosts give " + std::to_string(limit);
}

}  // namespace validator
