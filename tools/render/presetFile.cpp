#include "tools/render/presetFile.h"

#include <algorithm>
#include <cstring>

namespace render {
namespace {

constexpr int32_t tag(const char (&s)[5]) {
    return static_cast<int32_t>((static_cast<uint32_t>(static_cast<unsigned char>(s[0])) << 24) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(s[1])) << 16) |
                                (static_cast<uint32_t>(static_cast<unsigned char>(s[2])) << 8) |
                                static_cast<uint32_t>(static_cast<unsigned char>(s[3])));
}

constexpr size_t programNameBytes = 28;
constexpr size_t bankFutureBytes = 128;  // version 2: currentProgram, then zeros

// Reads big-endian fields and remembers whether any read ran past the end.
class Reader {
public:
    explicit Reader(const std::vector<uint8_t>& bytes) : source(bytes) {}
    int32_t int32() {
        if (!has(4)) return 0;
        uint32_t v = (uint32_t(source[pos]) << 24) | (uint32_t(source[pos + 1]) << 16) |
                     (uint32_t(source[pos + 2]) << 8) | uint32_t(source[pos + 3]);
        pos += 4;
        return static_cast<int32_t>(v);
    }
    float float32() {
        uint32_t bits = static_cast<uint32_t>(int32());
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    const uint8_t* take(size_t n) {
        if (!has(n)) return nullptr;
        const uint8_t* p = source.data() + pos;
        pos += n;
        return p;
    }
    size_t remaining() const { return source.size() - pos; }
    bool truncated() const { return ranOut; }

private:
    bool has(size_t n) {
        if (ranOut || source.size() - pos < n) {
            ranOut = true;
            return false;
        }
        return true;
    }
    const std::vector<uint8_t>& source;
    size_t pos = 0;
    bool ranOut = false;
};

void putInt32(std::vector<uint8_t>& out, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    out.push_back(uint8_t(v >> 24));
    out.push_back(uint8_t(v >> 16));
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}

}  // namespace

bool parsePresetFile(const std::vector<uint8_t>& bytes, PresetFile& preset, std::string& error) {
    Reader in(bytes);
    if (in.int32() != tag("CcnK") || in.truncated()) {
        error = "not a VST preset file (it does not begin with 'CcnK')";
        return false;
    }
    int32_t byteSize = in.int32();
    int32_t fxMagic = in.int32();
    PresetFile p;
    if (in.truncated()) {
        error = "the preset file is truncated";
        return false;
    }
    if (fxMagic == tag("FPCh")) p.kind = PresetKind::programChunk;
    else if (fxMagic == tag("FBCh")) p.kind = PresetKind::bankChunk;
    else if (fxMagic == tag("FxCk")) p.kind = PresetKind::programParams;
    else if (fxMagic == tag("FxBk")) {
        error = "banks of parameter lists ('FxBk') are not supported; use a chunk bank or a program";
        return false;
    } else {
        error = "not a VST preset file (unknown kind after 'CcnK')";
        return false;
    }
    if (in.truncated() || byteSize < 0 || static_cast<size_t>(byteSize) > bytes.size() - 8) {
        error = "the preset file is truncated";
        return false;
    }
    p.formatVersion = in.int32();
    bool bank = p.kind == PresetKind::bankChunk;
    if (p.formatVersion != 1 && !(bank && p.formatVersion == 2)) {
        error = "unsupported preset file version " + std::to_string(p.formatVersion);
        return false;
    }
    p.fxID = in.int32();
    p.fxVersion = in.int32();
    p.count = in.int32();
    if (bank) {
        const uint8_t* future = in.take(bankFutureBytes);
        if (future && p.formatVersion == 2) {
            p.currentProgram = static_cast<int32_t>((uint32_t(future[0]) << 24) | (uint32_t(future[1]) << 16) |
                                                    (uint32_t(future[2]) << 8) | uint32_t(future[3]));
        }
    } else {
        const uint8_t* name = in.take(programNameBytes);
        if (name) {
            size_t length = 0;
            while (length < programNameBytes && name[length] != 0) ++length;
            p.programName.assign(reinterpret_cast<const char*>(name), length);
        }
    }
    if (p.kind == PresetKind::programParams) {
        if (p.count < 0 || static_cast<size_t>(p.count) > in.remaining() / 4) {
            error = "the preset file is truncated";
            return false;
        }
        for (int32_t i = 0; i < p.count; ++i) p.params.push_back(in.float32());
    } else {
        int32_t chunkSize = in.int32();
        if (in.truncated() || chunkSize < 0 || static_cast<size_t>(chunkSize) > in.remaining()) {
            error = "the preset file is truncated";
            return false;
        }
        const uint8_t* chunk = in.take(static_cast<size_t>(chunkSize));
        if (chunkSize > 0) p.chunk.assign(chunk, chunk + chunkSize);
    }
    if (in.truncated()) {
        error = "the preset file is truncated";
        return false;
    }
    preset = std::move(p);
    return true;
}

std::vector<uint8_t> encodePresetFile(const PresetFile& preset) {
    std::vector<uint8_t> body;  // everything after byteSize
    bool bank = preset.kind == PresetKind::bankChunk;
    putInt32(body, bank ? tag("FBCh") : preset.kind == PresetKind::programChunk ? tag("FPCh") : tag("FxCk"));
    putInt32(body, preset.formatVersion);
    putInt32(body, preset.fxID);
    putInt32(body, preset.fxVersion);
    putInt32(body, preset.count);
    if (bank) {
        std::vector<uint8_t> future(bankFutureBytes, 0);
        if (preset.formatVersion == 2) {
            uint32_t v = static_cast<uint32_t>(preset.currentProgram);
            future[0] = uint8_t(v >> 24), future[1] = uint8_t(v >> 16), future[2] = uint8_t(v >> 8), future[3] = uint8_t(v);
        }
        body.insert(body.end(), future.begin(), future.end());
    } else {
        uint8_t name[programNameBytes] = {};
        std::memcpy(name, preset.programName.data(), std::min(preset.programName.size(), programNameBytes - 1));
        body.insert(body.end(), name, name + programNameBytes);
    }
    if (preset.kind == PresetKind::programParams) {
        for (float f : preset.params) {
            uint32_t bits;
            std::memcpy(&bits, &f, sizeof bits);
            putInt32(body, static_cast<int32_t>(bits));
        }
    } else {
        putInt32(body, static_cast<int32_t>(preset.chunk.size()));
        body.insert(body.end(), preset.chunk.begin(), preset.chunk.end());
    }
    std::vector<uint8_t> file;
    putInt32(file, tag("CcnK"));
    putInt32(file, static_cast<int32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

}  // namespace render
