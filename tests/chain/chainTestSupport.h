// Shared helpers of the signal-chain tests: an Orvalt driven directly, a
// deterministic random source, block runners for both precisions, tone
// measurement, and a probe into the chain's private state.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

#include "product/Orvalt.h"

// Read access to the chain's private members (a friend of Orvalt).
struct OrvaltChainProbe {
    explicit OrvaltChainProbe(const Orvalt& plugin) : o(plugin) {}
    double limitGain() const { return o.limitGain; }
    double inputGainTarget() const { return o.inputGainTarget; }
    double driveTarget() const { return o.driveTarget; }
    double inputGain() const { return o.chain.inputGain; }
    double driveGain() const { return o.chain.driveGain; }
    bool warmOn() const { return o.warmOn; }
    bool clipOn() const { return o.clipOn; }
    bool makeupOn() const { return o.makeupOn; }
    double dcCoefficient() const { return o.dcCoefficient; }
    double attackCoefficient() const { return o.attackCoefficient; }
    double releaseCoefficient() const { return o.releaseCoefficient; }
    double smoothingCoefficient() const { return o.smoothingCoefficient; }
    int32_t meterPeriod() const { return o.meterPeriod; }
    int32_t meterCounter() const { return o.meterCounter; }
    float meterPeak(int c) const { return o.meterPeak[c]; }
    double clipEnvelope(int c) const { return o.chain.clipEnvelope[c]; }
    // One channel's equalizer: the designed targets, the smoothed values, the lattice.
    struct BassEq {
        double k0, k1, k0Smoothed, k1Smoothed, gain, gainSmoothed, z1, z2;
    };
    BassEq bassEq(int c) const;
    // The recursive states that reach exactly 0 in silence: the upsampler
    // sections, the equalizer lattice, the saturator input and the envelopes.
    std::vector<double> silencedState() const;
    double limiterDelay(int c) const { return o.chain.limiterDelay[c]; }
    // Every running value of the chain in a fixed order: per channel the
    // upsampler and downsampler sections (x1, y1 in the order A1, A2, B1, B2),
    // the equalizer (k0Smoothed, k1Smoothed, gainSmoothed, z1, z2), satPrevIn,
    // satPrevOut, dcPrevOut, gainHistory1, gainHistory2, limiterDelay,
    // clipEnvelope and meterPeak; then inputGain, driveGain and meterCounter.
    std::vector<double> fullState() const;

private:
    const Orvalt& o;
};

// Deterministic on every build (xorshift64*), unlike the standard distributions.
class TestRandom {
public:
    explicit TestRandom(uint64_t seed) : state(seed ? seed : 1) {}
    uint64_t next();
    double uniform();          // [0, 1)
    double symmetric();        // [-1, 1)
    int below(int limit);      // [0, limit)

private:
    uint64_t state;
};

struct Stereo {
    std::vector<double> left;
    std::vector<double> right;
    size_t size() const { return left.size(); }
};

// Orvalt at the given rate and block size; parameters set, not yet resumed.
std::unique_ptr<Orvalt> makeOrvalt(float rate = 44100.0f, VstInt32 blockSize = 512,
                                   std::initializer_list<std::pair<int, float>> parameters = {});
void setParameters(Orvalt& plugin, std::initializer_list<std::pair<int, float>> parameters);

// The signal in consecutive blocks through the double / single precision entry.
Stereo runDouble(Orvalt& plugin, const Stereo& input, VstInt32 blockSize);
Stereo runFloat(Orvalt& plugin, const Stereo& input, VstInt32 blockSize);

Stereo sineSignal(double frequency, double amplitude, double rate, size_t frames);
Stereo noiseSignal(TestRandom& random, double amplitude, size_t frames);

// Amplitude of one sinusoid measured by correlation over [start, start + count);
// exact when the window holds a whole number of periods.
double toneAmplitude(const std::vector<double>& x, size_t start, size_t count, double frequency, double rate);

double decibels(double ratio);
