// Damaged state: truncated, bit-flipped and random chunks, as found in old or
// broken project files. The plug-in may complain; it must not crash, and it
// must keep working and load a good chunk afterwards.
#include "tools/validator/check.h"
#include "tools/validator/pluginChatter.h"
#include "tools/validator/rig.h"
#include "tools/validator/stateObservation.h"

#include <algorithm>
#include <iterator>
#include <random>

namespace validator {
namespace {

class ChunkFeeder {
public:
    ChunkFeeder(Rig& rig) : testRig(rig), testInput(inputSignal(rig, 256, 120)) {}

    // Loads bytes (never through a null pointer, even when empty); every 16th
    // load is followed by audio. Returns a problem or "".
    std::string load(const std::vector<uint8_t>& bytes, bool preset, const char* what) {
        std::vector<uint8_t> copy = bytes;
        copy.push_back(0);  // a valid address even for 0 bytes
        testRig.plugin().dispatch(effSetChunk, preset ? 1 : 0, static_cast<VstIntPtr>(bytes.size()), copy.data());
        ++loadCount;
        if (loadCount % 16 != 0) return {};
        return afterLoad(what);
    }

    std::string afterLoad(const char* what) {
        std::string bad = firstNonFinite(testRig.render(testInput, {256}));
        if (!bad.empty()) return std::string("after ") + what + ": output has " + bad;
        for (float v : testRig.parameters())
            if (!(v >= 0.0f && v <= 1.0f)) return std::string("after ") + what + ": a parameter reads " + std::to_string(v);
        return {};
    }

    int loads() const { return loadCount; }

private:
    Rig& testRig;
    Signal testInput;
    int loadCount = 0;
};

CheckResult stateFuzz(Context& context) {
    std::string error;
    auto rig = Rig::createPrepared(context, error, 44100.0f, 256);
    if (!rig) return failed(error);
    if (!rig->hasFlag(effFlagsProgramChunks)) return skipped("no effFlagsProgramChunks");
    scrambleState(*rig, context.options().seed + 5, "Fuzz");
    const std::vector<uint8_t> bank = rig->plugin().getChunk(false);
    const std::vector<uint8_t> preset = rig->plugin().getChunk(true);
    std::mt19937 random(context.options().seed + 1212);
    std::uniform_int_distribution<int> byte(0, 255);
    PluginChatter chatter;  // the complaints are expected
    ChunkFeeder feeder(*rig);
#if defined(_WIN32)
    // Every complaint is a real message box window here: the quick amount.
    const bool fewer = true;
#else
    const bool fewer = context.quick();
#endif
    const auto amount = [fewer](int full, int quick) { return fewer ? quick : full; };
    const int step = amount(1, 7);

    for (bool asPreset : {false, true}) {
        const std::vector<uint8_t>& good = asPreset ? preset : bank;
        for (size_t n = 0; n < good.size(); n += step) {
            std::string p = feeder.load(std::vector<uint8_t>(good.begin(), good.begin() + n), asPreset, "a truncated chunk");
            if (!p.empty()) return failed(p);
        }
        for (int n = 0; n < amount(400, 80) && !good.empty(); ++n) {
            std::vector<uint8_t> damaged = good;
            for (int k = 0, flips = 1 + n % 4; k < flips; ++k)
                damaged[random() % damaged.size()] ^= static_cast<uint8_t>(1u << (random() % 8));
            if (n % 3 == 0) damaged[random() % damaged.size()] = static_cast<uint8_t>(byte(random));
            if (n % 5 == 0) damaged.resize(random() % (damaged.size() + 1));
            std::string p = feeder.load(damaged, asPreset, "a damaged chunk");
            if (!p.empty()) return failed(p);
        }
    }
    for (int n = 0; n < amount(300, 60); ++n) {
        // Random bytes, half of them behind the good chunk's first bytes so
        // that they get past a header check.
        std::vector<uint8_t> junk(random() % 1200);
        for (auto& b : junk) b = static_cast<uint8_t>(byte(random));
        if (n % 2 == 0 && !bank.empty()) {
            size_t keep = std::min<size_t>(bank.size(), 8 + random() % 48);
            std::copy(bank.begin(), bank.begin() + keep, std::back_inserter(junk));
            std::rotate(junk.begin(), junk.end() - keep, junk.end());
        }
        std::string p = feeder.load(junk, n % 3 == 0, "a random chunk");
        if (!p.empty()) return failed(p);
    }
    std::string p = feeder.afterLoad("the last damaged chunk");
    if (!p.empty()) return failed(p);

    // The good state still loads completely.
    rig->plugin().setChunk(bank, false);
    std::vector<uint8_t> back = rig->plugin().getChunk(false);
    auto fresh = Rig::createPrepared(context, error);
    if (!fresh) return failed(error);
    fresh->plugin().setChunk(bank, false);
    if (back != fresh->plugin().getChunk(false))
        return failed("after the damaged chunks, a good bank chunk no longer loads like in a fresh instance");
    std::string said = chatter.summary();
    return passed(std::to_string(feeder.loads()) + " damaged chunks survived, good state loads afterwards" +
                  (said.empty() ? "" : "; plug-in said: " + said));
}

}  // namespace

void addStateFuzzChecks(std::vector<Check>& list) {
    list.push_back({"state-fuzz", "truncated, damaged and random chunks never crash; good state loads afterwards",
                    stateFuzz});
}

}  // namespace validator
