// Whole states through a host's IBStream, which may move fewer bytes per call than asked.
#pragma once

#include <cstdint>
#include <vector>

#include "vst3/vst3Base.h"

namespace Vst3Format {

// [UI thread] Everything from the stream's position to its end; false when the
// stream fails or holds more than a state can be.
bool readAll(Vst3::IBStream* stream, std::vector<uint8_t>& out);
// [UI thread] All of bytes, or false.
bool writeAll(Vst3::IBStream* stream, const std::vector<uint8_t>& bytes);

// The component state is the product's bank chunk, byte for byte. Hosts keep
// the bypass parameter in the processor's state too, so a bypassed instance
// adds this mark after the chunk; an active one saves the plain chunk.
constexpr uint8_t kBypassMark[8] = {'B', 'y', 'p', 'a', 's', 's', 1, 0};
void appendBypassMark(std::vector<uint8_t>& bytes);
// True (and the mark taken off) when bytes end with the mark.
bool takeBypassMark(std::vector<uint8_t>& bytes);

}  // namespace Vst3Format
