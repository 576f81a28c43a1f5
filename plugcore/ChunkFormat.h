// Layout of the state chunk: an 8-byte header, then tagged records of a fixed
// length per tag. Multi-byte numbers are little-endian; values travel as
// 16-bit fixed point scaled by 64000.
#pragma once

#include <cstddef>
#include <cstdint>

namespace PlugCore {
namespace chunk {

constexpr uint32_t kMagic = 0x288C3D75;
constexpr int16_t kVersion = 5;
constexpr size_t kHeaderSize = 8;

enum Tag : uint8_t { tagValue = 0, tagMapping = 1, tagProgram = 2, tagCurrentProgram = 3, tagPluginName = 4 };

// Bytes after the tag byte.
constexpr size_t kValueBody = 3;        // index, u16 value
constexpr size_t kMappingBody = 3;      // index, s16 key
constexpr size_t kProgramBody = 25;     // index, 24 name bytes
constexpr size_t kCurrentBody = 1;      // index
constexpr size_t kPluginNameBody = 31;  // name, NUL-padded

constexpr double kEncodeScale = 64000.0;
constexpr float kDecodeScale = 1.5625e-05f;
// The format addresses parameters and programs with one byte.
constexpr uint32_t kMaxIndexed = 256;

// Truncates toward zero; a value that is not a number is written as 0.
inline uint16_t encodeValue(float value) {
    const double scaled = static_cast<double>(value) * kEncodeScale;
    if (!(scaled > 0.0)) return 0;
    if (scaled >= kEncodeScale) return static_cast<uint16_t>(kEncodeScale);
    return static_cast<uint16_t>(scaled);
}

// Single precision on purpose: numbers above 64000 decode above 1.0 and are
// clamped by the parameter setter.
inline float decodeValue(uint16_t number) { return static_cast<float>(number) * kDecodeScale; }

inline uint16_t readU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t readU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

}  // namespace chunk
}  // namespace PlugCore
