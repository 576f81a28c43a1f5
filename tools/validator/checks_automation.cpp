// Automation from a second thread while the audio thread processes, the way
// hosts play back automation and refresh generic editors.
#include "tools/validator/check.h"
#include "tools/validator/rig.h"
#include "tools/validator/text_query.h"

#include <atomic>
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
    std::atomic<bool> done{false};
    std::atomic<int> blocks{0};
    std::string audioProblem;  // written by the audio thread only, read after join

    Signal in = inputSignal(*rig, 256, 100);
    std::thread audio([&] {
        while (!done.load(std::memory_order_acquire)) {
            Signal out = rig->render(in, {256});
            blocks.fetch_add(1, std::memory_order_relaxed);
            std::string bad = firstNonFinite(out);
            if (!bad.empty() && audioProblem.empty()) audioProblem = "block " + std::to_string(blocks) + ": " + bad;
        }
    });
    // This thread plays the host's automation and UI thread at once.
    std::mt19937 random(context.options().seed + 1111);
    std::uniform_int_distribution<int> pick(0, count - 1);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (int n = 0; n < changes; ++n) {
        const VstInt32 index = pick(random);
        p.setParameter(index, n % 50 == 0 ? float(n / 50 % 2) : unit(random));
        if (n % 4 == 0) askText(p, effGetParamDisplay, pick(random));
        if (n % 64 == 0) std::this_thread::yield();  // let the blocks interleave
    }
    // A few more blocks after the last change.
    const int seen = blocks.load();
    while (blocks.load() < seen + 4) std::this_thread::yield();
    done.store(true, std::memory_order_release);
    audio.join();
    if (!audioProblem.empty()) return failed("output during automation has " + audioProblem);
    for (VstInt32 i = 0; i < count; ++i) {
        float v = p.getParameter(i);
        if (!(v >= 0.0f && v <= 1.0f))
            return failed("parameter " + std::to_string(i) + " ends at " + std::to_string(v));
    }
    return passed(std::to_string(changes) + " changes and display reads from a second thread over " +
                  std::to_string(blocks.load()) + " blocks");
}

}  // namespace

void addAutomationChecks(std::vector<Check>& list) {
    list.push_back({"automation-thread",
                    "random setParameter and display reads from a second thread while audio runs", automationThread});
}

}  // namespace validator
