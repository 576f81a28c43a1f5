// The state chunk: writer and reader (filled in with the programs work).
#include "plugcore/Plug.h"

namespace PlugCore {

void Plug::writeChunk(std::vector<uint8_t>& out, bool) { out.clear(); }

VstInt32 Plug::getChunk(void** data, bool isPreset) {
    writeChunk(chunkBuffer, isPreset);
    *data = chunkBuffer.data();
    return static_cast<VstInt32>(chunkBuffer.size());
}

VstInt32 Plug::setChunk(void*, VstInt32, bool) { return 0; }

}  // namespace PlugCore
