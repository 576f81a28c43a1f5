// The chunks of a RIFF or RF64 WAV file: where each one lies, reading one,
// appending new ones to a finished file and patching bytes in place. RF64
// states its RIFF and data sizes in the ds64 chunk (the 32-bit fields say
// 0xFFFFFFFF); both layouts are walked and extended the same way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace render {

struct WavChunk {
    std::string id;       // four characters, e.g. "bext", "LIST"
    uint64_t payload = 0; // offset of the chunk's bytes after its 8-byte header
    uint64_t size = 0;    // as stated (RF64: the data chunk's from ds64)
};

struct WavLayout {
    bool rf64 = false;          // "RF64" or "BW64" rather than "RIFF"
    uint64_t fileSize = 0;
    std::vector<WavChunk> chunks;  // in file order; a chunk cut short by the file's end is left out
    const WavChunk* find(const std::string& id) const;
};

// A chunk to append: its id and its bytes.
struct NewChunk {
    std::string id;
    std::vector<uint8_t> bytes;
};

// Little-endian fields inside chunk bytes.
uint32_t readLe32(const uint8_t* p);
void writeLe32(uint8_t* p, uint32_t value);
void writeLe16(uint8_t* p, uint16_t value);

// [any thread] The layout of the open file fd; false when it is not a RIFF,
// RF64 or BW64 WAVE file.
bool readWavLayout(int fd, WavLayout& layout);

// [any thread] A chunk's bytes; false on a read error.
bool readChunk(int fd, const WavChunk& chunk, std::vector<uint8_t>& bytes);

// [any thread] Appends the chunks at the end of the file (after a pad byte when
// its length is odd) and states the new length in the RIFF size, or for RF64
// in the ds64 chunk. A RIFF file cannot pass 4 GiB: tooLarge then, changing
// nothing; failed on a write error (errno says why).
enum class Appended { done, tooLarge, failed };
Appended appendChunks(int fd, const WavLayout& layout, const std::vector<NewChunk>& chunks);

// [any thread] Writes bytes at offset; false on a write error.
bool writeAt(int fd, uint64_t offset, const void* bytes, size_t count);

}  // namespace render
