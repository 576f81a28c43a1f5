// The gain the settings apply to every sample the clipper leaves alone: the
// input gain, and the limit's make-up when the clipper is on. Drive is
// divided out again after the warm stage, so it has none. Worked out from
// the plug-in's own parameter values in the chain's own arithmetic, so the
// gain-matched delta of a signal nothing touched is silence.
#pragma once

#include "tools/vsthost/vsthost.h"

namespace render {

// 1 for a plug-in without these parameters. [UI thread]
double staticGainOf(vsthost::Plugin& plugin);

}  // namespace render
