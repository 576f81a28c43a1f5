// A batch: every INPUT rendered into one folder under its own name, one file
// per core at a time (each streams in blocks, so memory stays flat), with one
// progress bar, one report line per file and a summary.
#pragma once

#include "tools/render/renderOptions.h"

#include <cstdio>

namespace render {

// Renders options.batchInputs into options.outDir. Two inputs with one name,
// or an input that is its own target, are refused (RenderError(exitUsage))
// before anything is written; after that a file that fails does not stop the
// others. Returns the exit status: 0, or the first failing file's (in the
// order given).
int runBatch(const RenderOptions& options, FILE* out);

}  // namespace render
