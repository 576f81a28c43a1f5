// Automation from a second thread while the audio thread processes, the way
// hosts play back automation and refresh generic editors.
#include "tools/validator/backgroundAudio.h"
#include "tools/validator/check.h"
#include "tools/validator/rig.h"
#include "tools/validator/textQuery.h"

#include <random>
#include <thread>

namespace validator {
namespace {

CheckResult automationThread(Context& context) {
    std::string error;
    auto rig = Rig::createPrepared(context, error, 44100.0f, 256);
    if (!rig) return failed(error);
    vsthost::Plugin& p = rig->plugin();
    const int count = p.numParams();
    if (count == 0) return skipped("no parameters");
    const int changes = context.count(20000, 3000);
    BackgroundAudio audio(*rig, 256);
    // This thread plays the host's automation and its UI thread at once.
    std::mt19937 random(context.options().seed + 1111);
    std::uniform_int_distribution<int> pick(0, count - 1);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int n = 0; n < changes; ++n) {
        const VstInt32 index = pick(random);
        p.setParameter(index, n % 50 == 0 ? float(n / 50 % 2) : unit(random));
        if (n % 4 == 0) askText(p, effGetParamDisplay, pick(random));
        if (n % 64 == 63) audio.waitForBlocks(1);  // spread the changes over many blocks
    }
    audio.waitForBlocks(4);  // a few more blocks after the last change
    audio.stop();
    const std::string audioProblem = audio.problem();
    if (!audioProblem.empty()) return failed("output during automation has " + audioProblem);
    for (VstInt32 i = 0; i < count; ++i) {
        float v = p.getParameter(i);
        if (!(v >= 0.0f && v <= 1.0f))
            return failed("parameter " + std::to_string(i) + " ends at " + std::to_string(v));
    }
    return passed(std::to_string(changes) + " changes and display reads from a second thread over " +
                  std::to_string(audio.blocks()) + " blocks");
}

}  // namespace

void addAutomationChecks(std::vector<Check>& list) {
    list.push_back({"automation-thread",
                    "random setParameter and display reads from a second thread while audio runs", automationThread});
}

}  // namespace validator
