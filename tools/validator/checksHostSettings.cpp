// Host settings changed at awkward moments: while switched on, to zero,
// switching on and off between blocks, and audio before the first switch-on.
#include "tools/validator/check.h"
#include "tools/validator/rig.h"

#include <cstdio>
#include <vector>

namespace validator {
namespace {

CheckResult liveSettingChanges(Context& context) {
    std::string error;
    auto rig = Rig::createPrepared(context, error, 44100.0f, 512);
    if (!rig) return failed(error);
    const struct {
        float rate;
        int block;
    } steps[] = {{96000, 512}, {96000, 64}, {8000, 4096}, {192000, 1}, {48000, 2048}, {44100, 511}, {384000, 7}};
    int n = 0;
    for (const auto& s : steps) {
        // No effMainsChanged around the change, as some hosts do.
        rig->setSampleRate(s.rate);
        rig->setBlockSize(s.block);
        Signal out = rig->render(inputSignal(*rig, std::max(2048, 2 * s.block), ++n), {s.block});
        std::string bad = firstNonFinite(out);
        if (!bad.empty()) {
            char text[96];
            std::snprintf(text, sizeof text, "after switching to %g Hz and %d frames while on: ", s.rate, s.block);
            return failed(text + bad);
        }
    }
    return passed("7 rate and block-size changes without switching off, all output finite");
}

CheckResult zeroRateAndBlock(Context& context) {
    std::string error;
    auto rig = Rig::createPrepared(context, error, 44100.0f, 512);
    if (!rig) return failed(error);
    rig->render(inputSignal(*rig, 1024, 1), {512});
    rig->suspend();
    rig->setSampleRate(0.0f);
    rig->setBlockSize(0);
    rig->resume();
    std::vector<float> spare(128 * 8, 0.0f);  // real buffers, so only the length is unusual
    float* ins[64];
    float* outs[64];
    for (int c = 0; c < 64; ++c) {
        ins[c] = &spare[c * 8];
        outs[c] = &spare[(64 + c) * 8];
    }
    rig->processFloat(ins, outs, 0);  // a zero-length block
    rig->suspend();
    rig->plugin().dispatch(effSetBlockSizeAndSampleRate, 0, 0, nullptr, 0.0f);
    rig->resume();
    rig->suspend();
    rig->prepare(44100.0f, 512);
    Signal out = rig->render(inputSignal(*rig, 8192, 2), {512});
    std::string bad = firstNonFinite(out);
    if (!bad.empty()) return failed("after a sample rate and block size of 0, back at 44100 Hz: " + bad);
    return passed("rate 0, block size 0 and a 0-frame block survived; normal audio afterwards");
}

CheckResult mainsToggle(Context& context) {
    std::string error;
    auto rig = Rig::createPrepared(context, error, 44100.0f, 256);
    if (!rig) return failed(error);
    const int rounds = context.count(50, 10);
    for (int i = 0; i < rounds; ++i) {
        Signal out = rig->render(inputSignal(*rig, 256, i), {256});
        std::string bad = firstNonFinite(out);
        if (!bad.empty()) return failed("round " + std::to_string(i) + ": " + bad);
        rig->suspend();
        if (i % 5 == 0) rig->suspend();  // twice in a row
        rig->resume();
        if (i % 7 == 0) rig->resume();
    }
    return passed(std::to_string(rounds) + " switch-off/on rounds between blocks");
}

CheckResult processBeforeResume(Context& context) {
    std::string error;
    auto rig = Rig::create(context, error);  // opened, nothing else
    if (!rig) return failed(error);
    Signal in = testSignal(rig->inputCount(), 256, 44100.0, 5);
    Signal out = rig->render(in, {256});
    std::string note = firstNonFinite(out).empty() ? "finite output" : "output not finite (" + firstNonFinite(out) + ")";
    if (rig->hasFlag(effFlagsCanDoubleReplacing)) rig->renderDouble(convertSignal<double>(in), {256});
    rig->prepare(44100.0f, 256);
    Signal after = rig->render(in, {256});
    std::string bad = firstNonFinite(after);
    if (!bad.empty()) return failed("after processing unprepared, then switching on: " + bad);
    return passed("no crash; before switch-on: " + note);
}

}  // namespace

void addHostSettingChecks(std::vector<Check>& list) {
    list.push_back({"live-setting-changes", "rate and block size changed while switched on", liveSettingChanges});
    list.push_back({"zero-rate-block", "a sample rate and block size of 0 and a 0-frame block do no harm",
                    zeroRateAndBlock});
    list.push_back({"mains-toggle", "switching off and on between blocks", mainsToggle});
    list.push_back({"process-before-resume", "audio before the first switch-on does not crash",
                    processBeforeResume});
}

}  // namespace validator
