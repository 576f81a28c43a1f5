// Whether two paths name one file: through another spelling, a link, or a
// hard link. An existing file is known by its device and inode; a file not
// yet there by its folder's canonical path and its name.
#pragma once

#include "tools/render/renderOptions.h"

#include <string>
#include <vector>

namespace render {

// The identity of the file a path names (or will name). "-" is standard
// input when read and standard output when written: when that is a file, the
// file's identity (so `- song.wav < song.wav` is caught), else the stream's.
std::string fileIdentity(const std::string& path, bool written = false);

// Throws RenderError(exitUsage) naming both options when any two of the
// paths name the same file and at least one of them is written. Nothing is
// touched.
void refuseSharedFiles(const std::vector<NamedPath>& paths);

// Throws RenderError(exitUsage) when a written path is a folder (or ends in
// "/"), or when audio would be read from or written to a terminal ("-").
void refuseUnusablePaths(const std::vector<NamedPath>& paths);

}  // namespace render
