// A deliberately small VST 2.4 plug-in for testing the tools that test
// plug-ins: a stereo gain with one sample of delay, two parameters, two
// programs and a state chunk. Built once correct and once per fault
// (FAKE_FAULT), so that the validator and the real-time detector can be shown
// to catch each fault and to pass the correct build.
#include "host/vst24.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>
#include <vector>

#define FAULT_NONE 0
#define FAULT_SHARED_STATE 1            // the delay line is shared by all instances
#define FAULT_NO_INPUT_CLEANING 2       // infinite input comes out infinite
#define FAULT_CRASH_ON_SHORT_CHUNK 3    // reads a chunk header without looking at its size
#define FAULT_UNWRITTEN_OVERSIZE 4      // leaves the output alone when a block is longer than announced
#define FAULT_WRITES_BEFORE_READING 5   // breaks in-place processing
#define FAULT_HANG_ON_INFINITY 6        // loops forever on infinite input
#define FAULT_FORGETS_PROGRAM_NAMES 7   // a loaded bank keeps the old program names
#define FAULT_REALTIME_SINS 8           // allocates, locks and opens a file while processing

#ifndef FAKE_FAULT
#define FAKE_FAULT FAULT_NONE
#endif

namespace {

constexpr int kParams = 2, kPrograms = 2, kNameBytes = 24;
constexpr VstInt32 kMagic = 0x46414B45;  // "FAKE"

struct Program {
    char name[kNameBytes];
    float values[kParams];
};

#if FAKE_FAULT == FAULT_SHARED_STATE
double sharedDelay[2];
#endif
std::mutex sinLock;
void* volatile sinBlock;  // volatile: the allocation must really happen

struct Fake {
    AEffect effect{};
    float params[kParams] = {0.5f, 0.0f};
    Program programs[kPrograms] = {{"First", {0.5f, 0.0f}}, {"Second", {0.25f, 1.0f}}};
    int program = 0;
    int blockSize = 1024;
#if FAKE_FAULT == FAULT_SHARED_STATE
    double* delay = sharedDelay;
#else
    double delay[2] = {0.0, 0.0};
#endif
    std::vector<unsigned char> chunk;
};

Fake* self(AEffect* e) { return static_cast<Fake*>(e->object); }

float clamp01(float v) { return v < 0.0f ? 0.0f : v > 1.0f ? 1.0f : v; }

double cleanInput(double x) {
#if FAKE_FAULT == FAULT_HANG_ON_INFINITY
    volatile double spin = x;
    while (std::isinf(spin)) {
    }
#endif
#if FAKE_FAULT == FAULT_NO_INPUT_CLEANING
    return x;
#else
    if (std::isnan(x)) return 0.0;
    return x > 1e10 ? 1e10 : x < -1e10 ? -1e10 : x;
#endif
}

void commitSins() {
#if FAKE_FAULT == FAULT_REALTIME_SINS
    sinBlock = std::malloc(64);
    std::free(sinBlock);
    std::lock_guard<std::mutex> guard(sinLock);
    int fd = open("/dev/null", O_WRONLY);
    if (fd >= 0) close(fd);
#endif
}

template <typename T>
void processAny(AEffect* e, T** in, T** out, VstInt32 frames) {
    Fake* f = self(e);
#if FAKE_FAULT == FAULT_UNWRITTEN_OVERSIZE
    if (frames > f->blockSize) return;
#endif
    commitSins();
    const double gain = 2.0 * f->params[0];
    for (int c = 0; c < 2; ++c) {
        for (VstInt32 i = 0; i < frames; ++i) {
#if FAKE_FAULT == FAULT_WRITES_BEFORE_READING
            out[c][i] = static_cast<T>(f->delay[c]);
            f->delay[c] = cleanInput(in[c][i]) * gain;
#else
            const double x = cleanInput(in[c][i]);
            out[c][i] = static_cast<T>(f->delay[c]);
            f->delay[c] = x * gain;
#endif
        }
    }
}

void VSTCALLBACK processReplacing(AEffect* e, float** in, float** out, VstInt32 frames) { processAny(e, in, out, frames); }
void VSTCALLBACK processDouble(AEffect* e, double** in, double** out, VstInt32 frames) { processAny(e, in, out, frames); }
void VSTCALLBACK processAccumulating(AEffect*, float**, float**, VstInt32) {}

void VSTCALLBACK setParameter(AEffect* e, VstInt32 index, float value) {
    if (index >= 0 && index < kParams) self(e)->params[index] = clamp01(value);
}

float VSTCALLBACK getParameter(AEffect* e, VstInt32 index) {
    return index >= 0 && index < kParams ? self(e)->params[index] : 0.0f;
}

template <typename T>
void put(std::vector<unsigned char>& out, const T& v) {
    const auto* p = reinterpret_cast<const unsigned char*>(&v);
    out.insert(out.end(), p, p + sizeof v);
}

// Bank: magic, current program, live values, then every program. Preset:
// magic and live values.
VstIntPtr getChunk(Fake* f, bool preset, void** data) {
    f->chunk.clear();
    put(f->chunk, kMagic);
    if (!preset) put(f->chunk, f->program);
    for (float v : f->params) put(f->chunk, v);
    if (!preset)
        for (const Program& p : f->programs) put(f->chunk, p);
    *data = f->chunk.data();
    return static_cast<VstIntPtr>(f->chunk.size());
}

void setChunk(Fake* f, bool preset, const unsigned char* data, VstIntPtr size) {
#if FAKE_FAULT == FAULT_CRASH_ON_SHORT_CHUNK
    if (size < 4) *static_cast<volatile int*>(nullptr) = 0;  // what reading a missing header amounts to
#endif
    const size_t need = preset ? 4 + sizeof f->params : 8 + sizeof f->params + sizeof f->programs;
    VstInt32 magic = 0;
    if (!data || size < 0 || static_cast<size_t>(size) != need) return;
    std::memcpy(&magic, data, 4);
    if (magic != kMagic) return;
    size_t at = 4;
    if (!preset) {
        int program = 0;
        std::memcpy(&program, data + at, 4);
        at += 4;
        if (program >= 0 && program < kPrograms) f->program = program;
    }
    for (float& v : f->params) {
        float loaded;
        std::memcpy(&loaded, data + at, 4);
        at += 4;
        v = std::isnan(loaded) ? 0.0f : clamp01(loaded);
    }
    if (!preset) {
        for (Program& p : f->programs) {
            Program loaded;
            std::memcpy(&loaded, data + at, sizeof loaded);
            at += sizeof loaded;
#if FAKE_FAULT != FAULT_FORGETS_PROGRAM_NAMES
            std::memcpy(p.name, loaded.name, kNameBytes);
            p.name[kNameBytes - 1] = '\0';
#endif
            for (int i = 0; i < kParams; ++i) p.values[i] = std::isnan(loaded.values[i]) ? 0.0f : clamp01(loaded.values[i]);
        }
    }
}

void copyText(void* ptr, const char* text, size_t limit) {
    if (!ptr) return;
    std::snprintf(static_cast<char*>(ptr), limit, "%s", text);
}

VstIntPtr VSTCALLBACK dispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    Fake* f = self(e);
    switch (opcode) {
    case effClose:
        delete f;
        return 1;
    case effSetProgram:
        if (value >= 0 && value < kPrograms) {
            std::memcpy(f->programs[f->program].values, f->params, sizeof f->params);
            f->program = static_cast<int>(value);
            std::memcpy(f->params, f->programs[f->program].values, sizeof f->params);
        }
        return 0;
    case effGetProgram: return f->program;
    case effSetProgramName:
        if (ptr) {
            std::strncpy(f->programs[f->program].name, static_cast<const char*>(ptr), kNameBytes - 1);
            f->programs[f->program].name[kNameBytes - 1] = '\0';
        }
        return 0;
    case effGetProgramName: copyText(ptr, f->programs[f->program].name, kNameBytes); return 0;
    case effGetParamName: copyText(ptr, index == 0 ? "Gain" : index == 1 ? "Mode" : "", 8); return 0;
    case effGetParamLabel: copyText(ptr, index == 0 ? "x" : "", 8); return 0;
    case effGetParamDisplay:
        if (ptr && index >= 0 && index < kParams) std::snprintf(static_cast<char*>(ptr), 8, "%.3f", f->params[index]);
        return 0;
    case effSetSampleRate: (void)opt; return 0;
    case effSetBlockSize: f->blockSize = static_cast<int>(value); return 0;
    case effMainsChanged:
        if (value) f->delay[0] = f->delay[1] = 0.0;
        return 0;
    case effGetChunk: return ptr ? getChunk(f, index != 0, static_cast<void**>(ptr)) : 0;
    case effSetChunk: setChunk(f, index != 0, static_cast<const unsigned char*>(ptr), value); return 0;
    case effProcessEvents: return 1;
    case effCanBeAutomated: return 1;
    case effGetEffectName: copyText(ptr, "Fake", 32); return 1;
    case effGetVendorString: copyText(ptr, "Test Bench", 64); return 1;
    case effGetProductString: copyText(ptr, "Fake Gain", 64); return 1;
    case effGetVstVersion: return 2400;
    default: return 0;
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host) {
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    Fake* f = new Fake();
    AEffect& e = f->effect;
    e.magic = kEffectMagic;
    e.dispatcher = dispatcher;
    e.process = processAccumulating;
    e.setParameter = setParameter;
    e.getParameter = getParameter;
    e.numPrograms = kPrograms;
    e.numParams = kParams;
    e.numInputs = 2;
    e.numOutputs = 2;
    e.flags = effFlagsCanReplacing | effFlagsProgramChunks | effFlagsCanDoubleReplacing;
    e.ioRatio = 1.0f;
    e.object = f;
    e.uniqueID = kMagic;
    e.version = 1;
    e.processReplacing = processReplacing;
    e.processDoubleReplacing = processDouble;
    return &e;
}
