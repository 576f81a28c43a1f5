// Orvalt's signal chain: input gain and drive, the optional warm stage (2x
// oversampled bass boost, soft saturation, DC blocker), the optional one-sample
// look-ahead clipper with make-up, and the clip meters handed to the editor.
// It runs under round-toward-zero; every operation is written out in the order
// that fixes its result, so every build gives the same bits.
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "plugcore/SharedBlock.h"
#include "product/ChainMath.h"
#include "product/ChainStages.h"
#include "product/Orvalt.h"
#include "product/RoundingGuard.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kLn2 = 0.6931471805599453;
constexpr double kCeiling = 0.99;         // the clipper's threshold
constexpr float kMeterDecay = 0.9f;       // per hand-over attempt
constexpr double kMinimumRate = 1000.0;   // below this the 40 Hz design breaks down
constexpr double kMaximumRate = 1.0e7;    // keeps the meter period inside 32 bits

// A parameter as a number; a NaN value counts as 0.
double number(float cooked) { return cooked == cooked ? static_cast<double>(cooked) : 0.0; }

}  // namespace

double Orvalt::chainRate() {
    const double fs = getSampleRate();
    if (!(fs > 0.0) || !std::isfinite(fs)) return 44100.0;
    if (fs < kMinimumRate) return kMinimumRate;
    if (fs > kMaximumRate) return kMaximumRate;
    return fs;
}

// [audio thread] The design always rounds to nearest, whatever mode the host's
// thread is in, so every host gets the same coefficients.
void Orvalt::sampleRateChanged() {
    {
        RoundingGuard nearest(FE_TONEAREST);
        const double fs = chainRate();
        dcCoefficient = ChainMath::exp(-1.0 / (static_cast<double>(0.05f) * fs));
        meterPeriod = static_cast<int32_t>(0.02 * fs);
        attackCoefficient = ChainMath::exp(-1.0 / (static_cast<double>(0.002f) * fs));
        releaseCoefficient = ChainMath::exp(-1.0 / (static_cast<double>(0.1f) * fs));
        smoothingCoefficient = 1.0 - ChainMath::exp(-1.0 / (0.1 * fs));
    }
    updateParameters();
}

// [audio thread] Targets only: the smoothers and the filter states carry on.
void Orvalt::updateParameters() {
    RoundingGuard nearest(FE_TONEAREST);
    const double input = number(cookedValue(kInput));
    const double limit = number(cookedValue(kLimit));
    const double bass = number(cookedValue(kBass));
    const double drive = number(cookedValue(kDrive));

    limitGain = ChainMath::pow10((1.0 - limit) * 0.5);
    driveTarget = ChainMath::pow10(drive - 1.0);
    inputGainTarget = ChainMath::pow10(input) * driveTarget;

    // Peaking equalizer at 40 Hz for the doubled rate, six octaves wide.
    const double fs = chainRate();
    const double a = ChainMath::pow10(bass * 0.25);
    const double w = 2.0 * kPi * 40.0 / (2.0 * fs);
    const double sinW = ChainMath::sin(w);
    const double alpha = sinW * ChainMath::sinh(3.0 * kLn2 * w / sinW);
    const double f = alpha / a;
    const double k1 = (1.0 - f) / (1.0 + f);
    const double k0 = -ChainMath::cos(w);
    const double gain = a * a;
    for (BassEq& eq : bassEq) {
        eq.k0 = k0;
        eq.k1 = k1;
        eq.gain = gain;
    }

    warmOn = cookedValue(kWarm) > 0.5f;
    clipOn = cookedValue(kClip) > 0.5f;
    makeupOn = cookedValue(kMakeup) > 0.5f;
}

void Orvalt::resetState() {
    for (int c = 0; c < 2; ++c) {
        for (Allpass& section : upsampler[c]) section = Allpass{0.0, 0.0};
        for (Allpass& section : downsampler[c]) section = Allpass{0.0, 0.0};
        BassEq& eq = bassEq[c];
        eq.z1 = eq.z2 = 0.0;
        eq.k0Smoothed = eq.k0;
        eq.k1Smoothed = eq.k1;
        eq.gainSmoothed = 1.0;
        satPrevIn[c] = satPrevOut[c] = dcPrevOut[c] = 0.0;
        gainHistory1[c] = gainHistory2[c] = 0.0;
        limiterDelay[c] = 0.0;
        clipEnvelope[c] = 0.0;
    }
    meterCounter = 0;
    // The gains glide from unity toward their targets, not from the targets.
    inputGain = 1.0;
    driveGain = 1.0;
}

bool Orvalt::processBlock(bool paramsChanged, const PlugCore::BlockTiming*, double* const* in, double* const* out,
                          VstInt32 frames) {
    if (paramsChanged) updateParameters();
    if (!in || !out || !in[0] || !in[1] || !out[0] || !out[1] || frames <= 0) return true;
    RoundingGuard towardZero(FE_TOWARDZERO);
    if (warmOn) {
        if (clipOn)
            runSamples<true, true>(in, out, frames);
        else
            runSamples<true, false>(in, out, frames);
    } else {
        if (clipOn)
            runSamples<false, true>(in, out, frames);
        else
            runSamples<false, false>(in, out, frames);
    }
    return true;
}

