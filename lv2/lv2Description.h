// The LV2 face of a product built on PlugCore::Plug, read from the product
// itself: the plug-in URI from its record, the port layout from its counts,
// and each control port from its parameter's name, label and display (range,
// default, toggle texts). The build's description generator and the DSP
// wrapper both read it here, so nothing about the ports is written twice.
#pragma once

#include <cstdint>
#include <string>

#include "plugcore/Plug.h"
#include "plugcore/valueText.h"

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

// The number of lamp levels a product hands to its editor: its shared block read as floats.
uint32_t lampCount(const PlugCore::ProductInfo& product);

// One parameter as a control port, in the units its display shows.
struct ControlPort {
    enum Kind { number, toggle, normalized } kind = normalized;
    std::string symbol;   // the parameter's name
    std::string name;     // the same, capitalized
    std::string label;    // the parameter's unit label
    float minimum = 0.0f, maximum = 1.0f, defaultValue = 0.0f;
    std::string offText, onText;  // a toggle's display at 0 and 1
};

// A parameter's display, asked without moving the parameter.
class PlugDisplay final : public PlugCore::ParameterDisplay {
public:
    PlugDisplay(PlugCore::Plug& plug, int32_t index) : plug(plug), index(index) {}
    // [any thread] The text of `value`, the parameter left where it was.
    void text(float value, char* out, size_t size) override;

private:
    PlugCore::Plug& plug;
    int32_t index;
};

// [UI thread] Reads the port of parameter index from its display; `current`
// is the normalized value whose display gives the port's default.
ControlPort describeParameter(PlugCore::Plug& plug, int32_t index, const PlugCore::DisplaySamples& samples,
                              float current);

// [UI thread] The port value that shows the same as normalized value v.
float portValueFor(PlugCore::Plug& plug, int32_t index, const ControlPort& port, float v);

// [any thread] The normalized value of a port value: the one `--set
// symbol=value` finds (a toggle by its texts, a number by its shortest
// decimal text), clamped to the port's range; false for NaN (no change).
bool normalizedFor(PlugCore::Plug& plug, int32_t index, const ControlPort& port,
                   const PlugCore::DisplaySamples& samples, float portValue, float& normalized);

}  // namespace Lv2Format
