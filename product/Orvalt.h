// Orvalt: the stereo saturating clipper built on PlugCore::Plug.
#pragma once

#include "plugcore/Plug.h"
#include "plugcore/SharedBlock.h"
#include "product/ChainStages.h"

class Orvalt : public PlugCore::Plug {
public:
    enum ParamIndex { kInput = 0, kWarm, kLimit, kBass, kClip, kDrive, kMakeup, kNumParams };
    static constexpr VstInt32 kNumPrograms = 8;

    explicit Orvalt(audioMasterCallback audioMaster);
    ~Orvalt() override;

    // [UI thread, suspended] From resume.
    void sampleRateChanged() override;
    // [any thread, one at a time] From resume and on "all sound off".
    void resetState() override;
    // [audio thread]
    bool processBlock(bool paramsChanged, const PlugCore::BlockTiming* timing, double* const* in,
                      double* const* out, VstInt32 frames) override;
    // [any thread]
    void formatParameter(VstInt32 index, char* text, size_t textSize, float value) override;
    // [UI thread, suspended] The clipper's one sample of look-ahead.
    VstInt32 getLatency() override { return 1; }

    // Who this product is, in one place: what the framework tells hosts, users and the file system.
    static const PlugCore::ProductInfo& product();

private:
    friend struct OrvaltChainProbe;  // tests read the designed coefficients

    // [any thread, one at a time] After a cook on the audio thread, and from sampleRateChanged.
    void updateParameters();
    // The sample rate the design uses: the host's, with unusable values replaced.
    double chainRate();
    // The per-sample loop for one switch setting, both channels side by side;
    // kept out of line so nothing in it is computed before the rounding mode is set.
    // A short block (no more frames than the pipeline holds) runs on the state
    // in place; a longer one on a copy in registers.
    template <bool warm, bool clip, bool shortBlock>
    void runSamples(const double* const* in, double* const* out, VstInt32 frames);
    template <bool shortBlock>
    void runSwitched(const double* const* in, double* const* out, VstInt32 frames);
    bool equalizerSettled() const;
    // [audio thread] Offers meterPeak to the editor's block once meterCounter has passed the period.
    void meterHandOver(PlugCore::SharedBlock& target);

    double limitGain = 1.0;
    double inputGainTarget = 1.0;
    double driveTarget = 1.0;
    bool warmOn = false;
    bool clipOn = false;
    bool makeupOn = false;
    double dcCoefficient = 0.0;
    ChainStage::EqualizerTargets bassEq{};  // targets of both channels' equalizers
    ChainStage::ChainState chain{};         // all running state, both channels
    double attackCoefficient = 0.0;
    double releaseCoefficient = 0.0;
    double releaseFlushEdge = __builtin_inf();  // releaseFlushLimit(releaseCoefficient) under round-toward-zero
    int32_t meterCounter = 0;
    int32_t meterPeriod = 0;
    double smoothingCoefficient = 0.0;
    float meterPeak[2] = {};
};
