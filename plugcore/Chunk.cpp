// The state chunk: the writer (preset or bank) and the record-by-record reader.
// Loading goes through the same parameter operations as the host and the
// editor, so the host hears of every restored value.
#include <cstdio>
#include <cstring>

#include "platform/platform.h"
#include "plugcore/ChunkFormat.h"
#include "plugcore/Plug.h"

namespace PlugCore {

namespace {

using namespace chunk;

const char* const kNoHeader = "No header";
const char* const kInvalidHeader = "Invalid header";
const char* const kLaterVersion =
    "Program or bank was saved with a later version.\nPlease update the plugin and try again.";
const char* const kCorrupted = "Chunk appears corrupted.";

// The message a refused chunk earns; none for a whole one or a foreign one the
// user declined (they have just answered a question about it).
const char* refusalText(Verdict verdict) {
    switch (verdict) {
        case Verdict::noHeader: return kNoHeader;
        case Verdict::invalidHeader: return kInvalidHeader;
        case Verdict::laterVersion: return kLaterVersion;
        case Verdict::corrupted: return kCorrupted;
        default: return nullptr;
    }
}

void putU16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v & 0xFF));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void putValueRecord(std::vector<uint8_t>& out, uint32_t index, float value) {
    out.push_back(tagValue);
    out.push_back(static_cast<uint8_t>(index));
    putU16(out, encodeValue(value));
}

}  // namespace

void Plug::writeChunk(std::vector<uint8_t>& out, bool isPreset) {
    const uint32_t paramCount = params.count < kMaxIndexed ? params.count : kMaxIndexed;
    const uint32_t programCount =
        static_cast<uint32_t>(numPrograms) < kMaxIndexed ? static_cast<uint32_t>(numPrograms) : kMaxIndexed;
    out.clear();
    putU16(out, static_cast<uint16_t>(kMagic & 0xFFFF));
    putU16(out, static_cast<uint16_t>(kMagic >> 16));
    putU16(out, static_cast<uint16_t>(kVersion));
    putU16(out, 0);

    out.push_back(tagPluginName);
    char name[kPluginNameBody] = {};
    // A name of 31 characters or more fills the field without a terminator.
    std::memcpy(name, identity.name, strnlen(identity.name, sizeof(name)));
    out.insert(out.end(), name, name + sizeof(name));

    if (!isPreset) {
        for (uint32_t p = 0; p < programCount; ++p) {
            for (uint32_t i = 0; i < paramCount; ++i) putValueRecord(out, i, programs[p].values[i]);
            out.push_back(tagProgram);
            out.push_back(static_cast<uint8_t>(p));
            out.insert(out.end(), programs[p].name, programs[p].name + sizeof(programs[p].name));
        }
        out.push_back(tagCurrentProgram);
        out.push_back(static_cast<uint8_t>(curProgram));
    }
    for (uint32_t i = 0; i < paramCount; ++i)
        putValueRecord(out, i, params.params[i].value.load(std::memory_order_relaxed));
    for (uint32_t i = 0; i < paramCount; ++i) {
        out.push_back(tagMapping);
        out.push_back(static_cast<uint8_t>(i));
        putU16(out, static_cast<uint16_t>(params.params[i].midiKey.load(std::memory_order_relaxed)));
    }
}

VstInt32 Plug::getChunk(void** data, bool isPreset) {
    writeChunk(chunkBuffer, isPreset);
    if (data) *data = chunkBuffer.data();
    return static_cast<VstInt32>(chunkBuffer.size());
}

void Plug::reportChunkError(const char* reason) {
    char caption[96];
    char text[160];
    std::snprintf(caption, sizeof(caption), "%s error", identity.name);
    std::snprintf(text, sizeof(text), "Error loading chunk: %s", reason);
    platform::showError(caption, text);
}

bool Plug::acceptForeignName(const char* storedName) {
    char text[128];
    std::snprintf(text, sizeof(text), "Trying to load a preset for \"%.30s\"\nDo you want to continue?", storedName);
    return platform::askYesNo(identity.name, text);
}

VstInt32 Plug::setChunk(void* data, VstInt32 byteSize, bool) {
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    const size_t size = byteSize > 0 ? static_cast<size_t>(byteSize) : 0;
    Verdict verdict = checkHeader(bytes, size);
    if (verdict == Verdict::whole)
        verdict = walkRecords(bytes, size, [this](uint8_t tag, const uint8_t* body) {
            return applyRecord(tag, body) ? Verdict::whole : Verdict::foreign;
        });
    if (const char* reason = refusalText(verdict)) reportChunkError(reason);
    return 0;
}

// False when the user turned down a preset saved by another plug-in.
bool Plug::applyRecord(uint8_t tag, const uint8_t* body) {
    const uint32_t index = body[0];
    switch (tag) {
        case tagValue:
            if (index < params.count) setParameterAutomated(static_cast<VstInt32>(index), decodeValue(readU16(body + 1)));
            break;
        case tagMapping:
            if (index < params.count) assignMidiKey(static_cast<VstInt32>(index), static_cast<int16_t>(readU16(body + 1)));
            break;
        case tagProgram:
            if (index < static_cast<uint32_t>(numPrograms)) {
                Program& program = programs[index];
                std::memcpy(program.name, body + 1, sizeof(program.name));
                program.name[sizeof(program.name) - 1] = 0;
                // The value records just before it have set the live values.
                snapshotProgram(static_cast<VstInt32>(index));
            }
            break;
        case tagCurrentProgram:
            if (index < static_cast<uint32_t>(numPrograms)) curProgram = static_cast<VstInt32>(index);
            break;
        case tagPluginName: {
            const char* stored = reinterpret_cast<const char*>(body);
            if (std::strncmp(stored, identity.name, kPluginNameBody) != 0 && !acceptForeignName(stored)) return false;
            break;
        }
        default: break;
    }
    return true;
}

}  // namespace PlugCore
