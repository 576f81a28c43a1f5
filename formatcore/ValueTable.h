// A parameter's values in display units answered without text: the display
// search (normalizedFor) run once per class of values at build time, so that
// a host moving a value costs one binary search on its audio thread and gives
// exactly the float the search gives.
//
// Why a table is exact: the search turns a value into its shortest decimal
// text, then compares the number it reads with the numbers the display shows.
// Two values give the same answer when no displayed number lies between their
// decimals (nor equals one and not the other) and neither decimal is a text
// the display shows itself; the table's intervals are cut at exactly those
// points, and each interval's answer is the search's for its first value.
#pragma once

#include <cstdint>
#include <vector>

#include "formatcore/ParameterUnits.h"

namespace FormatCore {

class ValueTable {
public:
    // [UI thread] Reads the whole display (every text it shows across 0..1,
    // assuming the texts run one way, as the search does) and runs the search
    // once per interval. May allocate.
    ValueTable(PlugCore::Plug& plug, int32_t index, const ParameterUnits& units,
               const PlugCore::DisplaySamples& samples);

    // [any thread] What normalizedFor gives for displayValue, bit for bit. No
    // allocation, text or lock.
    bool normalizedFor(float displayValue, float& normalized) const;

    // [any thread] The number of intervals (1 for a switch or a plain 0..1 value).
    size_t size() const { return starts.size(); }

private:
    ParameterUnits::Kind kind;
    float minimum, maximum;
    // Number: interval k runs from starts[k] to the next start; its answer.
    std::vector<float> starts;
    std::vector<float> answers;
    std::vector<uint8_t> answered;  // 0: the search refuses the interval (no change)
    // Switch: the answers for off and on.
    bool offAnswered = false, onAnswered = false;
    float offAnswer = 0.0f, onAnswer = 0.0f;
};

}  // namespace FormatCore
