// Saving what the editor shows: its back buffer with every widget's back buffer on top, as a PNG.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#if defined(_WIN32)
#include "plugedit/win32/EditWin.h"
#endif

namespace editortest {

#if defined(_WIN32)
// The editor window's picture as 0x00RRGGBB words, widgets composed at their places.
std::vector<uint32_t> composeEditorPicture(PlugEdit::EditWin* window);
#endif

// Writes 8-bit RGB, stored (uncompressed) deflate blocks; false on a file error.
bool writePng(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height);

}  // namespace editortest