namespace {

// One step of a one-pole smoother. Once a step leaves the value unchanged it
// stays unchanged while target and k hold, so settled smoothers may be skipped
// without changing a bit. (Under round-toward-zero a smoother approaching from
// below settles a little short of its target.)
inline double smooth(double value, double target, double k) { return value + (target - value) * k; }

}  // namespace

bool Orvalt::equalizerSettled() const {
    const double k = smoothingCoefficient;
    for (const BassEq& eq : bassEq) {
        if (eq.k0Smoothed + (eq.k0 - eq.k0Smoothed) * k != eq.k0Smoothed) return false;
        if (eq.k1Smoothed + (eq.k1 - eq.k1Smoothed) * k != eq.k1Smoothed) return false;
        if (eq.gainSmoothed + (eq.gain - eq.gainSmoothed) * k != eq.gainSmoothed) return false;
    }
    return true;
}

[[gnu::always_inline]] inline void Orvalt::loadChannels(ChainStage::Channel (&channels)[2]) const {
    for (int c = 0; c < 2; ++c) {
        ChainStage::Channel& ch = channels[c];
        for (int i = 0; i < 4; ++i) {
            ch.up[i] = upsampler[c][i];
            ch.down[i] = downsampler[c][i];
        }
        ch.eq = bassEq[c];
        ch.satPrevIn = satPrevIn[c];
        ch.satPrevOut = satPrevOut[c];
        ch.dcPrevOut = dcPrevOut[c];
        ch.history1 = gainHistory1[c];
        ch.history2 = gainHistory2[c];
        ch.delay = limiterDelay[c];
        ch.envelope = clipEnvelope[c];
    }
}

[[gnu::always_inline]] inline void Orvalt::storeChannels(const ChainStage::Channel (&channels)[2]) {
    for (int c = 0; c < 2; ++c) {
        const ChainStage::Channel& ch = channels[c];
        for (int i = 0; i < 4; ++i) {
            upsampler[c][i] = ch.up[i];
            downsampler[c][i] = ch.down[i];
        }
        bassEq[c] = ch.eq;
        satPrevIn[c] = ch.satPrevIn;
        satPrevOut[c] = ch.satPrevOut;
        dcPrevOut[c] = ch.dcPrevOut;
        gainHistory1[c] = ch.history1;
        gainHistory2[c] = ch.history2;
        limiterDelay[c] = ch.delay;
        clipEnvelope[c] = ch.envelope;
    }
}

namespace {

// Both channels' values side by side in one register.
typedef double Pair __attribute__((vector_size(16)));

// The coefficients that hold for a whole block.
struct BlockConstants {
    double smoothing, dc, limitGain, attack, release;
    bool makeup;
};

// 2x oversampled: upsample (s0 from branch A, s1 from branch B), equalize,
// saturate and block DC at the doubled rate, downsample. Stage by stage for
// both channels, so their independent recursions overlap in the processor.
[[gnu::always_inline]] inline void warmStage(ChainStage::Channel (&ch)[2], const BlockConstants& k, double (&r)[2],
                      bool settledEqualizer) {
    double s[2][2], y[2][2];
    for (int c = 0; c < 2; ++c) {
        s[c][0] = ChainStage::branchA(ch[c].up, r[c]);
        s[c][1] = ChainStage::branchB(ch[c].up, r[c]);
    }
    for (int phase = 0; phase < 2; ++phase) {
        for (int c = 0; c < 2; ++c) {
            if (!settledEqualizer) ChainStage::glide(ch[c].eq, k.smoothing);
            const double e = ChainStage::peak(ch[c].eq, s[c][phase]);
            y[c][phase] = ChainStage::saturateAndBlock(e, ch[c].satPrevIn, ch[c].satPrevOut, ch[c].dcPrevOut, k.dc);
        }
    }
    for (int c = 0; c < 2; ++c)
        r[c] = 0.5 * (ChainStage::branchA(ch[c].down, y[c][1]) + ChainStage::branchB(ch[c].down, y[c][0]));
}

// Look-ahead clipper: u(n) = min(1, 0.99 / q(n)), and the delayed sample gets
// min(u(n-1), (u(n-2) + u(n)) / 2), so no output exceeds 0.99 / L (0.99 after make-up).
[[gnu::always_inline]] inline void clipStage(ChainStage::Channel (&ch)[2], const BlockConstants& k, float (&peak)[2], double (&m)[2],
                      double (&output)[2]) {
#pragma GCC unroll 2
    for (int c = 0; c < 2; ++c) {
        const double q = std::fabs(m[c]) * k.limitGain;
        double u, t;
        if (q < kCeiling) {
            u = 1.0;
            t = ChainStage::flush(ch[c].envelope * k.release);
        } else {  // also when q is NaN
            u = kCeiling / q;
            t = (ch[c].envelope - 1.0) * k.attack + 1.0;
        }
        ch[c].envelope = t;
        if (peak[c] < t) peak[c] = static_cast<float>(t);
        double a = 0.5 * (ch[c].history2 + u);
        if (a > ch[c].history1) a = ch[c].history1;
        output[c] = a * ch[c].delay;
        ch[c].delay = m[c];
        ch[c].history2 = ch[c].history1;
        ch[c].history1 = u;
        if (k.makeup) output[c] = output[c] * k.limitGain;
    }
}

}  // namespace

