// One run of the renderer: everything the command line asks for, in order.
#pragma once

#include "tools/render/renderOptions.h"
#include "tools/render/renderReport.h"

#include <cstdio>

namespace render {

// Renders, reports on out, writes the files. Throws RenderError; no output
// file is left behind when it does. done, when given, receives the report.
void runRender(const RenderOptions& options, FILE* out, RenderReport* done = nullptr);

}  // namespace render
