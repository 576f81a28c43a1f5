// Layout of the state chunk: an 8-byte header, then tagged records of a fixed
// length per tag. Multi-byte numbers are little-endian; values travel as
// 16-bit fixed point scaled by 64000.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

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

// What a reader makes of a chunk. A format whose host must be told of a
// refused state checks first, so that a damaged or foreign chunk changes
// nothing at all.
enum class Verdict { whole, noHeader, invalidHeader, laterVersion, corrupted, foreign };

// The length of a record's body after its tag byte; 0 for a tag the format
// does not know.
inline size_t bodySize(uint8_t tag) {
    switch (tag) {
        case tagValue: return kValueBody;
        case tagMapping: return kMappingBody;
        case tagProgram: return kProgramBody;
        case tagCurrentProgram: return kCurrentBody;
        case tagPluginName: return kPluginNameBody;
        default: return 0;
    }
}

// The header alone: whole when records may follow it.
inline Verdict checkHeader(const uint8_t* bytes, size_t size) {
    if (!bytes || size < kHeaderSize) return Verdict::noHeader;
    if (readU32(bytes) != kMagic) return Verdict::invalidHeader;
    if (static_cast<int16_t>(readU16(bytes + 4)) > kVersion || readU16(bytes + 6) != 0) return Verdict::laterVersion;
    return Verdict::whole;
}

// The one walk over the records after a sound header: hands each record in
// order to onRecord(tag, body) and stops at the first answer other than whole,
// returning it. An unknown tag or a record cut short is corrupted, met only
// after every record before it has been handed on.
template <class OnRecord>
Verdict walkRecords(const uint8_t* bytes, size_t size, OnRecord&& onRecord) {
    for (size_t offset = kHeaderSize; offset < size;) {
        const uint8_t tag = bytes[offset];
        const size_t length = bodySize(tag);
        if (length == 0 || size - offset - 1 < length) return Verdict::corrupted;
        const Verdict verdict = onRecord(tag, bytes + offset + 1);
        if (verdict != Verdict::whole) return verdict;
        offset += 1 + length;
    }
    return Verdict::whole;
}

// The whole chunk judged without applying anything.
inline Verdict check(const uint8_t* bytes, size_t size, const char* ownName) {
    const Verdict header = checkHeader(bytes, size);
    if (header != Verdict::whole) return header;
    return walkRecords(bytes, size, [ownName](uint8_t tag, const uint8_t* body) {
        const bool foreign =
            tag == tagPluginName && std::strncmp(reinterpret_cast<const char*>(body), ownName, kPluginNameBody) != 0;
        return foreign ? Verdict::foreign : Verdict::whole;
    });
}

// A whole bank as writeChunk writes it: a record for every program, the
// current program, then every parameter's value and mapping. A bank cut short
// on a record boundary still checks whole above, but lacks some of these.
inline bool completeBank(const uint8_t* bytes, size_t size, uint32_t parameters, uint32_t programs) {
    if (checkHeader(bytes, size) != Verdict::whole || parameters > kMaxIndexed || programs > kMaxIndexed) return false;
    bool program[kMaxIndexed] = {}, value[kMaxIndexed] = {}, mapping[kMaxIndexed] = {};
    bool current = false;
    const Verdict verdict = walkRecords(bytes, size, [&](uint8_t tag, const uint8_t* body) {
        if (tag == tagProgram) program[body[0]] = true;
        if (tag == tagCurrentProgram) current = true;
        if (tag == tagValue && current) value[body[0]] = true;  // the live values follow the programs
        if (tag == tagMapping) mapping[body[0]] = true;
        return Verdict::whole;
    });
    if (verdict != Verdict::whole || !current) return false;
    for (uint32_t p = 0; p < programs; ++p)
        if (!program[p]) return false;
    for (uint32_t i = 0; i < parameters; ++i)
        if (!value[i] || !mapping[i]) return false;
    return true;
}

}  // namespace chunk
}  // namespace PlugCore
