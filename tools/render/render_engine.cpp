#include "tools/render/render_engine.h"

#include "tools/render/render_error.h"

#include <algorithm>
#include <chrono>
#include <vector>

namespace render {
namespace {

template <typename Sample>
class ChannelBuffers {
public:
    ChannelBuffers(int channels, int frames)
        : storage_(static_cast<size_t>(std::max(channels, 1)), std::vector<Sample>(static_cast<size_t>(frames))) {
        for (auto& ch : storage_) pointers_.push_back(ch.data());
    }
    Sample** pointers() { return pointers_.data(); }
    std::vector<Sample>& channel(int c) { return storage_[static_cast<size_t>(c)]; }
    int count() const { return static_cast<int>(storage_.size()); }

private:
    std::vector<std::vector<Sample>> storage_;
    std::vector<Sample*> pointers_;
};

template <typename Sample>
double renderWith(vsthost::Plugin& plugin, const AudioData& input, AudioData& output, int blockSize,
                  const ProgressCallback& progress) {
    const AEffect* effect = plugin.effect();
    ChannelBuffers<Sample> in(effect->numInputs, blockSize);
    ChannelBuffers<Sample> out(effect->numOutputs, blockSize);
    output.sampleRate = input.sampleRate;
    output.sourceChannels = 2;
    output.resize(input.frames());

    VstTimeInfo time{};
    time.sampleRate = input.sampleRate;
    time.tempo = 120.0;
    time.timeSigNumerator = 4;
    time.timeSigDenominator = 4;
    time.flags = kVstTransportPlaying | kVstTransportChanged | kVstTempoValid | kVstTimeSigValid;
    plugin.host().setTimeInfo(&time);

    using Clock = std::chrono::steady_clock;
    Clock::duration inside{};
    const size_t total = input.frames();
    size_t reported = 0;
    for (size_t start = 0; start < total; start += static_cast<size_t>(blockSize)) {
        const int n = static_cast<int>(std::min(static_cast<size_t>(blockSize), total - start));
        for (int c = 0; c < effect->numInputs; ++c) {
            const auto& source = input.channel[std::min(c, 1)];
            std::copy(source.begin() + static_cast<long>(start), source.begin() + static_cast<long>(start) + n,
                      in.channel(c).begin());
        }
        auto begin = Clock::now();
        if constexpr (sizeof(Sample) == sizeof(double))
            plugin.processDoubleReplacing(in.pointers(), out.pointers(), n);
        else
            plugin.processReplacing(in.pointers(), out.pointers(), n);
        inside += Clock::now() - begin;
        for (int c = 0; c < 2; ++c) {
            const auto& result = out.channel(std::min(c, out.count() - 1));
            std::copy(result.begin(), result.begin() + n, output.channel[c].begin() + static_cast<long>(start));
        }
        plugin.host().advanceTime(n);
        if (progress && (start + static_cast<size_t>(n) - reported) * 100 >= total) {
            reported = start + static_cast<size_t>(n);
            progress(static_cast<double>(reported) / static_cast<double>(total));
        }
    }
    if (progress) progress(1.0);
    plugin.host().setTimeInfo(nullptr);
    return std::chrono::duration<double>(inside).count();
}

}  // namespace

double renderThrough(vsthost::Plugin& plugin, const AudioData& input, AudioData& output,
                     const EngineSettings& settings, const ProgressCallback& progress) {
    const AEffect* effect = plugin.effect();
    if (!effect || effect->numOutputs < 1)
        throw RenderError(exitPlugin, "the plug-in has no audio outputs");
    if (settings.doublePrecision) {
        if (!(effect->flags & effFlagsCanDoubleReplacing) || !effect->processDoubleReplacing)
            throw RenderError(exitPlugin, "the plug-in cannot process double precision");
        return renderWith<double>(plugin, input, output, settings.blockSize, progress);
    }
    if (!effect->processReplacing)
        throw RenderError(exitPlugin, "the plug-in has no processReplacing");
    return renderWith<float>(plugin, input, output, settings.blockSize, progress);
}

}  // namespace render
