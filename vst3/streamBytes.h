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

}  // namespace Vst3Format
