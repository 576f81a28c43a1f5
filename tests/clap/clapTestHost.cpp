#include "tests/clap/clapTestHost.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <poll.h>
#endif

#include <algorithm>
#include <cmath>
#include <chrono>
#include <cstring>

namespace claptest {
namespace {

// The library's clap_entry by the system's loader; null with the reason.
const void* loadEntry(std::string& failure) {
#ifdef _WIN32
    HMODULE library = LoadLibraryA(ORVALT_CLAP_BINARY);
    if (!library) {
        failure = "LoadLibraryA failed with error " + std::to_string(GetLastError());
        return nullptr;
    }
    return reinterpret_cast<const void*>(GetProcAddress(library, "clap_entry"));
#else
    void* library = dlopen(ORVALT_CLAP_BINARY, RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        failure = dlerror();
        return nullptr;
    }
    return dlsym(library, "clap_entry");
#endif
}

}  // namespace

const clap_plugin_entry_t* entry(std::string* error) {
    static std::string failure;
    static const clap_plugin_entry_t* loaded = [] () -> const clap_plugin_entry_t* {
        auto* e = static_cast<const clap_plugin_entry_t*>(loadEntry(failure));
        if (!failure.empty()) return nullptr;
        if (!e || !e->init || !e->init(ORVALT_CLAP_BINARY)) {
            failure = "no clap_entry, or its init refused";
            return nullptr;
        }
        return e;
    }();
    if (error) *error = failure;
    return loaded;
}

void EventList::add(const void* event, size_t size) {
    offsets.push_back(storage.size());
    const size_t words = (size + 7) / 8;
    storage.resize(storage.size() + words);
    std::memcpy(storage.data() + offsets.back(), event, size);
}

void EventList::param(uint32_t time, clap_id id, double value) {
    clap_event_param_value_t e{};
    e.header = {sizeof e, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
    e.param_id = id;
    e.note_id = -1;
    e.port_index = e.channel = e.key = -1;
    e.value = value;
    add(&e, sizeof e);
}

void EventList::midi(uint32_t time, uint8_t status, uint8_t data1, uint8_t data2) {
    clap_event_midi_t e{};
    e.header = {sizeof e, time, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_MIDI, 0};
    e.data[0] = status;
    e.data[1] = data1;
    e.data[2] = data2;
    add(&e, sizeof e);
}

uint32_t EventList::count(const clap_input_events_t* list) {
    return static_cast<uint32_t>(static_cast<const EventList*>(list->ctx)->offsets.size());
}

const clap_event_header_t* EventList::get(const clap_input_events_t* list, uint32_t index) {
    const auto* self = static_cast<const EventList*>(list->ctx);
    if (index >= self->offsets.size()) return nullptr;
    return reinterpret_cast<const clap_event_header_t*>(self->storage.data() + self->offsets[index]);
}

Instance::Instance(const char* id) {
    host.clap_version = {1, 2, 10};
    host.host_data = this;
    host.name = "claptest";
    host.vendor = host.url = host.version = "";
    host.get_extension = hostExtension;
    host.request_restart = host.request_process = host.request_callback = [](const clap_host_t*) {};
    const clap_plugin_entry_t* e = entry();
    if (!e) return;
    const auto* factory = static_cast<const clap_plugin_factory_t*>(e->get_factory(CLAP_PLUGIN_FACTORY_ID));
    if (!factory) return;
    plugin = factory->create_plugin(factory, &host, id);
    if (!plugin) return;
    initialised = plugin->init(plugin);
    params = extension<clap_plugin_params_t>(CLAP_EXT_PARAMS);
    state = extension<clap_plugin_state_t>(CLAP_EXT_STATE);
}

Instance::~Instance() {
    if (!plugin) return;
    deactivate();
    plugin->destroy(plugin);
}

const void* Instance::hostExtension(const clap_host_t*, const char* id) {
    static const clap_host_params_t hostParams{[](const clap_host_t*, clap_param_rescan_flags) {},
                                               [](const clap_host_t*, clap_id, clap_param_clear_flags) {},
                                               requestFlush};
    static const clap_host_timer_support_t timerSupport{
        [](const clap_host_t* h, uint32_t, clap_id* id) {
            static clap_id next = 1;
            of(h).timers.push_back(*id = next++);
            return true;
        },
        [](const clap_host_t* h, clap_id id) {
            auto& t = of(h).timers;
            const auto found = std::find(t.begin(), t.end(), id);
            if (found == t.end()) return false;
            t.erase(found);
            return true;
        }};
    static const clap_host_posix_fd_support_t fdSupport{
        [](const clap_host_t* h, int fd, clap_posix_fd_flags_t) {
            of(h).descriptors.push_back(fd);
            return true;
        },
        [](const clap_host_t*, int, clap_posix_fd_flags_t) { return true; },
        [](const clap_host_t* h, int fd) {
            auto& d = of(h).descriptors;
            const auto found = std::find(d.begin(), d.end(), fd);
            if (found == d.end()) return false;
            d.erase(found);
            return true;
        }};
    if (std::strcmp(id, CLAP_EXT_PARAMS) == 0) return &hostParams;
    if (std::strcmp(id, CLAP_EXT_TIMER_SUPPORT) == 0) return &timerSupport;
    if (std::strcmp(id, CLAP_EXT_POSIX_FD_SUPPORT) == 0) return &fdSupport;
    return nullptr;
}

#ifndef _WIN32
void Instance::pump(int ms) {
    const auto* onTimer = extension<clap_plugin_timer_support_t>(CLAP_EXT_TIMER_SUPPORT);
    const auto* onFd = extension<clap_plugin_posix_fd_support_t>(CLAP_EXT_POSIX_FD_SUPPORT);
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    auto nextTick = Clock::now();
    while (Clock::now() < end) {
        if (Clock::now() >= nextTick) {
            for (clap_id id : std::vector<clap_id>(timers)) onTimer->on_timer(plugin, id);
            nextTick += std::chrono::milliseconds(10);
        }
        std::vector<pollfd> watched;
        for (int fd : descriptors) watched.push_back({fd, POLLIN, 0});
        if (watched.empty() || poll(watched.data(), watched.size(), 2) <= 0) {
            if (watched.empty()) poll(nullptr, 0, 2);
            continue;
        }
        for (const pollfd& w : watched)
            if (w.revents) onFd->on_fd(plugin, w.fd, CLAP_POSIX_FD_READ);
    }
}
#endif

void Instance::requestFlush(const clap_host_t* host) { ++static_cast<Instance*>(host->host_data)->flushRequests; }

bool Instance::activate(double rate, uint32_t maxFrames) {
    active = plugin->activate(plugin, rate, 1, maxFrames);
    return active;
}

void Instance::deactivate() {
    if (active) plugin->deactivate(plugin);
    active = false;
}

namespace {
bool pushEvent(const clap_output_events_t* list, const clap_event_header_t* event) {
    auto& pushed = *static_cast<std::vector<OutEvent>*>(list->ctx);
    if (event->type == CLAP_EVENT_PARAM_VALUE) {
        const auto* e = reinterpret_cast<const clap_event_param_value_t*>(event);
        pushed.push_back({event->type, e->param_id, e->value});
    } else {
        const auto* e = reinterpret_cast<const clap_event_param_gesture_t*>(event);
        pushed.push_back({event->type, e->param_id, 0.0});
    }
    return true;
}
}  // namespace

clap_process_status Instance::process(float* const* in, float* const* out, uint32_t frames, const EventList& events) {
    clap_audio_buffer_t input{const_cast<float**>(in), nullptr, 2, 0, 0};
    clap_audio_buffer_t output{const_cast<float**>(out), nullptr, 2, 0, 0};
    const clap_output_events_t outEvents{&pushed, pushEvent};
    clap_process_t block{};
    block.steady_time = -1;
    block.frames_count = frames;
    block.audio_inputs = &input;
    block.audio_outputs = &output;
    block.audio_inputs_count = block.audio_outputs_count = 1;
    block.in_events = events.list();
    block.out_events = &outEvents;
    return plugin->process(plugin, &block);
}

void Instance::flush(const EventList& events) {
    const clap_output_events_t outEvents{&pushed, pushEvent};
    params->flush(plugin, events.list(), &outEvents);
}

double Instance::valueFor(clap_id id, const char* text) const {
    double value = NAN;
    return params->text_to_value(plugin, id, text, &value) ? value : NAN;
}

std::string Instance::textOf(clap_id id, double value) const {
    char text[64] = {};
    return params->value_to_text(plugin, id, value, text, sizeof text) ? text : "(refused)";
}

namespace {
struct Stream {
    std::vector<uint8_t>* bytes;
    size_t step, at, failAfter;
};
}  // namespace

bool Instance::save(std::vector<uint8_t>& bytes, size_t step) const {
    bytes.clear();
    Stream s{&bytes, step, 0, SIZE_MAX};
    const clap_ostream_t stream{&s, [](const clap_ostream_t* o, const void* buffer, uint64_t size) -> int64_t {
        auto& s = *static_cast<Stream*>(o->ctx);
        const size_t n = std::min<uint64_t>(size, s.step);
        s.bytes->insert(s.bytes->end(), static_cast<const uint8_t*>(buffer), static_cast<const uint8_t*>(buffer) + n);
        return static_cast<int64_t>(n);
    }};
    return state->save(plugin, &stream);
}

bool Instance::load(const std::vector<uint8_t>& bytes, size_t step, size_t failAfter) const {
    std::vector<uint8_t> copy = bytes;
    Stream s{&copy, step, 0, failAfter};
    const clap_istream_t stream{&s, [](const clap_istream_t* i, void* buffer, uint64_t size) -> int64_t {
        auto& s = *static_cast<Stream*>(i->ctx);
        if (s.at >= s.failAfter) return -1;
        const size_t n = std::min<uint64_t>({size, s.step, s.bytes->size() - s.at});
        if (n > 0) std::memcpy(buffer, s.bytes->data() + s.at, n);
        s.at += n;
        return static_cast<int64_t>(n);
    }};
    return state->load(plugin, &stream);
}

}  // namespace claptest
