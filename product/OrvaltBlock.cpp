// Orvalt's block operation: input gain and drive, the optional warm stage (2x
// oversampled bass boost, soft saturation, DC blocker), the optional one-sample
// look-ahead clipper with make-up, and the clip meters handed to the editor.
// It runs under round-toward-zero with both channels side by side in SSE2
// registers; every value goes through the operations of the per-sample
// algorithm in their order, so every build gives the same bits.
#include <cstdint>
#include <cstring>
#include <type_traits>

#include "plugcore/SharedBlock.h"
#include "product/Orvalt.h"
#include "product/RoundingGuard.h"

using namespace ChainStage;

namespace {

constexpr float kMeterDecay = 0.9f;  // per hand-over attempt
constexpr VstInt32 kPipelineDepth = 5;  // frames between the upsampler and the clipper

inline Pair loadFrame(const double* left, const double* right, VstInt32 i) { return _mm_setr_pd(left[i], right[i]); }

inline void storeFrame(double* left, double* right, VstInt32 i, Pair v) {
    _mm_storel_pd(left + i, v);
    _mm_storeh_pd(right + i, v);
}

// The two clip peaks ride in the low float lanes of one register during a block.
inline __m128 loadPeaks(const float* peak) { return _mm_setr_ps(peak[0], peak[1], 0.0f, 0.0f); }

inline void storePeaks(float* peak, __m128 peaks) {
    float levels[4];
    _mm_storeu_ps(levels, peaks);
    peak[0] = levels[0];
    peak[1] = levels[1];
}

// True when one more smoothing step changes neither lane.
inline bool settled(Pair value, double target, double k) {
    return _mm_movemask_pd(_mm_cmpeq_pd(smoothStep(value, both(target), both(k)), value)) == 3;
}

}  // namespace

bool Orvalt::processBlock(bool paramsChanged, const PlugCore::BlockTiming*, double* const* in, double* const* out,
                          VstInt32 frames) {
    if (paramsChanged) updateParameters();
    if (!in || !out || !in[0] || !in[1] || !out[0] || !out[1] || frames <= 0) return true;
    RoundingGuard towardZero(FE_TOWARDZERO);
    if (frames <= kPipelineDepth)
        runSwitched<true>(in, out, frames);
    else
        runSwitched<false>(in, out, frames);
    return true;
}

template <bool shortBlock>
void Orvalt::runSwitched(const double* const* in, double* const* out, VstInt32 frames) {
    if (warmOn) {
        if (clipOn)
            runSamples<true, true, shortBlock>(in, out, frames);
        else
            runSamples<true, false, shortBlock>(in, out, frames);
    } else {
        if (clipOn)
            runSamples<false, true, shortBlock>(in, out, frames);
        else
            runSamples<false, false, shortBlock>(in, out, frames);
    }
}

bool Orvalt::equalizerSettled() const {
    const double k = smoothingCoefficient;
    return settled(chain.bassEq.k0Smoothed, bassEq.k0, k) && settled(chain.bassEq.k1Smoothed, bassEq.k1, k) &&
           settled(chain.bassEq.gainSmoothed, bassEq.gain, k);
}

