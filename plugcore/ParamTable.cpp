#include "plugcore/ParamTable.h"

namespace PlugCore {

bool cookParameters(ParamTable& table, IParamCook* cook) {
    bool changed = table.allDirty != 0;
    table.allDirty = 0;
    for (uint32_t i = 0; i < table.count; ++i) {
        Param& p = table.params[i];
        float v = p.value.load(std::memory_order_relaxed);
        if (v == p.cooked) continue;  // a NaN never compares equal, so it is cooked again
        p.cooked = v;
        if (cook) {
            if (cook->cookParameter(static_cast<int32_t>(i), v)) changed = true;
        } else {
            changed = true;
        }
    }
    return changed;
}

void pollParameters(ParamTable& table, IParamNotify* notify) {
    for (uint32_t i = 0; i < table.count; ++i) {
        Param& p = table.params[i];
        float v = p.value.load(std::memory_order_relaxed);
        if (v != p.notified && notify && notify->parameterChanged(static_cast<int32_t>(i), v)) p.notified = v;
    }
}

}  // namespace PlugCore