// The running state lives in locals for the block and is written back at its
// end; the meter peaks and counter go back before each hand-over, which reads them.
template <bool warm, bool clip>
[[gnu::noinline]] void Orvalt::runSamples(double* const* in, double* const* out, VstInt32 frames) {
    const BlockConstants k{smoothingCoefficient, dcCoefficient,      limitGain,
                           attackCoefficient,    releaseCoefficient, makeupOn};
    const double inputTarget = inputGainTarget;
    const double driveGoal = driveTarget;
    double gainIn = inputGain;
    double gainDrive = driveGain;
    // Targets and k hold for the whole block.
    const bool gainsSettled =
        smooth(gainIn, inputTarget, k.smoothing) == gainIn && smooth(gainDrive, driveGoal, k.smoothing) == gainDrive;
    const bool settledEqualizer = warm && equalizerSettled();
    ChainStage::Channel ch[2];
    loadChannels(ch);
    float peak[2] = {meterPeak[0], meterPeak[1]};
    int32_t counter = meterCounter;
    const int32_t period = meterPeriod;
    const double* const in0 = in[0];
    const double* const in1 = in[1];
    double* const out0 = out[0];
    double* const out1 = out[1];
    PlugCore::SharedBlock* meterTarget = nullptr;
    bool meterTargetKnown = false;
    for (VstInt32 i = 0; i < frames; ++i) {
        if (!gainsSettled) {
            gainIn = smooth(gainIn, inputTarget, k.smoothing);
            gainDrive = smooth(gainDrive, driveGoal, k.smoothing);
        }
        // Both inputs are read first, in case the host gave overlapping buffers.
        // The two channels share one instruction for the gain and one for the
        // drive division; each lane rounds exactly as the single operation would.
        const Pair scaled = Pair{in0[i], in1[i]} * Pair{gainIn, gainIn};
        double r[2] = {scaled[0], scaled[1]};
        if (warm) warmStage(ch, k, r, settledEqualizer);
        const Pair divided = Pair{r[0], r[1]} / Pair{gainDrive, gainDrive};
        double m[2] = {divided[0], divided[1]};
        double output[2];
        if (clip) {
            clipStage(ch, k, peak, m, output);
        } else {  // the stage always delays by one sample
            for (int c = 0; c < 2; ++c) {
                output[c] = ch[c].delay;
                ch[c].delay = m[c];
            }
        }
        out0[i] = output[0];
        out1[i] = output[1];
        if (counter < INT32_MAX) ++counter;  // saturates instead of overflowing
        // Without an editor there is nobody to hand over to.
        if (counter > period && (!meterTargetKnown || meterTarget)) {
            meterPeak[0] = peak[0];
            meterPeak[1] = peak[1];
            meterCounter = counter;
            meterHandOver(meterTarget, meterTargetKnown);
            peak[0] = meterPeak[0];
            peak[1] = meterPeak[1];
            counter = meterCounter;
        }
    }
    storeChannels(ch);
    meterPeak[0] = peak[0];
    meterPeak[1] = peak[1];
    meterCounter = counter;
    inputGain = gainIn;
    driveGain = gainDrive;
}

// Offers the clip peaks to the editor about every 20 ms. The audio side tries
// the editor's lock once and never waits for it. The editor object is fixed for
// the plug-in's life, so it is looked up once per block, when first needed.
// Called once meterCounter has passed meterPeriod.
[[gnu::noinline]] void Orvalt::meterHandOver(PlugCore::SharedBlock*& target, bool& targetKnown) {
    if (!targetKnown) {
        AEffEditor* editor = getEditor();
        target = editor ? dynamic_cast<PlugCore::SharedBlock*>(editor) : nullptr;
        targetKnown = true;
    }
    if (!target) return;
    if (target->tryLock()) {
        if (target->sharedTaken.load(std::memory_order_acquire)) {
            target->sharedTaken.store(false, std::memory_order_relaxed);
            const uint32_t bytes = target->sharedSize < sizeof meterPeak ? target->sharedSize : sizeof meterPeak;
            if (target->shared && bytes) std::memcpy(target->shared, meterPeak, bytes);
        }
        target->unlock();
        meterCounter = 0;
    }
    meterPeak[0] = meterPeak[0] * kMeterDecay;
    meterPeak[1] = meterPeak[1] * kMeterDecay;
}
