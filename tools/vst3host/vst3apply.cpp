// vst3apply: plays a 32-bit float stereo WAV file through a VST 3 bundle with
// parameters given as their displayed values, and writes the raw output (its
// latency included) in the same form, so it can be set beside the renderer's.
//     vst3apply BUNDLE IN.wav OUT.wav [name=value ...] [--block N] [--double]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/vst3host/vst3host.h"

namespace {

struct Wav {
    uint32_t rate = 0;
    std::vector<float> frames[2];
};

uint32_t word(const std::vector<uint8_t>& b, size_t at, int bytes) {
    uint32_t v = 0;
    for (int k = bytes - 1; k >= 0; --k) v = v << 8 | b[at + static_cast<size_t>(k)];
    return v;
}

bool readWav(const char* path, Wav& wav) {
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> raw((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (raw.size() < 12 || std::memcmp(raw.data(), "RIFF", 4) != 0 || std::memcmp(raw.data() + 8, "WAVE", 4) != 0)
        return false;
    bool floats = false;
    for (size_t at = 12; at + 8 <= raw.size();) {
        const uint32_t size = word(raw, at + 4, 4);
        if (at + 8 + size > raw.size()) return false;
        if (std::memcmp(raw.data() + at, "fmt ", 4) == 0 && size >= 16) {
            floats = word(raw, at + 8, 2) == 3 && word(raw, at + 10, 2) == 2 && word(raw, at + 22, 2) == 32;
            wav.rate = word(raw, at + 12, 4);
        } else if (std::memcmp(raw.data() + at, "data", 4) == 0) {
            if (!floats) return false;
            for (size_t i = 0; i + 8 <= size; i += 8)
                for (int c = 0; c < 2; ++c) {
                    float v;
                    std::memcpy(&v, raw.data() + at + 8 + i + 4 * static_cast<size_t>(c), 4);
                    wav.frames[c].push_back(v);
                }
            return wav.rate > 0;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

bool writeWav(const char* path, const Wav& wav) {
    std::ofstream file(path, std::ios::binary);
    auto put = [&](uint32_t v, int bytes) {
        for (int k = 0; k < bytes; ++k) file.put(static_cast<char>(v >> (8 * k)));
    };
    const auto dataSize = static_cast<uint32_t>(wav.frames[0].size() * 8);
    file.write("RIFF", 4), put(36 + dataSize, 4), file.write("WAVEfmt ", 8), put(16, 4);
    put(3, 2), put(2, 2), put(wav.rate, 4), put(wav.rate * 8, 4), put(8, 2), put(32, 2);
    file.write("data", 4), put(dataSize, 4);
    for (size_t i = 0; i < wav.frames[0].size(); ++i)
        for (int c = 0; c < 2; ++c) file.write(reinterpret_cast<const char*>(&wav.frames[c][i]), 4);
    return static_cast<bool>(file);
}

int fail(const std::string& message) {
    std::fprintf(stderr, "vst3apply: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) return fail("usage: vst3apply BUNDLE IN.wav OUT.wav [name=value ...] [--block N] [--double]");
    Wav in;
    if (!readWav(argv[2], in)) return fail(std::string(argv[2]) + ": not a 32-bit float stereo WAV file");
    std::string error;
    auto module = vst3host::Module::load(argv[1], error);
    if (!module) return fail(error);
    auto effect = vst3host::Effect::create(module, error);
    if (!effect) return fail(error);

    vst3host::ParamChanges settings;
    Vst3::int32 block = 512;
    bool doubles = false;
    for (int k = 4; k < argc; ++k) {
        const std::string arg = argv[k];
        if (arg == "--double") {
            doubles = true;
            continue;
        }
        if (arg == "--block" && k + 1 < argc) {
            block = std::atoi(argv[++k]);
            continue;
        }
        const size_t eq = arg.find('=');
        const Vst3::ParamID id = effect->findParameter(arg.substr(0, eq));
        double value;
        if (eq == std::string::npos || id == Vst3::kNoParamId || !effect->valueForText(id, arg.substr(eq + 1), value))
            return fail("cannot set " + arg);
        settings.add(id, 0, value);
    }
    if (block <= 0) return fail("bad block length");
    const Vst3::int32 size = doubles ? Vst3::kSample64 : Vst3::kSample32;
    // The settings arrive in a call of their own; the next activation settles on them.
    if (!effect->start(in.rate, block, size)) return fail("the processor refuses the set-up");
    effect->process(static_cast<float* const*>(nullptr), nullptr, 0, &settings);
    effect->stop();
    if (!effect->start(in.rate, block, size)) return fail("the processor refuses the set-up");

    Wav out;
    out.rate = in.rate;
    const size_t total = in.frames[0].size();
    for (auto& channel : out.frames) channel.assign(total, 0.0f);
    std::vector<double> wide[4];
    for (auto& channel : wide) channel.resize(static_cast<size_t>(block));
    for (size_t at = 0; at < total; at += static_cast<size_t>(block)) {
        const auto n = static_cast<Vst3::int32>(std::min<size_t>(static_cast<size_t>(block), total - at));
        if (doubles) {
            for (int c = 0; c < 2; ++c)
                for (Vst3::int32 i = 0; i < n; ++i) wide[c][static_cast<size_t>(i)] = in.frames[c][at + static_cast<size_t>(i)];
            double* const i2[2] = {wide[0].data(), wide[1].data()};
            double* const o2[2] = {wide[2].data(), wide[3].data()};
            if (effect->process(i2, o2, n) != Vst3::kResultOk) return fail("process failed");
            for (int c = 0; c < 2; ++c)
                for (Vst3::int32 i = 0; i < n; ++i)
                    out.frames[c][at + static_cast<size_t>(i)] = static_cast<float>(wide[2 + c][static_cast<size_t>(i)]);
        } else {
            float* const i2[2] = {in.frames[0].data() + at, in.frames[1].data() + at};
            float* const o2[2] = {out.frames[0].data() + at, out.frames[1].data() + at};
            if (effect->process(i2, o2, n) != Vst3::kResultOk) return fail("process failed");
        }
    }
    effect.reset();
    return writeWav(argv[3], out) ? 0 : fail(std::string("cannot write ") + argv[3]);
}
