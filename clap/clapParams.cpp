// clap.params: the product's parameters as 0..1 values, the product's own, so
// a host's automation reaches the chain as the same floats as in the VST 2
// build; the texts are the product's display and its display search.
#include <cstring>

#include "clap/ClapPlugin.h"

namespace ClapFormat {

uint32_t ClapPlugin::parameterCount() const {
    return composed ? static_cast<uint32_t>(composed->parameterCount()) : 0;
}

bool ClapPlugin::parameterInfo(uint32_t index, clap_param_info_t& info) const {
    if (index >= parameterCount()) return false;
    const FormatCore::ParameterUnits& units = composed->parameterUnits(static_cast<int32_t>(index));
    std::memset(&info, 0, sizeof info);
    info.id = index;
    info.flags = CLAP_PARAM_IS_AUTOMATABLE;
    // A switch moves in one step: hosts draw it as two states.
    if (units.kind == FormatCore::ParameterUnits::toggle) info.flags |= CLAP_PARAM_IS_STEPPED;
    std::strncpy(info.name, units.name.c_str(), sizeof info.name - 1);
    info.min_value = 0.0;
    info.max_value = 1.0;
    info.default_value = composed->product().parameter(static_cast<int32_t>(index))->defaultValue;
    return true;
}

bool ClapPlugin::parameterValue(clap_id id, double& value) const {
    if (id >= parameterCount()) return false;
    value = composed->normalized(static_cast<int32_t>(id));
    return true;
}

bool ClapPlugin::valueText(clap_id id, double value, char* out, uint32_t capacity) const {
    if (id >= parameterCount() || value != value) return false;
    composed->text(static_cast<int32_t>(id), static_cast<float>(value), out, capacity);
    return true;
}

bool ClapPlugin::textValue(clap_id id, const char* text, double& value) const {
    float normalized;
    if (id >= parameterCount() || !composed->parseText(static_cast<int32_t>(id), text, normalized)) return false;
    value = normalized;
    return true;
}

}  // namespace ClapFormat
