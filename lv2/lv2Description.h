// The LV2 face of a product built on PlugCore::Plug, read from the product
// itself: the plug-in URI from its record, the port layout from its counts,
// and each control port's units from the format core (FormatCore::ParameterUnits).
// The build's description generator and the DSP wrapper both read it here, so
// nothing about the ports is written twice.
#pragma once

#include <cstdint>
#include <string>

#include "formatcore/ComposedPlug.h"

namespace Lv2Format {

// The plug-in's URI: "http://" web host "/lv2/" name.
std::string pluginUri(const PlugCore::ProductInfo& product);
// The editor's URI: the plug-in's with "#ui".
std::string uiUri(const PlugCore::ProductInfo& product);
// The state property that holds the chunk.
std::string chunkKey(const PlugCore::ProductInfo& product);

// Port indexes: the parameters first, in table order, then the fixed ports.
struct PortLayout {
    explicit PortLayout(uint32_t parameterCount, uint32_t lampCount)
        : parameters(parameterCount), lamps(lampCount) {}
    uint32_t parameters;
    uint32_t lamps;
    uint32_t audioIn(uint32_t channel) const { return parameters + channel; }
    uint32_t audioOut(uint32_t channel) const { return parameters + 2 + channel; }
    uint32_t latency() const { return parameters + 4; }
    uint32_t enabled() const { return parameters + 5; }
    uint32_t midiIn() const { return parameters + 6; }
    uint32_t notify() const { return parameters + 7; }
    uint32_t lamp(uint32_t k) const { return parameters + 8 + k; }
    uint32_t count() const { return parameters + 8 + lamps; }
};

// The editor's MIDI learn travels as atoms whose type names the message, with
// 32-bit integers as body: to the DSP on the MIDI input (learn: index or -1 to
// cancel; unlearn: index; hello: 0, answered with every binding), back on the
// notify output (binding: index and key; learnTarget: index or -1).
struct LearnUris {
    std::string learn, unlearn, hello, binding, learnTarget;
};
LearnUris learnUris(const PlugCore::ProductInfo& product);

}  // namespace Lv2Format
