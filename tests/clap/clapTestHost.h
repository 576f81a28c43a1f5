// A small CLAP host of our own: loads the built library with the system's
// loader, creates the plug-in through its factory, and drives it as a host
// does: activation, process calls with event lists, flush, and the state
// streams (which may move fewer bytes than asked, as real ones do).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "clap/clapExtensions.h"

namespace claptest {

// The library's entry, initialised once; null (with the reason) when it cannot load.
const clap_plugin_entry_t* entry(std::string* error = nullptr);

// Events for one process or flush call, in the order given.
class EventList {
public:
    void param(uint32_t time, clap_id id, double value);
    void midi(uint32_t time, uint8_t status, uint8_t data1, uint8_t data2);
    void clear() { storage.clear(), offsets.clear(); }
    const clap_input_events_t* list() const { return &record; }

private:
    void add(const void* event, size_t size);
    static uint32_t count(const clap_input_events_t* list);
    static const clap_event_header_t* get(const clap_input_events_t* list, uint32_t index);
    std::vector<uint64_t> storage;  // 8-byte aligned events
    std::vector<size_t> offsets;
    clap_input_events_t record{this, count, get};
};

// What the plug-in pushed to the host: type, parameter, value.
struct OutEvent {
    uint16_t type;
    clap_id param;
    double value;
    bool operator==(const OutEvent& o) const { return type == o.type && param == o.param && value == o.value; }
};

class Instance {
public:
    // Creates the plug-in with the given id and calls init.
    explicit Instance(const char* id = "com.quillmarsh.orvalt");
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    const clap_plugin_t* plugin = nullptr;
    bool initialised = false;
    const clap_plugin_params_t* params = nullptr;
    const clap_plugin_state_t* state = nullptr;

    template <typename T>
    const T* extension(const char* id) const {
        return static_cast<const T*>(plugin->get_extension(plugin, id));
    }

    bool activate(double rate, uint32_t maxFrames = 4096);
    void deactivate();
    // [audio thread] One block of frames from in to out (the same buffers
    // for in place); the plug-in's output events land in `pushed`.
    clap_process_status process(float* const* in, float* const* out, uint32_t frames, const EventList& events);
    void flush(const EventList& events);
    std::vector<OutEvent> pushed;

    // The parameter's 0..1 value for a typed text (NaN when refused), and its text.
    double valueFor(clap_id id, const char* text) const;
    std::string textOf(clap_id id, double value) const;

    // State through streams moving at most `step` bytes per call; a read
    // stream fails (-1) once `failAfter` bytes have been read, when given.
    bool save(std::vector<uint8_t>& bytes, size_t step = SIZE_MAX) const;
    bool load(const std::vector<uint8_t>& bytes, size_t step = SIZE_MAX, size_t failAfter = SIZE_MAX) const;

    // The host side: how often the plug-in asked for a flush, and the timers
    // and descriptors it registered (and has not unregistered).
    int flushRequests = 0;
    std::vector<clap_id> timers;
    std::vector<int> descriptors;
    // [UI thread] The host's loop for ms milliseconds: a watched descriptor
    // that becomes readable is handed back at once, timers every 10 ms.
    void pump(int ms);

private:
    static const void* hostExtension(const clap_host_t* host, const char* id);
    static void requestFlush(const clap_host_t* host);
    static Instance& of(const clap_host_t* host) { return *static_cast<Instance*>(host->host_data); }
    clap_host_t host{};
    bool active = false;
};

}  // namespace claptest
