// Feeds arbitrary bytes to setChunk. The first byte picks the answer to the
// "preset of another plug-in" question; the rest is the chunk. Whatever the
// bytes, the instance must stay consistent: values within [0, 1], names
// terminated, the current program in range, no controller bound twice.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "platform/platform.h"
#include "product/Orvalt.h"

namespace {

class Answering : public platform::DialogHandler {
public:
    void showError(const char*, const char*) override {}
    bool askYesNo(const char*, const char*) override { return yes; }
    bool askOkCancel(const char*, const char*) override { return false; }
    bool yes = false;
};

Answering dialogs;

void check(bool condition) {
    if (!condition) std::abort();
}

bool inUnitRange(float v) { return v >= 0.0f && v <= 1.0f; }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Keep any real defaults file out of the runs: every instance starts the same.
    setenv("XDG_CONFIG_HOME", "/nonexistent-orvalt-fuzz", 1);
    platform::setDialogHandler(&dialogs);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    dialogs.yes = (data[0] & 1) != 0;
    // An exact-size copy, so any read past the end is caught.
    std::vector<uint8_t> chunk(data + 1, data + size);
    Orvalt plug(nullptr);
    plug.setChunk(chunk.empty() ? nullptr : chunk.data(), static_cast<VstInt32>(chunk.size()), false);

    std::set<int32_t> keys;
    for (VstInt32 i = 0; i < Orvalt::kNumParams; ++i) {
        check(inUnitRange(plug.getParameter(i)));
        int32_t key = plug.getMidiKey(i);
        check(key >= -32768 && key <= 32767);
        if (key != -1) check(keys.insert(key).second);
    }
    for (VstInt32 p = 0; p < Orvalt::kNumPrograms; ++p) {
        const PlugCore::Program& program = plug.program(p);
        check(std::memchr(program.name, 0, sizeof(program.name)) != nullptr);
        for (VstInt32 i = 0; i < Orvalt::kNumParams; ++i) check(inUnitRange(program.values[i]));
    }
    check(plug.getProgram() >= 0 && plug.getProgram() < Orvalt::kNumPrograms);

    void* out = nullptr;
    check(plug.getChunk(&out, true) == 96);
    check(plug.getChunk(&out, false) == 530);
    return 0;
}
