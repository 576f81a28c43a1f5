// A small product on PlugCore::Plug that records what the frame hands it.
#pragma once

#include <cstdio>
#include <vector>

#include "plugcore/Plug.h"
#include "tests/support/testHosts.h"

struct RecordedBlock {
    bool paramsChanged;
    PlugCore::BlockTiming timing;
    double firstInput;  // in[0][0] of the sub-block
    VstInt32 frames;
};

struct RecordedCall {
    char kind;  // 'b' block, 'n' note on, 'f' note off, 'c' controller
    int a, b;
};

class TestPlug : public PlugCore::Plug {
public:
    // A product of another maker, so that nothing of Orvalt's identity can hide in the framework.
    static PlugCore::ProductInfo product() {
        PlugCore::ProductInfo p;
        p.name = "TestPlug";
        p.maker = "Fenwright";
        p.webHost = "fenwright.example";
        p.uniqueId = fourCharCode("tStP");
        p.version = 3;
        p.programCount = 2;
        p.paramCount = 3;
        return p;
    }

    explicit TestPlug(audioMasterCallback master = testhosts::quietHost, bool keepsTime = true,
                      const PlugCore::ProductInfo& info = product())
        : Plug(master, info), keepsTime(keepsTime) {
        initParameter(0, "alpha", "dB", 0.25f);
        initParameter(1, "beta", "", 0.5f);
        initParameter(2, "gamma", "", 1.0f);
    }

    void sampleRateChanged() override { ++rateChanges; }
    void resetState() override { ++resets; }
    bool processBlock(bool changed, const PlugCore::BlockTiming* timing, double* const* in, double* const* out,
                      VstInt32 frames) override {
        if (blocks.size() < blocks.capacity())
            blocks.push_back({changed, *timing, frames > 0 ? in[0][0] : 0.0, frames});
        if (calls.size() < calls.capacity()) calls.push_back({'b', frames, changed});
        for (VstInt32 i = 0; i < frames; ++i) {
            out[0][i] = in[0][i] * gain;
            out[1][i] = in[1][i] * gain;
        }
        return keepsTime;
    }
    void formatParameter(VstInt32 index, char* text, size_t size, float value) override {
        std::snprintf(text, size, "%d:%.3f", index, value);
    }
    void noteOn(VstInt32 note, VstInt32 velocity) override { calls.push_back({'n', note, velocity}); }
    void noteOff(VstInt32 note, VstInt32 velocity) override { calls.push_back({'f', note, velocity}); }

    using Plug::cookedValue;

    bool keepsTime;
    double gain = 1.0;
    int rateChanges = 0;
    int resets = 0;
    std::vector<RecordedBlock> blocks;
    std::vector<RecordedCall> calls;
};
