// orvalt-compare: cost per stereo frame of Orvalt (three settings) and of two
// installed third-party VST 2.4 limiters, all through vsthost on the same
// signal and block sizes. Runs of every contender at every block size are
// interleaved and repeated, and the median is kept, so a busy machine disturbs
// every contender and every block size alike.
#include "tools/render/demoSignal.h"
#include "tools/vsthost/vsthost.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#ifndef ORVALT_DEFAULT_PLUGIN
#define ORVALT_DEFAULT_PLUGIN ""
#endif

namespace {

constexpr float sampleRate = 44100.0f;

struct Entry {
    std::string label;
    std::string path;
    std::vector<std::pair<int, float>> parameters;  // index, normalized value
    bool isOrvalt;
};

struct Contender {
    Entry entry;
    std::unique_ptr<vsthost::Plugin> plugin;
    int block;
    std::vector<double> nsPerFrame;  // one per repetition
};

bool exists(const std::string& path) {
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0;
}

// One pass over the whole signal; nanoseconds per stereo frame.
double timePass(vsthost::Plugin& plugin, std::vector<float>& left, std::vector<float>& right, int block) {
    std::vector<float> outLeft(static_cast<size_t>(block)), outRight(static_cast<size_t>(block));
    float* out[] = {outLeft.data(), outRight.data()};
    const size_t frames = left.size();
    auto start = std::chrono::steady_clock::now();
    for (size_t pos = 0; pos + static_cast<size_t>(block) <= frames; pos += static_cast<size_t>(block)) {
        float* in[] = {left.data() + pos, right.data() + pos};
        plugin.processReplacing(in, out, block);
    }
    auto elapsed = std::chrono::steady_clock::now() - start;
    size_t processed = frames / static_cast<size_t>(block) * static_cast<size_t>(block);
    return std::chrono::duration<double, std::nano>(elapsed).count() / static_cast<double>(processed);
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : 0.5 * (values[n / 2 - 1] + values[n / 2]);
}

}  // namespace

int main(int argc, char** argv) {
    std::string orvalt = ORVALT_DEFAULT_PLUGIN;
    int repetitions = 7;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--plugin") && i + 1 < argc) orvalt = argv[++i];
        else if (!std::strcmp(argv[i], "--reps") && i + 1 < argc) repetitions = std::max(1, std::atoi(argv[++i]));
        else {
            std::printf("usage: orvalt-compare [--plugin ORVALT.so] [--reps N]\n");
            return std::strcmp(argv[i], "--help") ? 2 : 0;
        }
    }
    if (!exists(orvalt)) {
        std::fprintf(stderr, "orvalt-compare: error: Orvalt plug-in not found (use --plugin PATH)\n");
        return 7;
    }

    render::AudioData demo = render::makeDemoSignal(sampleRate);
    std::vector<float> left(demo.channel[0].begin(), demo.channel[0].end());
    std::vector<float> right(demo.channel[1].begin(), demo.channel[1].end());

    // Orvalt's parameters: 1 warm, 4 clip (on above 0.5).
    const std::vector<Entry> lineup = {
        {"Orvalt, warm and clip off", orvalt, {{1, 0.0f}, {4, 0.0f}}, true},
        {"Orvalt, clip on", orvalt, {{1, 0.0f}, {4, 1.0f}}, true},
        {"Orvalt, warm and clip on", orvalt, {{1, 1.0f}, {4, 1.0f}}, true},
        {"ZaMaximX2", "/usr/lib/vst/ZaMaximX2-vst.so", {}, false},
        {"LSP Limiter Stereo", "/usr/lib/vst/lsp-plugins/limiter-stereo.so", {}, false},
    };

    std::printf("signal: %.1f s of stereo demo material at %.0f Hz, %d interleaved repetitions, median kept\n",
                render::demoSeconds, sampleRate, repetitions);
    // Every block size is timed in the same repetitions as the others, so a
    // change of load between sizes cannot pass for a cost that grows with the block.
    const int blocks[] = {1, 64, 512, 4096};
    std::vector<Contender> contenders;
    for (int block : blocks) {
        for (const Entry& c : lineup) {
            if (!exists(c.path)) {
                if (block == blocks[0]) std::printf("  (skipped %s: %s not installed)\n", c.label.c_str(), c.path.c_str());
                continue;
            }
            std::string error;
            auto library = vsthost::Library::load(c.path, error);
            auto plugin = library ? vsthost::Plugin::create(library, nullptr, error) : nullptr;
            if (!plugin) {
                std::fprintf(stderr, "orvalt-compare: error: %s\n", error.c_str());
                return 7;
            }
            plugin->host().calls().setRecording(false);
            plugin->open();
            plugin->configure(sampleRate, block);
            for (const auto& [index, value] : c.parameters) plugin->setParameter(index, value);
            plugin->switchOn();
            Contender ready{c, std::move(plugin), block, {}};
            timePass(*ready.plugin, left, right, block);  // warm-up: caches, lazy set-up, settling gains
            contenders.push_back(std::move(ready));
        }
    }
    for (int r = 0; r < repetitions; ++r)
        for (Contender& c : contenders) c.nsPerFrame.push_back(timePass(*c.plugin, left, right, c.block));

    for (int block : blocks) {
        std::printf("\nblock %d:\n", block);
        for (const Contender& c : contenders)
            if (c.block == block)
                std::printf("  %-28s %8.1f ns per stereo frame\n", c.entry.label.c_str(), median(c.nsPerFrame));
        for (const Contender& o : contenders) {
            if (!o.entry.isOrvalt || o.block != block) continue;
            for (const Contender& other : contenders) {
                if (other.entry.isOrvalt || other.block != block) continue;
                std::printf("  %-28s %6.2fx the cost of %s\n", o.entry.label.c_str(),
                            median(o.nsPerFrame) / median(other.nsPerFrame), other.entry.label.c_str());
            }
        }
    }
    for (Contender& c : contenders) c.plugin->switchOff();
    return 0;
}
