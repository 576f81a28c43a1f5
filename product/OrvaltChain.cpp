// Orvalt's signal chain, its design side: the rate- and parameter-dependent
// constants (always rounded to nearest, so every host gets the same ones) and
// the reset of the running state. The block loop is in OrvaltBlock.cpp.
#include <cfenv>
#include <cmath>
#include <cstdint>

#include "product/ChainMath.h"
#include "product/Orvalt.h"
#include "product/RoundingGuard.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kLn2 = 0.6931471805599453;
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

// [UI thread, suspended] The design always rounds to nearest, whatever mode the host's
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
    {
        RoundingGuard towardZero(FE_TOWARDZERO);  // the mode the envelope is computed in
        releaseFlushEdge = ChainStage::releaseFlushLimit(releaseCoefficient);
    }
    updateParameters();
}

// [any thread, one at a time] Targets only: the smoothers and the filter states carry on.
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
    bassEq = ChainStage::EqualizerTargets{k0, k1, gain};

    warmOn = cookedValue(kWarm) > 0.5f;
    clipOn = cookedValue(kClip) > 0.5f;
    makeupOn = cookedValue(kMakeup) > 0.5f;
}

void Orvalt::resetState() {
    chain = ChainStage::ChainState{};
    chain.bassEq.k0Smoothed = ChainStage::both(bassEq.k0);
    chain.bassEq.k1Smoothed = ChainStage::both(bassEq.k1);
    // The equalizer's gain and both gains (1 in a cleared state) glide from
    // unity toward their targets, not from the targets.
    chain.bassEq.gainSmoothed = ChainStage::both(1.0);
    meterCounter = 0;
}

