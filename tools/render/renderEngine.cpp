#include "tools/render/renderEngine.h"

#include "tools/render/renderError.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

namespace render {

namespace {

// One buffer per channel (at least one), and the pointer array the plug-in is handed.
template <typename Sample>
struct ChannelBuffers {
    std::vector<std::vector<Sample>> channel;
    std::vector<Sample*> pointers;

    void make(int channels, int frames) {
        channel.assign(static_cast<size_t>(std::max(channels, 1)), std::vector<Sample>(static_cast<size_t>(frames)));
        for (auto& ch : channel) pointers.push_back(ch.data());
    }
};

}  // namespace

struct RenderStream::Buffers {
    ChannelBuffers<float> floatIn, floatOut;
    ChannelBuffers<double> doubleIn, doubleOut;

    template <typename Sample>
    ChannelBuffers<Sample>& in() {
        if constexpr (std::is_same_v<Sample, double>) return doubleIn;
        else return floatIn;
    }
    template <typename Sample>
    ChannelBuffers<Sample>& out() {
        if constexpr (std::is_same_v<Sample, double>) return doubleOut;
        else return floatOut;
    }
};

RenderStream::RenderStream(vsthost::Plugin& plugin, const EngineSettings& settings, double sampleRate)
    : hostedPlugin(plugin), engineSettings(settings), engineRate(sampleRate), buffers(new Buffers) {
    const AEffect* effect = plugin.effect();
    if (!effect || effect->numOutputs < 1) throw RenderError(exitPlugin, "the plug-in has no audio outputs");
    if (settings.doublePrecision) {
        if (!(effect->flags & effFlagsCanDoubleReplacing) || !effect->processDoubleReplacing)
            throw RenderError(exitPlugin, "the plug-in cannot process double precision");
        buffers->doubleIn.make(effect->numInputs, settings.blockSize);
        buffers->doubleOut.make(effect->numOutputs, settings.blockSize);
    } else {
        if (!effect->processReplacing) throw RenderError(exitPlugin, "the plug-in has no processReplacing");
        buffers->floatIn.make(effect->numInputs, settings.blockSize);
        buffers->floatOut.make(effect->numOutputs, settings.blockSize);
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
    const std::vector<double> silence(chunk, 0.0);
    std::vector<double> discard(chunk);
    for (size_t done = 0; done < total; done += chunk) {
        size_t n = std::min(chunk, total - done);
        process(silence.data(), silence.data(), discard.data(), discard.data(), n);
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
    ChannelBuffers<Sample>& inBuffers = buffers->in<Sample>();
    ChannelBuffers<Sample>& outBuffers = buffers->out<Sample>();
    auto& in = inBuffers.channel;
    const auto& out = outBuffers.channel;
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
        if constexpr (std::is_same_v<Sample, double>)
            hostedPlugin.processDoubleReplacing(inBuffers.pointers.data(), outBuffers.pointers.data(), n);
        else
            hostedPlugin.processReplacing(inBuffers.pointers.data(), outBuffers.pointers.data(), n);
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
