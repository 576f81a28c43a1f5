#include "vst3/comSupport.h"

namespace Vst3Format {

void copyText(Vst3::char16* to, size_t size, const char* from) {
    if (size == 0) return;
    size_t i = 0;
    for (; from && from[i] && i + 1 < size; ++i) to[i] = static_cast<unsigned char>(from[i]);
    to[i] = 0;
}

void copyText(char* to, size_t size, const Vst3::char16* from) {
    if (size == 0) return;
    size_t i = 0;
    for (; from && from[i] && i + 1 < size; ++i) to[i] = from[i] > 0xFF ? '?' : static_cast<char>(from[i]);
    to[i] = 0;
}

void copyText(char* to, size_t size, const char* from) {
    if (size == 0) return;
    size_t i = 0;
    for (; from && from[i] && i + 1 < size; ++i) to[i] = from[i];
    to[i] = 0;
}

}  // namespace Vst3Format
