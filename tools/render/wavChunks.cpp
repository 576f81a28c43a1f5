#include "tools/render/wavChunks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace render {
namespace {

constexpr uint64_t riffLimit = 0xFFFFFFFFull;

uint64_t readLe64(const uint8_t* p) { return readLe32(p) | uint64_t(readLe32(p + 4)) << 32; }

void writeLe64(uint8_t* p, uint64_t value) {
    writeLe32(p, static_cast<uint32_t>(value));
    writeLe32(p + 4, static_cast<uint32_t>(value >> 32));
}

bool readAt(int fd, uint64_t offset, void* bytes, size_t count) {
    auto* p = static_cast<uint8_t*>(bytes);
    while (count > 0) {
        const ssize_t n = pread(fd, p, count, static_cast<off_t>(offset));
        if (n <= 0) return false;
        p += n, offset += uint64_t(n), count -= size_t(n);
    }
    return true;
}

}  // namespace

uint32_t readLe32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

void writeLe32(uint8_t* p, uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

void writeLe16(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

const WavChunk* WavLayout::find(const std::string& id) const {
    for (const WavChunk& c : chunks)
        if (c.id == id) return &c;
    return nullptr;
}

bool writeAt(int fd, uint64_t offset, const void* bytes, size_t count) {
    const auto* p = static_cast<const uint8_t*>(bytes);
    while (count > 0) {
        const ssize_t n = pwrite(fd, p, count, static_cast<off_t>(offset));
        if (n <= 0) return false;
        p += n, offset += uint64_t(n), count -= size_t(n);
    }
    return true;
}

bool readWavLayout(int fd, WavLayout& layout) {
    layout = WavLayout{};
    struct stat status {};
    uint8_t header[12];
    if (fstat(fd, &status) != 0 || !readAt(fd, 0, header, sizeof header)) return false;
    layout.fileSize = static_cast<uint64_t>(status.st_size);
    const std::string magic(reinterpret_cast<char*>(header), 4);
    if ((magic != "RIFF" && magic != "RF64" && magic != "BW64") || std::memcmp(header + 8, "WAVE", 4) != 0) return false;
    layout.rf64 = magic != "RIFF";
    uint64_t end = layout.fileSize, dataSize = 0;
    if (!layout.rf64) end = std::min(end, uint64_t(readLe32(header + 4)) + 8);
    for (uint64_t at = 12; at + 8 <= end;) {
        uint8_t head[8];
        if (!readAt(fd, at, head, sizeof head)) break;
        WavChunk chunk{std::string(reinterpret_cast<char*>(head), 4), at + 8, readLe32(head + 4)};
        if (layout.rf64 && chunk.id == "ds64" && chunk.size >= 16) {
            uint8_t sizes[16];
            if (!readAt(fd, chunk.payload, sizes, sizeof sizes)) break;
            end = std::min(end, readLe64(sizes) + 8);
            dataSize = readLe64(sizes + 8);
        }
        if (layout.rf64 && chunk.id == "data" && chunk.size == riffLimit) chunk.size = dataSize;
        if (chunk.payload + chunk.size > end) break;
        layout.chunks.push_back(chunk);
        at = chunk.payload + chunk.size + (chunk.size & 1);
    }
    return true;
}

bool readChunk(int fd, const WavChunk& chunk, std::vector<uint8_t>& bytes) {
    bytes.resize(static_cast<size_t>(chunk.size));
    return readAt(fd, chunk.payload, bytes.data(), bytes.size());
}

Appended appendChunks(int fd, const WavLayout& layout, const std::vector<NewChunk>& chunks) {
    std::vector<uint8_t> tail(layout.fileSize & 1);  // the pad byte an odd last chunk needs
    for (const NewChunk& c : chunks) {
        uint8_t head[8];
        std::memcpy(head, c.id.data(), 4);
        writeLe32(head + 4, static_cast<uint32_t>(c.bytes.size()));
        tail.insert(tail.end(), head, head + 8);
        tail.insert(tail.end(), c.bytes.begin(), c.bytes.end());
        if (c.bytes.size() & 1) tail.push_back(0);
    }
    const uint64_t riffSize = layout.fileSize + tail.size() - 8;
    const WavChunk* ds64 = layout.find("ds64");
    if (layout.rf64 ? !ds64 || ds64->size < 8 : riffSize > riffLimit) return Appended::tooLarge;
    uint8_t size[8];
    writeLe64(size, riffSize);
    const bool written = writeAt(fd, layout.fileSize, tail.data(), tail.size()) &&
                         (layout.rf64 ? writeAt(fd, ds64->payload, size, 8) : writeAt(fd, 4, size, 4));
    return written ? Appended::done : Appended::failed;
}

}  // namespace render
