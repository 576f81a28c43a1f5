// Audio held in memory: two channels of doubles at one sample rate.
#pragma once

#include <cstddef>
#include <vector>

namespace render {

struct AudioData {
    double sampleRate = 44100.0;
    std::vector<double> channel[2];  // left, right; always the same length
    int sourceChannels = 2;          // channels in the file it came from (1: mono played on both)

    size_t frames() const { return channel[0].size(); }
    double seconds() const { return sampleRate > 0 ? static_cast<double>(frames()) / sampleRate : 0.0; }
    void resize(size_t frames) {
        channel[0].assign(frames, 0.0);
        channel[1].assign(frames, 0.0);
    }
};

}  // namespace render
