// One LV2 instance of the built bundle's binary, driven the way a host drives
// it: ports connected to fields here, a URID map when asked for, atom
// sequences of MIDI, and the state interface with an in-memory store.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include "lv2/lv2Description.h"

namespace lv2test {

// The bundle's descriptor, loaded once; null when the binary is missing.
const LV2_Descriptor* descriptor();

class UridMap {
public:
    UridMap();
    LV2_URID id(const std::string& uri);
    const std::string& uri(LV2_URID id) const { return uris[id - 1]; }
    const LV2_Feature* feature() { return &mapFeature; }

private:
    static LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri);
    std::vector<std::string> uris;
    LV2_URID_Map map;
    LV2_Feature mapFeature;
};

// A stored state: one property per key.
struct StoredState {
    struct Value {
        std::vector<uint8_t> bytes;
        uint32_t type;
    };
    std::map<uint32_t, Value> properties;
};

class Instance {
public:
    static constexpr uint32_t kMaxFrames = 4096;
    // map null: no feature at all.
    explicit Instance(UridMap* map, double rate = 44100.0, bool activate = true);
    ~Instance();
    bool valid() const { return handle != nullptr; }

    // Control ports by parameter index, in displayed units.
    float controls[7] = {};
    float enabled = 1.0f;
    float latency = -1.0f;
    float lamps[2] = {-1.0f, -1.0f};
    std::vector<float> in[2], out[2];

    void activate();
    // Runs frames of in[] into out[] (or in place when inPlace), with MIDI events
    // given as {frame, status, data1, data2}.
    struct Midi {
        int64_t frame;
        uint8_t bytes[3];
    };
    // Editor messages on the MIDI input: an atom of `type` with one int32 body.
    struct Message {
        std::string type;
        int32_t value;
    };
    void run(uint32_t frames, const std::vector<Midi>& midi = {}, bool inPlace = false,
             const std::vector<Message>& messages = {});
    // The notify output of the last run: each event's type and int32 values.
    struct Notice {
        std::string type;
        std::vector<int32_t> values;
    };
    std::vector<Notice> notices;

    // Called with true just before the plug-in's run and false just after.
    void (*aroundRun)(bool entering) = nullptr;

    LV2_State_Status save(StoredState& state);
    LV2_State_Status restore(const StoredState& state);

private:
    UridMap* urids;
    LV2_Handle handle = nullptr;
    const LV2_State_Interface* state = nullptr;
    alignas(8) uint8_t sequence[8192] = {};
    alignas(8) uint8_t notify[8192] = {};
    bool active = false;
};

}  // namespace lv2test
