// The CLAP binary interface as this plug-in uses it: plain C structs of data
// and function pointers, written from the interface's published field order
// and values. The static_asserts pin every offset a host reads, for 64-bit
// (Linux, Windows) and 32-bit Windows builds alike.
#pragma once

#include <cstddef>
#include <cstdint>

extern "C" {

typedef uint32_t clap_id;
static const clap_id CLAP_INVALID_ID = UINT32_MAX;

struct clap_version_t {
    uint32_t major;
    uint32_t minor;
    uint32_t revision;
};

enum { CLAP_NAME_SIZE = 256, CLAP_PATH_SIZE = 1024 };

// --- plug-in, host, entry, factory ---
struct clap_plugin_descriptor_t {
    clap_version_t clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features;
};

struct clap_process_t;
typedef int32_t clap_process_status;
enum {
    CLAP_PROCESS_ERROR = 0,
    CLAP_PROCESS_CONTINUE = 1,
    CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
    CLAP_PROCESS_TAIL = 3,
    CLAP_PROCESS_SLEEP = 4
};

struct clap_plugin_t {
    const clap_plugin_descriptor_t* desc;
    void* plugin_data;
    bool (*init)(const clap_plugin_t* plugin);
    void (*destroy)(const clap_plugin_t* plugin);
    bool (*activate)(const clap_plugin_t* plugin, double sample_rate, uint32_t min_frames_count,
                     uint32_t max_frames_count);
    void (*deactivate)(const clap_plugin_t* plugin);
    bool (*start_processing)(const clap_plugin_t* plugin);
    void (*stop_processing)(const clap_plugin_t* plugin);
    void (*reset)(const clap_plugin_t* plugin);
    clap_process_status (*process)(const clap_plugin_t* plugin, const clap_process_t* process);
    const void* (*get_extension)(const clap_plugin_t* plugin, const char* id);
    void (*on_main_thread)(const clap_plugin_t* plugin);
};

struct clap_host_t {
    clap_version_t clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void* (*get_extension)(const clap_host_t* host, const char* extension_id);
    void (*request_restart)(const clap_host_t* host);
    void (*request_process)(const clap_host_t* host);
    void (*request_callback)(const clap_host_t* host);
};

struct clap_plugin_entry_t {
    clap_version_t clap_version;
    bool (*init)(const char* plugin_path);
    void (*deinit)(void);
    const void* (*get_factory)(const char* factory_id);
};

#define CLAP_PLUGIN_FACTORY_ID "clap.plugin-factory"
struct clap_plugin_factory_t {
    uint32_t (*get_plugin_count)(const clap_plugin_factory_t* factory);
    const clap_plugin_descriptor_t* (*get_plugin_descriptor)(const clap_plugin_factory_t* factory, uint32_t index);
    const clap_plugin_t* (*create_plugin)(const clap_plugin_factory_t* factory, const clap_host_t* host,
                                          const char* plugin_id);
};

// --- events ---
enum { CLAP_CORE_EVENT_SPACE_ID = 0 };
enum { CLAP_EVENT_IS_LIVE = 1 << 0, CLAP_EVENT_DONT_RECORD = 1 << 1 };
enum {
    CLAP_EVENT_NOTE_ON = 0,
    CLAP_EVENT_NOTE_OFF = 1,
    CLAP_EVENT_NOTE_CHOKE = 2,
    CLAP_EVENT_NOTE_END = 3,
    CLAP_EVENT_NOTE_EXPRESSION = 4,
    CLAP_EVENT_PARAM_VALUE = 5,
    CLAP_EVENT_PARAM_MOD = 6,
    CLAP_EVENT_PARAM_GESTURE_BEGIN = 7,
    CLAP_EVENT_PARAM_GESTURE_END = 8,
    CLAP_EVENT_TRANSPORT = 9,
    CLAP_EVENT_MIDI = 10,
    CLAP_EVENT_MIDI_SYSEX = 11,
    CLAP_EVENT_MIDI2 = 12
};

struct clap_event_header_t {
    uint32_t size;
    uint32_t time;
    uint16_t space_id;
    uint16_t type;
    uint32_t flags;
};

struct clap_event_param_value_t {
    clap_event_header_t header;
    clap_id param_id;
    void* cookie;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double value;
};

struct clap_event_param_gesture_t {
    clap_event_header_t header;
    clap_id param_id;
};

struct clap_event_midi_t {
    clap_event_header_t header;
    uint16_t port_index;
    uint8_t data[3];
};

typedef int64_t clap_beattime;
typedef int64_t clap_sectime;
struct clap_event_transport_t {
    clap_event_header_t header;
    uint32_t flags;
    clap_beattime song_pos_beats;
    clap_sectime song_pos_seconds;
    double tempo;
    double tempo_inc;
    clap_beattime loop_start_beats;
    clap_beattime loop_end_beats;
    clap_sectime loop_start_seconds;
    clap_sectime loop_end_seconds;
    clap_beattime bar_start;
    int32_t bar_number;
    uint16_t tsig_num;
    uint16_t tsig_denom;
};

struct clap_input_events_t {
    void* ctx;
    uint32_t (*size)(const clap_input_events_t* list);
    const clap_event_header_t* (*get)(const clap_input_events_t* list, uint32_t index);
};

struct clap_output_events_t {
    void* ctx;
    bool (*try_push)(const clap_output_events_t* list, const clap_event_header_t* event);
};

// --- process ---
struct clap_audio_buffer_t {
    float** data32;
    double** data64;
    uint32_t channel_count;
    uint32_t latency;
    uint64_t constant_mask;
};

struct clap_process_t {
    int64_t steady_time;
    uint32_t frames_count;
    const clap_event_transport_t* transport;
    const clap_audio_buffer_t* audio_inputs;
    clap_audio_buffer_t* audio_outputs;
    uint32_t audio_inputs_count;
    uint32_t audio_outputs_count;
    const clap_input_events_t* in_events;
    const clap_output_events_t* out_events;
};

// --- streams ---
struct clap_istream_t {
    void* ctx;
    int64_t (*read)(const clap_istream_t* stream, void* buffer, uint64_t size);
};
struct clap_ostream_t {
    void* ctx;
    int64_t (*write)(const clap_ostream_t* stream, const void* buffer, uint64_t size);
};

}  // extern "C"

