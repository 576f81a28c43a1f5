// The standard VST preset files: .fxp (one program) and .fxb (a bank), in the
// opaque-chunk forms ('FPCh', 'FBCh') and the parameter-list program form
// ('FxCk') of plug-ins that keep no chunk. All integers big-endian.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace render {

enum class PresetKind {
    programChunk,  // .fxp, 'FPCh': loaded with effSetChunk index 1
    bankChunk,     // .fxb, 'FBCh': loaded with effSetChunk index 0
    programParams, // .fxp, 'FxCk': one float per parameter
};

struct PresetFile {
    PresetKind kind = PresetKind::programChunk;
    int32_t formatVersion = 1;    // 1, or 2 for a bank that names its current program
    int32_t fxID = 0;             // unique ID of the plug-in it belongs to
    int32_t fxVersion = 0;        // that plug-in's version
    int32_t count = 0;            // numParams (programs) or numPrograms (banks)
    std::string programName;      // programs only, at most 27 characters
    int32_t currentProgram = 0;   // banks of format version 2
    std::vector<uint8_t> chunk;   // chunk forms
    std::vector<float> params;    // parameter-list form
};

// Parses a whole file. False with a one-line reason when the bytes are not a
// complete preset of one of the three forms.
bool parsePresetFile(const std::vector<uint8_t>& bytes, PresetFile& preset, std::string& error);

// The file's bytes, with byteSize and chunkSize computed.
std::vector<uint8_t> encodePresetFile(const PresetFile& preset);

}  // namespace render
