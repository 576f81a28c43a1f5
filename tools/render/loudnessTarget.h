// A loudness target under a true-peak ceiling: the input gain for which the
// written file's integrated loudness is the target, and the highest clip
// limit for which its true peak stays at or under the ceiling. The search
// renders and measures the whole input (output side only, nothing written)
// for each setting it tries; the final render is then the normal one with the
// settings found, and its own figures are checked before anything is kept.
#pragma once

#include "tools/render/levelMeter.h"
#include "tools/render/renderOptions.h"

#include <cmath>
#include <string>

namespace render {

// The result of a search, for the report.
struct TargetSearch {
    bool loudness = false, ceiling = false;  // what was asked for
    double targetLufs = NAN, ceilingDbtp = NAN;
    int passes = 0;  // analysis renders of the whole input
    std::string inputDisplay, limitDisplay;  // the settings found, as the plug-in shows them
    bool asked() const { return loudness || ceiling; }
};

// How close the written file must come: within this of the target loudness.
constexpr double targetToleranceLu = 0.1;

// Without --target-lufs or --ceiling-dbtp returns options unchanged.
// Otherwise searches, and returns options with the settings found appended
// as assignments (fills search). Throws RenderError(exitUsage) when --set
// also names a searched parameter, RenderError(exitTarget) with the nearest
// result when the target cannot be met inside the parameters' ranges.
RenderOptions searchTargets(const RenderOptions& options, TargetSearch& search);

// Throws RenderError(exitTarget) when the written file's figures miss what
// the search was asked for (the file is then not kept).
void checkTargetsMet(const TargetSearch& search, const LevelFigures& output);

}  // namespace render
