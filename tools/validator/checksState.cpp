// State through effGetChunk/effSetChunk: what a host stores in projects and
// preset files must bring back every parameter and program.
#include "tools/validator/check.h"
#include "tools/validator/pluginChatter.h"
#include "tools/validator/rig.h"
#include "tools/validator/stateObservation.h"

namespace validator {
namespace {

// Values may come back quantised to 16 bits, no coarser.
constexpr float valueTolerance = 5e-5f;

bool hasChunks(Context& context, std::string& error, bool& chunks) {
    auto rig = Rig::create(context, error);
    if (!rig) return false;
    chunks = rig->hasFlag(effFlagsProgramChunks);
    return true;
}

CheckResult stateRestore(Context& context) {
    std::string error;
    bool chunks = false;
    if (!hasChunks(context, error, chunks)) return failed(error);
    if (!chunks) return skipped("no effFlagsProgramChunks: hosts save the parameters one by one");
    const uint32_t seed = context.options().seed;

    auto original = Rig::createPrepared(context, error);
    if (!original) return failed(error);
    scrambleState(*original, seed + 1, "Saved");
    const std::vector<uint8_t> bank = original->plugin().getChunk(false);
    const std::vector<uint8_t> preset = original->plugin().getChunk(true);
    if (bank.empty()) return failed("effGetChunk gives no bank chunk");
    const StateObservation saved = observeState(*original, true);

    PluginChatter chatter;
    auto other = Rig::createPrepared(context, error);
    if (!other) return failed(error);
    scrambleState(*other, seed + 2, "Other");
    other->render(inputSignal(*other, 2048, 110), {512});
    other->plugin().setChunk(bank, false);
    other->render(inputSignal(*other, 2048, 111), {512});
    std::string problem = compareStates(saved, observeState(*other, true), valueTolerance);
    if (!problem.empty()) return failed("bank chunk loaded into a changed instance: " + problem);

    std::string presetNote = "no preset chunk";
    if (!preset.empty()) {
        auto third = Rig::createPrepared(context, error);
        if (!third) return failed(error);
        scrambleState(*third, seed + 3, "Other");
        third->plugin().setChunk(preset, true);
        StateObservation want = saved, got = observeState(*third, false);
        want.programNames.clear();  // a preset carries the live values only
        want.currentProgram = got.currentProgram;
        problem = compareStates(want, got, valueTolerance);
        if (!problem.empty()) return failed("preset chunk loaded into a changed instance: " + problem);
        presetNote = "preset chunk (" + std::to_string(preset.size()) + " bytes) restores the live values";
    }
    std::string said = chatter.summary();
    return passed("bank chunk (" + std::to_string(bank.size()) + " bytes) restores " +
                  std::to_string(saved.programNames.size()) + " program names and values and the live values; " +
                  presetNote + (said.empty() ? "" : "; plug-in said: " + said));
}

// Loads chunk into a fresh instance and asks for the same kind back.
std::vector<uint8_t> throughFreshInstance(Context& context, const std::vector<uint8_t>& chunk, bool preset,
                                          std::string& error) {
    auto rig = Rig::createPrepared(context, error);
    if (!rig) return {};
    rig->plugin().setChunk(chunk, preset);
    return rig->plugin().getChunk(preset);
}

std::string firstDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size()) return std::to_string(a.size()) + " bytes became " + std::to_string(b.size());
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) return "byte " + std::to_string(i) + " of " + std::to_string(a.size()) + " differs";
    return {};
}

// Once loaded, a state must be saved back byte for byte: otherwise every
// save and load of a project drifts.
CheckResult stateBytes(Context& context) {
    std::string error;
    bool chunks = false;
    if (!hasChunks(context, error, chunks)) return failed(error);
    if (!chunks) return skipped("no effFlagsProgramChunks");
    auto original = Rig::createPrepared(context, error);
    if (!original) return failed(error);
    scrambleState(*original, context.options().seed + 4, "Bytes");
    std::string notes;
    for (bool preset : {false, true}) {
        const char* kind = preset ? "preset" : "bank";
        std::vector<uint8_t> first = original->plugin().getChunk(preset);
        if (first.empty()) {
            if (!preset) return failed("effGetChunk gives no bank chunk");
            notes += "; no preset chunk";
            continue;
        }
        std::vector<uint8_t> again = original->plugin().getChunk(preset);
        std::string d = firstDifference(first, again);
        if (!d.empty()) return failed(std::string("asking twice for the ") + kind + " chunk: " + d);
        std::vector<uint8_t> second = throughFreshInstance(context, first, preset, error);
        if (!error.empty()) return failed(error);
        std::vector<uint8_t> third = throughFreshInstance(context, second, preset, error);
        if (!error.empty()) return failed(error);
        d = firstDifference(second, third);
        if (!d.empty())
            return failed(std::string("a loaded ") + kind + " chunk saved from a fresh instance and loaded again: " + d);
        d = firstDifference(first, second);
        notes += std::string("; ") + kind + " " + std::to_string(first.size()) + " bytes" +
                 (d.empty() ? " identical" : " settled after one load (first save vs reload: " + d + ")");
    }
    return passed("a loaded chunk is saved back byte for byte" + notes);
}

}  // namespace

void addStateChecks(std::vector<Check>& list) {
    list.push_back({"state-restore", "bank and preset chunks restore every parameter and program name",
                    stateRestore});
    list.push_back({"state-bytes", "a chunk loaded into a fresh instance gives the same chunk back", stateBytes});
}

}  // namespace validator