// --- layout checks ---
namespace ClapFormat::layout {
constexpr bool wide = sizeof(void*) == 8;
constexpr size_t p = sizeof(void*);
static_assert(sizeof(clap_version_t) == 12);
static_assert(offsetof(clap_plugin_entry_t, init) == (wide ? 16 : 12) && sizeof(clap_plugin_entry_t) == (wide ? 40 : 24));
static_assert(offsetof(clap_plugin_descriptor_t, id) == (wide ? 16 : 12));
static_assert(offsetof(clap_plugin_descriptor_t, features) == (wide ? 80 : 44) && sizeof(clap_plugin_descriptor_t) == (wide ? 88 : 48));
static_assert(offsetof(clap_plugin_t, process) == 9 * p && sizeof(clap_plugin_t) == 12 * p);
static_assert(offsetof(clap_host_t, host_data) == (wide ? 16 : 12));
static_assert(offsetof(clap_host_t, request_callback) == (wide ? 80 : 44) && sizeof(clap_host_t) == (wide ? 88 : 48));
static_assert(sizeof(clap_plugin_factory_t) == 3 * p);
static_assert(sizeof(clap_event_header_t) == 16 && offsetof(clap_event_header_t, type) == 10);
static_assert(offsetof(clap_event_param_value_t, cookie) == (wide ? 24 : 20));
static_assert(offsetof(clap_event_param_value_t, note_id) == (wide ? 32 : 24));
static_assert(offsetof(clap_event_param_value_t, key) == (wide ? 40 : 32));
static_assert(offsetof(clap_event_param_value_t, value) == (wide ? 48 : 40) && sizeof(clap_event_param_value_t) == (wide ? 56 : 48));
static_assert(sizeof(clap_event_param_gesture_t) == 20);
static_assert(offsetof(clap_event_midi_t, data) == 18 && sizeof(clap_event_midi_t) == 24);
static_assert(offsetof(clap_event_transport_t, song_pos_beats) == 24 && offsetof(clap_event_transport_t, tempo) == 40);
static_assert(offsetof(clap_event_transport_t, bar_number) == 96 && sizeof(clap_event_transport_t) == 104);
static_assert(sizeof(clap_input_events_t) == 3 * p && sizeof(clap_output_events_t) == 2 * p);
static_assert(offsetof(clap_audio_buffer_t, channel_count) == 2 * p);
static_assert(offsetof(clap_audio_buffer_t, constant_mask) == (wide ? 24 : 16) && sizeof(clap_audio_buffer_t) == (wide ? 32 : 24));
static_assert(offsetof(clap_process_t, frames_count) == 8 && offsetof(clap_process_t, transport) == (wide ? 16 : 12));
static_assert(offsetof(clap_process_t, audio_inputs_count) == (wide ? 40 : 24));
static_assert(offsetof(clap_process_t, out_events) == (wide ? 56 : 36) && sizeof(clap_process_t) == (wide ? 64 : 40));
static_assert(sizeof(clap_istream_t) == 2 * p && sizeof(clap_ostream_t) == 2 * p);
}  // namespace ClapFormat::layout
