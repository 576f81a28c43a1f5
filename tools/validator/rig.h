// One plug-in instance set up the way a host uses it: created and opened,
// with its own host, and processing helpers that feed whole signals through
// it in blocks. All audio-thread entry points pass through the context's
// process observer.
#pragma once

#include "tools/validator/context.h"
#include "tools/validator/signal.h"

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace validator {

class Rig {
public:
    // [UI thread] Creates an instance through the library's entry and opens
    // it; null with a reason when the library or the entry fails.
    static std::unique_ptr<Rig> create(Context& context, std::string& error);
    // Creates, opens and prepares (sample rate, block size, switched on).
    static std::unique_ptr<Rig> createPrepared(Context& context, std::string& error, float sampleRate = 44100.0f,
                                               int blockSize = 512);

    vsthost::Plugin& plugin() { return *hostedPlugin; }
    AEffect* effect() { return hostedPlugin->effect(); }
    int inputCount() const { return inputChannels; }
    int outputCount() const { return outputChannels; }
    int blockSize() const { return currentBlockSize; }
    float sampleRate() const { return currentSampleRate; }
    bool hasFlag(VstInt32 flag) const { return (effectFlags & flag) != 0; }

    // [UI thread] Host settings, each one dispatcher call whatever the state
    // (for trying the orders other hosts use).
    void setSampleRate(float rate);
    void setBlockSize(int frames);
    void suspend() { hostedPlugin->suspend(); }
    void resume() { hostedPlugin->resume(); }
    // [UI thread] The steps of a careful host: rate and size told while
    // switched off, then switched on (with effStartProcess); switched off.
    void prepare(float rate, int frames);
    void switchOff() { hostedPlugin->switchOff(); }

    // [audio thread] The raw entry points, each inside the observer's gate.
    void processFloat(float** inputs, float** outputs, int frames);
    bool processDouble(double** inputs, double** outputs, int frames);  // false when unsupported
    void sendEvents(VstEvents* events);

    // [audio thread] Feeds in through the plug-in in blocks whose lengths
    // cycle through blockSizes; outputs start as NaN, so samples the plug-in
    // leaves unwritten show up. in-place hands the plug-in the same buffers
    // for input and output. The input must have inputCount() channels.
    Signal render(const Signal& in, const std::vector<int>& blockSizes, bool inPlace = false);
    SignalD renderDouble(const SignalD& in, const std::vector<int>& blockSizes, bool inPlace = false);

    // [any thread] Parameters.
    std::vector<float> parameters();
    void setParameters(const std::vector<float>& values);
    std::vector<float> randomizeParameters(std::mt19937& random);

private:
    Rig() = default;
    Context* checkContext = nullptr;
    std::unique_ptr<vsthost::Plugin> hostedPlugin;
    int inputChannels = 0;
    int outputChannels = 0;
    VstInt32 effectFlags = 0;
    int currentBlockSize = 0;
    float currentSampleRate = 0.0f;
};

// Comparisons between instances need settings under which two fresh
// instances give identical output for the same input. Tries random settings
// first, then the defaults (an empty list); false when neither reproduces
// (dither or other randomness per instance), with a reason in why.
bool reproducibleSettings(Context& context, std::mt19937& random, std::vector<float>& settings, std::string& why);

// A signal with the plug-in's input channel count.
Signal inputSignal(Rig& rig, int frames, uint32_t seed);

}  // namespace validator
