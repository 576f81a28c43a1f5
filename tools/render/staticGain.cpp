#include "tools/render/staticGain.h"

#include "product/ChainMath.h"

#include <cmath>
#include <string>

namespace render {
namespace {

// The normalized value of the parameter named name; NaN counts as 0, as in
// the chain; fallback when there is no such parameter.
double valueOf(vsthost::Plugin& plugin, const char* name, double fallback) {
    for (int i = 0; i < plugin.numParams(); ++i) {
        if (plugin.parameterName(i) != name) continue;
        const float v = plugin.getParameter(i);
        return v == v ? static_cast<double>(v) : 0.0;
    }
    return fallback;
}

}  // namespace

double staticGainOf(vsthost::Plugin& plugin) {
    const double input = valueOf(plugin, "input", 0.0);  // 20 dB per unit
    const bool clip = valueOf(plugin, "clip", 0.0) > 0.5;
    const bool makeup = valueOf(plugin, "makeup", 0.0) > 0.5;
    const double limit = valueOf(plugin, "limit", 1.0);  // 10 dB per unit below 1
    double gain = ChainMath::pow10(input);
    if (clip && makeup) gain *= ChainMath::pow10((1.0 - limit) * 0.5);
    return gain;
}

}  // namespace render
