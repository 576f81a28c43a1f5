// Loading, creating, opening and closing: what every host does before and
// after any audio, many times over and with instances side by side.
#include "tools/validator/check.h"
#include "tools/validator/rig.h"

#include <cstdio>
#include <random>

namespace validator {
namespace {

std::string flagList(VstInt32 flags) {
    static const struct {
        VstInt32 bit;
        const char* name;
    } names[] = {{effFlagsHasEditor, "editor"},          {effFlagsCanReplacing, "replacing"},
                 {effFlagsProgramChunks, "chunks"},      {effFlagsIsSynth, "synth"},
                 {effFlagsCanDoubleReplacing, "double"}, {effFlagsNoSoundInStop, "no-sound-in-stop"}};
    std::string text;
    for (const auto& n : names)
        if (flags & n.bit) text += std::string(text.empty() ? "" : " ") + n.name;
    return text.empty() ? "none" : text;
}

CheckResult load(Context& context) {
    std::string error;
    auto rig = Rig::create(context, error);
    if (!rig) return failed(error);
    AEffect* e = rig->effect();
    if (e->numInputs < 0 || e->numInputs > 64 || e->numOutputs < 0 || e->numOutputs > 64)
        return failed("implausible channel counts: " + std::to_string(e->numInputs) + " in, " +
                      std::to_string(e->numOutputs) + " out");
    if (e->numParams < 0 || e->numPrograms < 0)
        return failed("negative parameter or program count");
    if (!e->processReplacing || !(e->flags & effFlagsCanReplacing))
        return failed("no processReplacing: a VST 2.4 plug-in must offer it and set effFlagsCanReplacing");
    if ((e->flags & effFlagsCanDoubleReplacing) && !e->processDoubleReplacing)
        return failed("effFlagsCanDoubleReplacing is set but processDoubleReplacing is null");
    if (!e->setParameter || !e->getParameter) return failed("null setParameter or getParameter function");
    char text[160];
    std::snprintf(text, sizeof text, "'%s' by '%s', id '%s', %d in, %d out, %d parameters, %d programs, flags: %s",
                  rig->plugin().effectName().c_str(), rig->plugin().vendorString().c_str(),
                  vsthost::fourCharText(e->uniqueID).c_str(), e->numInputs, e->numOutputs, e->numParams,
                  e->numPrograms, flagList(e->flags).c_str());
    return passed(text);
}

CheckResult openClose(Context& context) {
    std::string error;
    {
        auto rig = Rig::create(context, error);  // opened, closed again without audio
        if (!rig) return failed(error);
    }
    auto rig = Rig::createPrepared(context, error);
    if (!rig) return failed(error);
    Signal out = rig->render(inputSignal(*rig, 2048, 1), {512});
    std::string bad = firstNonFinite(out);
    if (!bad.empty()) return failed("output after open and switch-on has " + bad);
    rig->switchOff();
    rig->plugin().close();
    return passed("created, opened, switched on, processed, switched off, closed");
}

CheckResult createDestroy(Context& context) {
    const int cycles = context.count(100, 20);
    static const float rates[] = {44100.0f, 48000.0f, 96000.0f, 22050.0f};
    for (int i = 0; i < cycles; ++i) {
        std::string error;
        auto rig = Rig::create(context, error);
        if (!rig) return failed("cycle " + std::to_string(i) + ": " + error);
        if (i % 2 == 0) {  // every other instance also runs a little audio
            rig->prepare(rates[i / 2 % 4], 256);
            Signal out = rig->render(inputSignal(*rig, 256, i), {256});
            std::string bad = firstNonFinite(out);
            if (!bad.empty()) return failed("cycle " + std::to_string(i) + ": output has " + bad);
            rig->switchOff();
        }
    }
    return passed(std::to_string(cycles) + " instances created and destroyed");
}

struct FirstLook {
    std::vector<float> parameters;
    std::vector<uint8_t> chunk;
    Signal output;
};

// What a host sees of a new instance: its parameters, its state and its sound.
FirstLook firstLook(Rig& rig) {
    FirstLook look;
    look.parameters = rig.parameters();
    if (rig.hasFlag(effFlagsProgramChunks)) look.chunk = rig.plugin().getChunk(false);
    rig.prepare(44100.0f, 512);
    look.output = rig.render(inputSignal(rig, 8192, 7), {512});
    return look;
}

std::string compareLooks(const FirstLook& a, const FirstLook& b) {
    if (a.parameters != b.parameters) return "the parameters start differently";
    if (a.chunk != b.chunk) return "the state chunk starts differently";
    Difference d = compareSignals(a.output, b.output);
    if (d.largest > 0) return "the same input sounds different (" + d.describe() + ")";
    return {};
}

// A warm instance (library already loaded, one instance used and closed) must
// start exactly like a cold one: nothing may leak from one instance to the next.
CheckResult coldWarmOpen(Context& context) {
    context.dropLibrary();
    std::string error;
    auto cold = Rig::create(context, error);
    if (!cold) return failed(error);
    FirstLook coldLook = firstLook(*cold);
    std::mt19937 random(context.options().seed);
    cold->randomizeParameters(random);  // disturbance the next instance must not see
    cold->render(inputSignal(*cold, 4096, 3), {512});
    cold.reset();

    auto warm = Rig::create(context, error);
    if (!warm) return failed("warm open: " + error);
    std::string difference = compareLooks(coldLook, firstLook(*warm));
    if (!difference.empty()) return failed("warm open differs from cold open: " + difference);
    warm.reset();

    context.dropLibrary();  // unloaded and loaded again
    auto reloaded = Rig::create(context, error);
    if (!reloaded) return failed("after reloading the library: " + error);
    difference = compareLooks(coldLook, firstLook(*reloaded));
    if (!difference.empty()) return failed("open after reloading the library differs: " + difference);
    return passed("cold, warm and reloaded instances start identically");
}

// Two instances processed block by block in turn give exactly what each gives
// alone: no shared signal state, no shared parameters.
CheckResult twoInstances(Context& context) {
    std::string error;
    std::mt19937 random(context.options().seed + 11);
    std::vector<float> settingsA, settingsB, readA, readB;  // as set, and as the plug-in reports them
    if (!reproducibleSettings(context, random, settingsA, error)) return skipped(error);
    if (!reproducibleSettings(context, random, settingsB, error)) return skipped(error);
    Signal inA, inB, aloneA, aloneB;
    {
        auto a = Rig::createPrepared(context, error);
        if (!a) return failed(error);
        a->setParameters(settingsA);
        readA = a->parameters();
        inA = inputSignal(*a, 16384, 21);
        aloneA = a->render(inA, {512});
        auto b = Rig::createPrepared(context, error);
        if (!b) return failed(error);
        b->setParameters(settingsB);
        readB = b->parameters();
        inB = inputSignal(*b, 16384, 22);
        for (float& x : inB.channels[0]) x *= -0.5f;
        aloneB = b->render(inB, {512});
    }
    auto a = Rig::createPrepared(context, error);
    auto b = Rig::createPrepared(context, error);
    if (!a || !b) return failed(error);
    a->setParameters(settingsA);
    b->setParameters(settingsB);
    Signal togetherA(a->outputCount(), inA.frames()), togetherB(b->outputCount(), inB.frames());
    for (int pos = 0; pos < inA.frames(); pos += 512) {
        Signal blockA(a->inputCount(), 512), blockB(b->inputCount(), 512);
        for (int c = 0; c < a->inputCount(); ++c)
            std::copy(inA.channels[c].begin() + pos, inA.channels[c].begin() + pos + 512, blockA.channels[c].begin());
        for (int c = 0; c < b->inputCount(); ++c)
            std::copy(inB.channels[c].begin() + pos, inB.channels[c].begin() + pos + 512, blockB.channels[c].begin());
        Signal outA = a->render(blockA, {512});
        Signal outB = b->render(blockB, {512});
        for (int c = 0; c < a->outputCount(); ++c)
            std::copy(outA.channels[c].begin(), outA.channels[c].end(), togetherA.channels[c].begin() + pos);
        for (int c = 0; c < b->outputCount(); ++c)
            std::copy(outB.channels[c].begin(), outB.channels[c].end(), togetherB.channels[c].begin() + pos);
    }
    Difference da = compareSignals(aloneA, togetherA), db = compareSignals(aloneB, togetherB);
    if (da.largest > 0) return failed("the first instance sounds different next to a second: " + da.describe());
    if (db.largest > 0) return failed("the second instance sounds different next to a first: " + db.describe());
    if (a->parameters() != readA || b->parameters() != readB)
        return failed("one instance's parameters changed the other's");
    return passed("interleaved instances match their solo runs exactly");
}

}  // namespace

void addLifecycleChecks(std::vector<Check>& list) {
    list.push_back({"load", "the library loads, its entry gives a sound VST 2.4 effect record", load});
    list.push_back({"open-close", "open, switch on, process, switch off, close", openClose});
    list.push_back({"create-destroy", "100 create/open/close cycles (20 quick), half of them with audio",
                    createDestroy});
    list.push_back({"cold-warm-open", "warm and reloaded instances start exactly like the first one",
                    coldWarmOpen});
    list.push_back({"two-instances", "two instances processed in turn match their solo runs", twoInstances});
}

}  // namespace validator
