// MIDI input of any content: random event lists and every status byte with
// the controller numbers that plug-ins treat specially.
#include "tools/validator/check.h"
#include "tools/validator/midiEvents.h"
#include "tools/validator/rig.h"

#include <random>

namespace validator {
namespace {

class EventPlayer {
public:
    EventPlayer(Rig& rig, int maxFrames) : testRig(rig), testInput(inputSignal(rig, maxFrames, 130)) {}

    // One block of frames with the list sent just before it; "" or a problem.
    std::string play(RawEventList& events, int frames) {
        testRig.sendEvents(events.get());
        Signal block(testRig.inputCount(), frames);
        for (int c = 0; c < testRig.inputCount(); ++c)
            std::copy(testInput.channels[c].begin(), testInput.channels[c].begin() + frames, block.channels[c].begin());
        std::string bad = firstNonFinite(testRig.render(block, {frames}));
        ++blockCount;
        return bad.empty() ? "" : "block " + std::to_string(blockCount) + " with " + std::to_string(events.size()) +
                                      " events: " + bad;
    }
    int blocks() const { return blockCount; }

private:
    Rig& testRig;
    Signal testInput;
    int blockCount = 0;
};

CheckResult midiFuzz(Context& context) {
    std::string error;
    auto rig = Rig::createPrepared(context, error, 44100.0f, 512);
    if (!rig) return failed(error);
    EventPlayer player(*rig, 512);
    RawEventList events;
    std::mt19937 random(context.options().seed + 1313);

    // Every status byte with the interesting controller numbers and values.
    const uint8_t firstBytes[] = {0, 1, 6, 7, 32, 38, 63, 64, 96, 98, 99, 100, 101, 120, 121, 122, 123, 127, 200};
    const uint8_t secondBytes[] = {0, 1, 64, 127, 255};
    for (int status = 0x80; status <= 0xFF; ++status) {
        events.clear();
        int frame = 0;
        for (uint8_t d1 : firstBytes)
            for (uint8_t d2 : secondBytes) events.addMidi(frame++ % 128, static_cast<uint8_t>(status), d1, d2);
        std::string p = player.play(events, 128);
        if (!p.empty()) return failed("status sweep, " + p);
    }
    // Random lists: 0 to 64 events, positions in order within the block.
    const int blocks = context.count(3000, 400);
    for (int n = 0; n < blocks; ++n) {
        const int frames = 1 + static_cast<int>(random() % 512);
        events.clear();
        for (VstInt32 at : randomPositions(static_cast<int>(random() % 65), frames, random)) events.addRandom(at, random);
        std::string p = player.play(events, frames);
        if (!p.empty()) return failed(p);
        if (n % 500 == 0) {  // reset the controllers now and then, as hosts do on stop
            events.clear();
            for (int ch = 0; ch < 16; ++ch) events.addMidi(0, static_cast<uint8_t>(0xB0 | ch), 121, 0);
            p = player.play(events, frames);
            if (!p.empty()) return failed(p);
        }
    }
    for (float v : rig->parameters())
        if (!(v >= 0.0f && v <= 1.0f)) return failed("after the MIDI input a parameter reads " + std::to_string(v));
    return passed(std::to_string(player.blocks()) + " blocks with random and systematic events, output finite");
}

}  // namespace

void addMidiChecks(std::vector<Check>& list) {
    list.push_back({"midi-fuzz", "random event lists (any bytes, SysEx, unknown types) never crash", midiFuzz});
}

}  // namespace validator
