#include "tools/render/renderEngine.h"

#include "tools/render/renderError.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace render {

struct RenderStream::Buffers {
    std::vector<std::vector<float>> floatIn, floatOut;
    std::vector<std::vector<double>> doubleIn, doubleOut;
    std::vector<float*> floatInPointers, floatOutPointers;
    std::vector<double*> doubleInPointers, doubleOutPointers;
    std::vector<double> silence;

    template <typename Sample>
    static void make(std::vector<std::vector<Sample>>& storage, std::vector<Sample*>& pointers, int channels,
                     int frames) {
        storage.assign(static_cast<size_t>(std::max(channels, 1)), std::vector<Sample>(static_cast<size_t>(frames)));
        for (auto& ch : storage) pointers.push_back(ch.data());
    }
    template <typename Sample>
    std::vector<std::vector<Sample>>& in();
    template <typename Sample>
    std::vector<std::vector<Sample>>& out();
    template <typename Sample>
    Sample** inPointers();
    template <typename Sample>
    Sample** outPointers();
};

template <> std::vector<std::vector<float>>& RenderStream::Buffers::in<float>() { return floatIn; }
template <> std::vector<std::vector<double>>& RenderStream::Buffers::in<double>() { return doubleIn; }
template <> std::vector<std::vector<float>>& RenderStream::Buffers::out<float>() { return floatOut; }
template <> std::vector<std::vector<double>>& RenderStream::Buffers::out<double>() { return doubleOut; }
template <> float** RenderStream::Buffers::inPointers<float>() { return floatInPointers.data(); }
template <> double** RenderStream::Buffers::inPointers<double>() { return doubleInPointers.data(); }
template <> float** RenderStream::Buffers::outPointers<float>() { return floatOutPointers.data(); }
template <> double** RenderStream::Buffers::outPointers<double>() { return doubleOutPointers.data(); }

RenderStream::RenderStream(vsthost::Plugin& plugin, const EngineSettings& settings, double sampleRate)
    : hostedPlugin(plugin), engineSettings(settings), engineRate(sampleRate), buffers(new Buffers) {
    const AEffect* effect = plugin.effect();
    if (!effect || effect->numOutputs < 1) throw RenderError(exitPlugin, "the plug-in has no audio outputs");
    if (settings.doublePrecision) {
        if (!(effect->flags & effFlagsCanDoubleReplacing) || !effect->processDoubleReplacing)
            throw RenderError(exitPlugin, "the plug-in cannot process double precision");
        Buffers::make(buffers->doubleIn, buffers->doubleInPointers, effect->numInputs, settings.blockSize);
        Buffers::make(buffers->doubleOut, buffers->doubleOutPointers, effect->numOutputs, settings.blockSize);
    } else {
        if (!effect->processReplacing) throw RenderError(exitPlugin, "the plug-in has no processReplacing");
        Buffers::make(buffers->floatIn, buffers->floatInPointers, effect->numInputs, settings.blockSize);
        Buffers::make(buffers->floatOut, buffers->floatOutPointers, effect->numOutputs, settings.blockSize);
    }
    VstTimeInfo time{};
    time.sampleRate = sampleRate;
    time.tempo = 120.0;
    time.timeSigNumerator = 4;
    time.timeSigDenominator = 4;
    time.flags = kVstTransportPlaying | kVstTransportChanged | kVstTempoValid | kVstTimeSigValid;
    plugin.host().setTimeInfo(&time);
}

RenderStream::~RenderStream() {
    hostedPlugin.host().setTimeInfo(nullptr);
}

void RenderStream::settle(double seconds) {
    const size_t total = std::max(settleMinimumFrames, static_cast<size_t>(std::ceil(seconds * engineRate)));
    const size_t chunk = static_cast<size_t>(engineSettings.blockSize);
    buffers->silence.assign(chunk, 0.0);
    std::vector<double> discard(chunk);
    const double* zero = buffers->silence.data();
    for (size_t done = 0; done < total; done += chunk) {
        size_t n = std::min(chunk, total - done);
        process(zero, zero, discard.data(), discard.data(), n);
    }
    VstTimeInfo time = *hostedPlugin.host().timeInfo();
    time.samplePos = 0.0;
    time.flags |= kVstTransportChanged;
    hostedPlugin.host().setTimeInfo(&time);
}

void RenderStream::process(const double* inLeft, const double* inRight, double* outLeft, double* outRight,
                           size_t frames) {
    if (engineSettings.doublePrecision)
        run<double>(inLeft, inRight, outLeft, outRight, frames);
    else
        run<float>(inLeft, inRight, outLeft, outRight, frames);
}

template <typename Sample>
void RenderStream::run(const double* inLeft, const double* inRight, double* outLeft, double* outRight,
                       size_t frames) {
    const AEffect* effect = hostedPlugin.effect();
    auto& in = buffers->in<Sample>();
    auto& out = buffers->out<Sample>();
    const double* source[2] = {inLeft, inRight};
    double* target[2] = {outLeft, outRight};
    using Clock = std::chrono::steady_clock;
    for (size_t start = 0; start < frames; start += static_cast<size_t>(engineSettings.blockSize)) {
        const int n = static_cast<int>(std::min(static_cast<size_t>(engineSettings.blockSize), frames - start));
        for (int c = 0; c < effect->numInputs; ++c) {
            const double* x = source[std::min(c, 1)] + start;
            std::copy(x, x + n, in[static_cast<size_t>(c)].begin());
        }
        auto begin = Clock::now();
        if constexpr (sizeof(Sample) == sizeof(double))
            hostedPlugin.processDoubleReplacing(buffers->inPointers<double>(), buffers->outPointers<double>(), n);
        else
            hostedPlugin.processReplacing(buffers->inPointers<float>(), buffers->outPointers<float>(), n);
        timeInside += Clock::now() - begin;
        for (int c = 0; c < 2; ++c) {
            const auto& result = out[static_cast<size_t>(std::min(c, static_cast<int>(out.size()) - 1))];
            std::copy(result.begin(), result.begin() + n, target[c] + start);
        }
        hostedPlugin.host().advanceTime(n);
    }
}

double RenderStream::pluginSeconds() const {
    return std::chrono::duration<double>(timeInside).count();
}

double renderThrough(vsthost::Plugin& plugin, const AudioData& input, AudioData& output,
                     const EngineSettings& settings) {
    RenderStream stream(plugin, settings, input.sampleRate);
    stream.settle(settleSeconds);
    output.sampleRate = input.sampleRate;
    output.sourceChannels = 2;
    output.resize(input.frames());
    stream.process(input.channel[0].data(), input.channel[1].data(), output.channel[0].data(),
                   output.channel[1].data(), input.frames());
    return stream.pluginSeconds();
}

}  // namespace render
