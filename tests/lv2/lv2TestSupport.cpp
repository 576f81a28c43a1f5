#include "tests/lv2/lv2TestSupport.h"

#include <dlfcn.h>

#include <cstdlib>
#include <cstring>
#include <memory>

#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>

namespace lv2test {
namespace {

// The constructor reads the per-user defaults file; point it at an empty
// folder so no user file leaks into the tests.
struct FreshConfigFolder {
    FreshConfigFolder() {
        std::string folder = "/tmp/orvalt-lv2-test-XXXXXX";
        if (mkdtemp(folder.data())) setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    }
} freshConfigFolder;

}  // namespace

const LV2_Descriptor* descriptor() {
    static const LV2_Descriptor* loaded = [] () -> const LV2_Descriptor* {
        void* library = dlopen(ORVALT_LV2_BINARY, RTLD_NOW | RTLD_LOCAL);
        if (!library) return nullptr;
        auto entry = reinterpret_cast<const LV2_Descriptor* (*)(uint32_t)>(dlsym(library, "lv2_descriptor"));
        return entry ? entry(0) : nullptr;
    }();
    return loaded;
}

UridMap::UridMap() : map{this, mapUri}, mapFeature{LV2_URID__map, &map} {}

LV2_URID UridMap::id(const std::string& uri) {
    for (size_t i = 0; i < uris.size(); ++i)
        if (uris[i] == uri) return static_cast<LV2_URID>(i + 1);
    uris.push_back(uri);
    return static_cast<LV2_URID>(uris.size());
}

LV2_URID UridMap::mapUri(LV2_URID_Map_Handle handle, const char* uri) { return static_cast<UridMap*>(handle)->id(uri); }

Instance::Instance(UridMap* map, double rate, bool activateNow) : urids(map) {
    const LV2_Descriptor* d = descriptor();
    if (!d) return;
    const LV2_Feature* none[] = {nullptr};
    const LV2_Feature* withMap[] = {map ? map->feature() : nullptr, nullptr};
    handle = d->instantiate(d, rate, ORVALT_LV2_BUNDLE "/", map ? withMap : none);
    if (!handle) return;
    state = static_cast<const LV2_State_Interface*>(d->extension_data(LV2_STATE__interface));
    for (auto& c : in) c.assign(kMaxFrames, 0.0f);
    for (auto& c : out) c.assign(kMaxFrames, 0.0f);
    const Lv2Format::PortLayout layout(7, 2);
    // The port defaults, as a host sets them from the description.
    const float defaults[7] = {0.0f, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f};
    for (uint32_t i = 0; i < 7; ++i) {
        controls[i] = defaults[i];
        d->connect_port(handle, i, &controls[i]);
    }
    d->connect_port(handle, layout.latency(), &latency);
    d->connect_port(handle, layout.enabled(), &enabled);
    d->connect_port(handle, layout.lamp(0), &lamps[0]);
    d->connect_port(handle, layout.lamp(1), &lamps[1]);
    if (map) {
        d->connect_port(handle, layout.midiIn(), sequence);
        d->connect_port(handle, layout.notify(), notify);
    }
    if (activateNow) activate();
}

void Instance::activate() {
    if (active) return;
    descriptor()->activate(handle);
    active = true;
}

Instance::~Instance() {
    if (!handle) return;
    if (active) descriptor()->deactivate(handle);
    descriptor()->cleanup(handle);
}

void Instance::run(uint32_t frames, const std::vector<Midi>& midi, bool inPlace, const std::vector<Message>& messages) {
    const LV2_Descriptor* d = descriptor();
    const Lv2Format::PortLayout layout(7, 2);
    for (uint32_t c = 0; c < 2; ++c) {
        if (inPlace) std::copy(in[c].begin(), in[c].end(), out[c].begin());
        d->connect_port(handle, layout.audioIn(c), inPlace ? out[c].data() : in[c].data());
        d->connect_port(handle, layout.audioOut(c), out[c].data());
    }
    if (urids) {
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(sequence);
        seq->atom.type = urids->id(LV2_ATOM__Sequence);
        seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
        seq->body.unit = 0;
        seq->body.pad = 0;
        for (const Midi& m : midi) {
            auto* ev = reinterpret_cast<LV2_Atom_Event*>(reinterpret_cast<uint8_t*>(&seq->body) + seq->atom.size);
            ev->time.frames = m.frame;
            ev->body.type = urids->id(LV2_MIDI__MidiEvent);
            ev->body.size = 3;
            std::memcpy(ev + 1, m.bytes, 3);
            seq->atom.size += lv2_atom_pad_size(sizeof(LV2_Atom_Event) + 3);
        }
        for (const Message& m : messages) {
            auto* ev = reinterpret_cast<LV2_Atom_Event*>(reinterpret_cast<uint8_t*>(&seq->body) + seq->atom.size);
            ev->time.frames = 0;
            ev->body.type = urids->id("http://www.quillmarsh.com/lv2/Orvalt#" + m.type);
            ev->body.size = sizeof(int32_t);
            std::memcpy(ev + 1, &m.value, sizeof m.value);
            seq->atom.size += lv2_atom_pad_size(sizeof(LV2_Atom_Event) + sizeof(int32_t));
        }
        auto* out = reinterpret_cast<LV2_Atom_Sequence*>(notify);
        out->atom.type = 0;
        out->atom.size = sizeof notify - sizeof(LV2_Atom);  // the capacity, as hosts say it
    }
    if (aroundRun) aroundRun(true);
    d->run(handle, frames);
    if (aroundRun) aroundRun(false);
    notices.clear();
    if (urids) {
        const auto* out = reinterpret_cast<const LV2_Atom_Sequence*>(notify);
        if (out->atom.type != urids->id(LV2_ATOM__Sequence)) return;
        LV2_ATOM_SEQUENCE_FOREACH(out, ev) {
            Notice n{urids->uri(ev->body.type), {}};
            const auto* v = static_cast<const int32_t*>(LV2_ATOM_BODY_CONST(&ev->body));
            n.values.assign(v, v + ev->body.size / sizeof(int32_t));
            const std::string prefix = "http://www.quillmarsh.com/lv2/Orvalt#";
            if (n.type.rfind(prefix, 0) == 0) n.type = n.type.substr(prefix.size());
            notices.push_back(n);
        }
    }
}

namespace {

LV2_State_Status storeInto(LV2_State_Handle h, uint32_t key, const void* value, size_t size, uint32_t type, uint32_t) {
    auto* bytes = static_cast<const uint8_t*>(value);
    static_cast<StoredState*>(h)->properties[key] = {std::vector<uint8_t>(bytes, bytes + size), type};
    return LV2_STATE_SUCCESS;
}

const void* retrieveFrom(LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags) {
    const auto& properties = static_cast<const StoredState*>(h)->properties;
    auto found = properties.find(key);
    if (found == properties.end()) return nullptr;
    *size = found->second.bytes.size();
    *type = found->second.type;
    *flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    static const uint8_t nothing = 0;  // an empty value is still a value
    return found->second.bytes.empty() ? &nothing : found->second.bytes.data();
}

}  // namespace

LV2_State_Status Instance::save(StoredState& stored) {
    return state->save(handle, storeInto, &stored, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, nullptr);
}

LV2_State_Status Instance::restore(const StoredState& stored) {
    return state->restore(handle, retrieveFrom, const_cast<StoredState*>(&stored), 0, nullptr);
}

}  // namespace lv2test
