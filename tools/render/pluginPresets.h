// Loading and saving a plug-in's state as .fxp/.fxb files.
#pragma once

#include "tools/render/presetFile.h"
#include "tools/vsthost/vsthost.h"

#include <functional>
#include <memory>
#include <string>

namespace render {

class AtomicOutput;

// Reads and checks a preset file against the plug-in: the right kind of file,
// complete, made for this plug-in (fxID equals its unique ID) and of a form
// it can take. Touches nothing in the plug-in. Throws RenderError(exitPreset).
PresetFile readPresetFor(vsthost::Plugin& plugin, const std::string& path);

// [UI thread] Loads the preset into two fresh instances (made by
// newInstance) whose parameters start apart: a preset the plug-in takes
// brings every parameter to the same value in both. The plug-in's own
// messages on standard error are caught and quoted. Throws
// RenderError(exitPreset) when it does not take it.
void checkPresetTaken(const std::function<std::unique_ptr<vsthost::Plugin>()>& newInstance,
                      const PresetFile& preset, const std::string& path);

// [UI thread] Hands a checked preset to the plug-in: chunk forms through
// effSetChunk (index 1 for a program, 0 for a bank), parameter lists through
// setParameter.
void applyPreset(vsthost::Plugin& plugin, const PresetFile& preset);

// [UI thread] Writes the plug-in's state as a program (.fxp) or a bank
// (.fxb) into output's temporary file (the caller commits it). Plug-ins
// without chunks are saved as a parameter list (programs only). Throws RenderError.
void savePreset(vsthost::Plugin& plugin, AtomicOutput& output, bool bank);

}  // namespace render
