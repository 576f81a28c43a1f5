// Audio at every sample rate and block size a host may choose, and blocks of
// other lengths than announced.
#include "tools/validator/check.h"
#include "tools/validator/rig.h"

#include <cstdio>
#include <random>

namespace validator {
namespace {

const float sampleRates[] = {8000, 11025, 16000, 22050, 32000, 44100, 48000,
                             88200, 96000, 176400, 192000, 352800, 384000};
const int blockSizes[] = {1, 2, 3, 7, 64, 511, 512, 4096};

// Block-splitting must not change the sound; allow only what float rounding
// of a plug-in's own block-wise bookkeeping could explain.
bool closeEnough(const Difference& d, double peakLevel) {
    return !d.shapesDiffer && d.largest <= 1e-5 * std::max(1.0, peakLevel);
}

std::string where(float rate, int block) {
    char text[64];
    std::snprintf(text, sizeof text, "at %g Hz, block size %d: ", rate, block);
    return text;
}

CheckResult ratesAndBlockSizes(Context& context) {
    std::mt19937 random(context.options().seed + 101);
    int combinations = 0;
    for (float rate : sampleRates) {
        std::string error;
        auto rig = Rig::createPrepared(context, error, rate, 512);
        if (!rig) return failed(error);
        for (int pass = 0; pass < 2; ++pass) {  // defaults, then random settings
            if (pass == 1) rig->randomizeParameters(random);
            for (int block : blockSizes) {
                if (context.quick() && block < 7 && rate != 44100.0f) continue;
                rig->prepare(rate, block);  // switched off around the change
                const int frames = std::max(4 * block, context.count(2048, 512));
                Signal out = rig->render(inputSignal(*rig, frames, combinations), {block});
                std::string bad = firstNonFinite(out);
                if (!bad.empty())
                    return failed(where(rate, block) + bad + (pass ? " (random settings)" : " (defaults)") +
                                  " - unwritten output reads as NaN");
                ++combinations;
            }
        }
    }
    return passed(std::to_string(combinations) + " rate/block-size/setting combinations, all output finite");
}

// Renders the same input with the same settings in two block patterns on
// fresh instances announced at 512 frames.
CheckResult compareBlockPatterns(Context& context, const std::vector<int>& pattern, const char* what) {
    std::string error;
    std::mt19937 random(context.options().seed + 202);
    std::vector<float> settings;
    if (!reproducibleSettings(context, random, settings, error)) return skipped(error);
    auto reference = Rig::createPrepared(context, error, 44100.0f, 512);
    auto other = Rig::createPrepared(context, error, 44100.0f, 512);
    if (!reference || !other) return failed(error);
    reference->setParameters(settings);
    other->setParameters(settings);
    Signal in = inputSignal(*reference, context.count(44100, 16384), 31);
    Signal expected = reference->render(in, {512});
    Signal got = other->render(in, pattern);
    std::string bad = firstNonFinite(got);
    if (!bad.empty()) return failed(std::string(what) + ": output has " + bad + " (unwritten output reads as NaN)");
    Difference d = compareSignals(expected, got);
    if (!closeEnough(d, peak(expected)))
        return failed(std::string(what) + " sound different from 512-frame blocks: " + d.describe());
    return passed(std::string(what) + " match 512-frame blocks (" + d.describe() + ")");
}

CheckResult shortBlocks(Context& context) {
    std::mt19937 random(context.options().seed + 303);
    std::uniform_int_distribution<int> length(1, 512);
    std::vector<int> pattern{1, 511, 2, 510, 3, 7, 64, 512};
    for (int i = 0; i < 200; ++i) pattern.push_back(length(random));
    return compareBlockPatterns(context, pattern, "blocks of 1 to 512 frames");
}

CheckResult oversizeBlocks(Context& context) {
    return compareBlockPatterns(context, {1024, 1024, 777, 1024}, "blocks up to twice the announced size");
}

}  // namespace

void addProcessingChecks(std::vector<Check>& list) {
    list.push_back({"sample-rates-block-sizes",
                    "8 kHz to 384 kHz with blocks of 1 to 4096 frames, defaults and random settings: finite output",
                    ratesAndBlockSizes});
    list.push_back({"short-blocks", "blocks shorter than announced sound like full blocks", shortBlocks});
    list.push_back({"oversize-blocks", "blocks longer than announced are processed like announced ones",
                    oversizeBlocks});
}

}  // namespace validator
