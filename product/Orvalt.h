// Orvalt: the stereo saturating clipper built on PlugCore::Plug.
#pragma once

#include "plugcore/Plug.h"
#include "plugcore/SharedBlock.h"

namespace ChainStage {
struct Channel;
}

class Orvalt : public PlugCore::Plug {
public:
    enum ParamIndex { kInput = 0, kWarm, kLimit, kBass, kClip, kDrive, kMakeup, kNumParams };
    static constexpr VstInt32 kNumPrograms = 8;

    explicit Orvalt(audioMasterCallback audioMaster);
    ~Orvalt() override;

    // [audio thread]
    void sampleRateChanged() override;
    void resetState() override;
    bool processBlock(bool paramsChanged, const PlugCore::BlockTiming* timing, double* const* in,
                      double* const* out, VstInt32 frames) override;
    // [any thread]
    void formatParameter(VstInt32 index, char* text, size_t textSize, float value) override;
    VstInt32 getLatency() override { return 1; }

    // Who this product is, in one place: what the framework tells hosts, users and the file system.
    static const PlugCore::ProductInfo& product();

    // One first-order allpass section's state.
    struct Allpass {
        double x1;
        double y1;
    };
    // The bass peaking equalizer of one channel.
    struct BassEq {
        double k0, k1, k0Smoothed, k1Smoothed, gain, gainSmoothed, z1, z2;
    };

private:
    friend struct OrvaltChainProbe;  // tests read the designed coefficients

    void updateParameters();
    // The sample rate the design uses: the host's, with unusable values replaced.
    double chainRate();
    // The per-sample loop for one switch setting, both channels side by side;
    // kept out of line so nothing in it is computed before the rounding mode is set.
    template <bool warm, bool clip>
    void runSamples(double* const* in, double* const* out, VstInt32 frames);
    bool equalizerSettled() const;
    // The block's working copy of the running state, and its write-back.
    void loadChannels(ChainStage::Channel (&channels)[2]) const;
    void storeChannels(const ChainStage::Channel (&channels)[2]);
    // Offers meterPeak to the editor once meterCounter has passed the period.
    void meterHandOver(PlugCore::SharedBlock*& target, bool& targetKnown);

    double limitGain = 1.0;
    double inputGainTarget = 1.0;
    double driveTarget = 1.0;
    double inputGain = 1.0;
    double driveGain = 1.0;
    bool warmOn = false;
    bool clipOn = false;
    bool makeupOn = false;
    double satPrevIn[2] = {};
    double satPrevOut[2] = {};
    double dcPrevOut[2] = {};
    double dcCoefficient = 0.0;
    Allpass upsampler[2][4] = {};
    Allpass downsampler[2][4] = {};
    BassEq bassEq[2] = {};
    double gainHistory1[2] = {};
    double gainHistory2[2] = {};
    double limiterDelay[2] = {};
    double clipEnvelope[2] = {};
    double attackCoefficient = 0.0;
    double releaseCoefficient = 0.0;
    int32_t meterCounter = 0;
    int32_t meterPeriod = 0;
    double smoothingCoefficient = 0.0;
    float meterPeak[2] = {};
};