// The running state is copied into registers for the block and back at its
// end. With the warm stage the stages are software-pipelined: in one pass the
// upsampler works on frame j, the equalizer on j - 1, the saturator on j - 2,
// the DC blocker on j - 3, the downsampler on j - 4 and the drive and clipper on
// j - 5, so the processor overlaps them, and only the saturator's recursion is
// left to wait on. The first and last five passes run only the stages that have
// a frame of this block. Output frame f is written after input frame f was
// read, so in-place buffers are safe.
template <bool warm, bool clip, bool shortBlock>
[[gnu::noinline]] void Orvalt::runSamples(const double* const* in, double* const* out, VstInt32 frames) {
    // A block of a few frames works on the state where it lives: copying all of
    // it would cost more than the frames themselves.
    ChainState local;
    if (!shortBlock) local = chain;
    ChainState& s = shortBlock ? chain : local;
    const double k = smoothingCoefficient;
    const double inputTarget = inputGainTarget;
    const double driveGoal = driveTarget;
    // Targets and k hold for the whole block.
    const bool inputSettled = smoothStep(s.inputGain, inputTarget, k) == s.inputGain;
    const bool driveSettled = smoothStep(s.driveGain, driveGoal, k) == s.driveGain;
    const bool eqSettled = warm && equalizerSettled();
    const EqualizerTargets eqTarget = bassEq;
    const double dc = dcCoefficient;
    const ClipConstants clipConstants{limitGain, attackCoefficient, releaseCoefficient, releaseFlushEdge, makeupOn};
    const double* const in0 = in[0];
    const double* const in1 = in[1];
    double* const out0 = out[0];
    double* const out1 = out[1];

    __m128 peaks = loadPeaks(meterPeak);
    int32_t counter = meterCounter;
    const int32_t period = meterPeriod;
    // Fixed while the plug-in lives; without an editor there is nobody to hand over to.
    PlugCore::SharedBlock* const meterTarget = sharedBlock();

    // A block whose smoothers have all settled runs a loop without them, where
    // the gains are constants; passing std::true_type steps the smoothers that
    // still move.
    const bool allSettled = inputSettled && driveSettled && (!warm || eqSettled);

    // Drive, clipper (or the plain one-sample delay), output and meter for frame f.
    auto finish = [&](VstInt32 f, Pair r, auto glidingType) __attribute__((always_inline)) {
        if (decltype(glidingType)::value && !driveSettled) s.driveGain = smoothStep(s.driveGain, driveGoal, k);
        const Pair m = r / both(s.driveGain);
        Pair y;
        if (clip) {
            y = ChainStage::clip(s, clipConstants, peaks, m);
        } else {
            y = s.limiterDelay;
            s.limiterDelay = m;
        }
        storeFrame(out0, out1, f, y);
        if (counter < INT32_MAX) ++counter;  // saturates instead of overflowing
        if (counter > period && meterTarget) {
            storePeaks(meterPeak, peaks);
            meterCounter = counter;
            meterHandOver(*meterTarget);
            peaks = loadPeaks(meterPeak);
            counter = meterCounter;
        }
    };
    auto input = [&](VstInt32 f, auto glidingType) __attribute__((always_inline)) {
        if (decltype(glidingType)::value && !inputSettled) s.inputGain = smoothStep(s.inputGain, inputTarget, k);
        return loadFrame(in0, in1, f) * both(s.inputGain);
    };

    if (!warm) {
        if (allSettled)
            for (VstInt32 f = 0; f < frames; ++f) finish(f, input(f, std::false_type{}), std::false_type{});
        else
            for (VstInt32 f = 0; f < frames; ++f) finish(f, input(f, std::true_type{}), std::true_type{});
    } else {
        // The stages between the upsampler and the drive, each for one frame.
        auto equalizeBoth = [&](const UpsampledFrame& up, auto glidingType) __attribute__((always_inline)) {
            UpsampledFrame e;
            if (decltype(glidingType)::value && !eqSettled) glide(s.bassEq, eqTarget, k);
            e.first = equalize(s.bassEq, up.first);
            if (decltype(glidingType)::value && !eqSettled) glide(s.bassEq, eqTarget, k);
            e.second = equalize(s.bassEq, up.second);
            return e;
        };
        auto saturateBoth = [&](const UpsampledFrame& e) __attribute__((always_inline)) {
            return UpsampledFrame{saturate(e.first, s.satPrevIn, s.satPrevOut), saturate(e.second, s.satPrevIn, s.satPrevOut)};
        };
        auto blockDcBoth = [&](const UpsampledFrame& change) __attribute__((always_inline)) {
            UpsampledFrame y;
            y.first = blockDc(change.first, s.dcPrevOut, dc);
            y.second = blockDc(change.second, s.dcPrevOut, dc);
            return y;
        };

        UpsampledFrame upOut{}, eqOut{}, satOut{}, dcOut{};
        Pair downOut{};
        auto pass = [&](VstInt32 j, auto checkedType, auto glidingType) __attribute__((always_inline)) {
            constexpr bool checked = decltype(checkedType)::value;
            auto runs = [&](VstInt32 f) { return !checked || (f >= 0 && f < frames); };
            if (runs(j - 5)) finish(j - 5, downOut, glidingType);
            if (runs(j - 4)) downOut = downsample(s.downsampler, dcOut);
            if (runs(j - 3)) dcOut = blockDcBoth(satOut);
            if (runs(j - 2)) satOut = saturateBoth(eqOut);
            if (runs(j - 1)) eqOut = equalizeBoth(upOut, glidingType);
            if (runs(j)) upOut = upsample(s.upsampler, input(j, glidingType));
        };
        if (shortBlock) {
            // Too short to fill the pipeline: each frame through every stage in turn.
            for (VstInt32 f = 0; f < frames; ++f) {
                const UpsampledFrame up = upsample(s.upsampler, input(f, std::true_type{}));
                const UpsampledFrame y = blockDcBoth(saturateBoth(equalizeBoth(up, std::true_type{})));
                finish(f, downsample(s.downsampler, y), std::true_type{});
            }
        } else {
            VstInt32 j = 0;
            for (; j < kPipelineDepth; ++j) pass(j, std::true_type{}, std::true_type{});
            if (allSettled)
                for (; j < frames; ++j) pass(j, std::false_type{}, std::false_type{});
            else
                for (; j < frames; ++j) pass(j, std::false_type{}, std::true_type{});
            for (; j < frames + kPipelineDepth; ++j) pass(j, std::true_type{}, std::true_type{});
        }
    }

    if (!shortBlock) chain = local;
    storePeaks(meterPeak, peaks);
    meterCounter = counter;
}

// Offers the clip peaks to the editor about every 20 ms. The audio side tries
// the editor's lock once and never waits for it. The framework handed over the
// editor's block when the editor was attached. Called once meterCounter has
// passed meterPeriod.
[[gnu::noinline]] void Orvalt::meterHandOver(PlugCore::SharedBlock& target) {
    if (target.tryLock()) {
        if (target.sharedTaken.load(std::memory_order_acquire)) {
            target.sharedTaken.store(false, std::memory_order_relaxed);
            const uint32_t bytes = target.sharedSize < sizeof meterPeak ? target.sharedSize : sizeof meterPeak;
            if (target.shared && bytes) std::memcpy(target.shared, meterPeak, bytes);
        }
        target.unlock();
        meterCounter = 0;
    }
    meterPeak[0] = meterPeak[0] * kMeterDecay;
    meterPeak[1] = meterPeak[1] * kMeterDecay;
}
