// One run of the renderer: everything the command line asks for, in order.
#pragma once

#include "tools/render/renderOptions.h"

#include <cstdio>

namespace render {

// Renders, reports on out, writes the files. Throws RenderError; no output
// file is left behind when it does.
void runRender(const RenderOptions& options, FILE* out);

}  // namespace render
