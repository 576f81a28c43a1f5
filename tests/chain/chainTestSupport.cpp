#include "tests/chain/chainTestSupport.h"

#include <cmath>
#include <cstdlib>
#include <string>

#include "tests/support/testHosts.h"

namespace {

// The constructor reads the per-user defaults file; point it at an empty
// folder so no user file leaks into the tests.
struct FreshConfigFolder {
    FreshConfigFolder() {
#ifndef _WIN32
        std::string folder = "/tmp/orvalt-chain-test-XXXXXX";
        if (mkdtemp(folder.data())) setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
#endif
    }
} freshConfigFolder;

constexpr double kTwoPi = 6.283185307179586;

}  // namespace

OrvaltChainProbe::BassEq OrvaltChainProbe::bassEq(int c) const {
    const ChainStage::EqualizerState& eq = o.chain.bassEq;
    return {o.bassEq.k0, o.bassEq.k1, eq.k0Smoothed[c], eq.k1Smoothed[c], o.bassEq.gain, eq.gainSmoothed[c],
            eq.z1[c], eq.z2[c]};
}

std::vector<double> OrvaltChainProbe::silencedState() const {
    const ChainStage::ChainState& s = o.chain;
    std::vector<double> state;
    for (int c = 0; c < 2; ++c) {
        for (const ChainStage::Allpass& section : s.upsampler) state.insert(state.end(), {section.x1[c], section.y1[c]});
        state.insert(state.end(), {s.bassEq.z1[c], s.bassEq.z2[c], s.satPrevIn[c], s.clipEnvelope[c]});
    }
    return state;
}

std::vector<double> OrvaltChainProbe::fullState() const {
    const ChainStage::ChainState& s = o.chain;
    std::vector<double> state;
    for (int c = 0; c < 2; ++c) {
        for (const ChainStage::Allpass& section : s.upsampler) state.insert(state.end(), {section.x1[c], section.y1[c]});
        for (const ChainStage::Allpass& section : s.downsampler) state.insert(state.end(), {section.x1[c], section.y1[c]});
        const ChainStage::EqualizerState& eq = s.bassEq;
        state.insert(state.end(), {eq.k0Smoothed[c], eq.k1Smoothed[c], eq.gainSmoothed[c], eq.z1[c], eq.z2[c]});
        state.insert(state.end(), {s.satPrevIn[c], s.satPrevOut[c], s.dcPrevOut[c], s.gainHistory1[c],
                                   s.gainHistory2[c], s.limiterDelay[c], s.clipEnvelope[c],
                                   static_cast<double>(o.meterPeak[c])});
    }
    state.insert(state.end(), {s.inputGain, s.driveGain, static_cast<double>(o.meterCounter)});
    return state;
}

uint64_t TestRandom::next() {
    state ^= state >> 12;
    state ^= state << 25;
    state ^= state >> 27;
    return state * 2685821657736338717ull;
}

double TestRandom::uniform() { return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0); }

double TestRandom::symmetric() { return 2.0 * uniform() - 1.0; }

int TestRandom::below(int limit) { return static_cast<int>(next() % static_cast<uint64_t>(limit)); }

void setParameters(Orvalt& plugin, std::initializer_list<std::pair<int, float>> parameters) {
    for (const auto& [index, value] : parameters) plugin.setParameter(index, value);
}

std::unique_ptr<Orvalt> makeOrvalt(float rate, VstInt32 blockSize,
                                   std::initializer_list<std::pair<int, float>> parameters) {
    auto plugin = std::make_unique<Orvalt>(testhosts::quietHost);
    plugin->setSampleRate(rate);
    plugin->setBlockSize(blockSize);
    setParameters(*plugin, parameters);
    return plugin;
}

namespace {

template <typename T>
Stereo run(Orvalt& plugin, const Stereo& input, VstInt32 blockSize) {
    const size_t frames = input.size();
    std::vector<T> in[2], out[2];
    for (int c = 0; c < 2; ++c) {
        const std::vector<double>& source = c ? input.right : input.left;
        in[c].assign(source.begin(), source.end());
        out[c].assign(frames, T(0));
    }
    for (size_t start = 0; start < frames; start += static_cast<size_t>(blockSize)) {
        const VstInt32 n = static_cast<VstInt32>(std::min<size_t>(static_cast<size_t>(blockSize), frames - start));
        T* inputs[2] = {in[0].data() + start, in[1].data() + start};
        T* outputs[2] = {out[0].data() + start, out[1].data() + start};
        if constexpr (sizeof(T) == sizeof(double))
            plugin.processDoubleReplacing(inputs, outputs, n);
        else
            plugin.processReplacing(inputs, outputs, n);
    }
    return Stereo{{out[0].begin(), out[0].end()}, {out[1].begin(), out[1].end()}};
}

}  // namespace

Stereo runDouble(Orvalt& plugin, const Stereo& input, VstInt32 blockSize) { return run<double>(plugin, input, blockSize); }

Stereo runFloat(Orvalt& plugin, const Stereo& input, VstInt32 blockSize) { return run<float>(plugin, input, blockSize); }

Stereo sineSignal(double frequency, double amplitude, double rate, size_t frames) {
    Stereo s{std::vector<double>(frames), std::vector<double>(frames)};
    for (size_t i = 0; i < frames; ++i) {
        const double phase = kTwoPi * frequency * static_cast<double>(i) / rate;
        s.left[i] = amplitude * std::sin(phase);
        s.right[i] = amplitude * std::cos(phase);
    }
    return s;
}

Stereo noiseSignal(TestRandom& random, double amplitude, size_t frames) {
    Stereo s{std::vector<double>(frames), std::vector<double>(frames)};
    for (size_t i = 0; i < frames; ++i) {
        s.left[i] = amplitude * random.symmetric();
        s.right[i] = amplitude * random.symmetric();
    }
    return s;
}

double toneAmplitude(const std::vector<double>& x, size_t start, size_t count, double frequency, double rate) {
    double re = 0.0, im = 0.0;
    for (size_t i = start; i < start + count; ++i) {
        const double phase = kTwoPi * frequency * static_cast<double>(i) / rate;
        re += x[i] * std::cos(phase);
        im += x[i] * std::sin(phase);
    }
    return 2.0 * std::hypot(re, im) / static_cast<double>(count);
}

double decibels(double ratio) { return 20.0 * std::log10(ratio); }
