// The CLAP extensions this plug-in offers and the host extensions it asks
// for, declared from their published field order and values, with the
// offsets a host reads pinned for every build.
#pragma once

#include "clap/clapInterface.h"

extern "C" {

// --- parameters ---
#define CLAP_EXT_PARAMS "clap.params"
typedef uint32_t clap_param_info_flags;
enum {
    CLAP_PARAM_IS_STEPPED = 1 << 0,
    CLAP_PARAM_IS_PERIODIC = 1 << 1,
    CLAP_PARAM_IS_HIDDEN = 1 << 2,
    CLAP_PARAM_IS_READONLY = 1 << 3,
    CLAP_PARAM_IS_BYPASS = 1 << 4,
    CLAP_PARAM_IS_AUTOMATABLE = 1 << 5,
    CLAP_PARAM_REQUIRES_PROCESS = 1 << 15,
    CLAP_PARAM_IS_ENUM = 1 << 16
};
typedef uint32_t clap_param_rescan_flags;
typedef uint32_t clap_param_clear_flags;
enum { CLAP_PARAM_RESCAN_VALUES = 1 << 0, CLAP_PARAM_RESCAN_TEXT = 1 << 1, CLAP_PARAM_RESCAN_INFO = 1 << 2,
       CLAP_PARAM_RESCAN_ALL = 1 << 3 };

struct clap_param_info_t {
    clap_id id;
    clap_param_info_flags flags;
    void* cookie;
    char name[CLAP_NAME_SIZE];
    char module[CLAP_PATH_SIZE];
    double min_value;
    double max_value;
    double default_value;
};

struct clap_plugin_params_t {
    uint32_t (*count)(const clap_plugin_t* plugin);
    bool (*get_info)(const clap_plugin_t* plugin, uint32_t param_index, clap_param_info_t* param_info);
    bool (*get_value)(const clap_plugin_t* plugin, clap_id param_id, double* out_value);
    bool (*value_to_text)(const clap_plugin_t* plugin, clap_id param_id, double value, char* out_buffer,
                          uint32_t out_buffer_capacity);
    bool (*text_to_value)(const clap_plugin_t* plugin, clap_id param_id, const char* param_value_text,
                          double* out_value);
    void (*flush)(const clap_plugin_t* plugin, const clap_input_events_t* in, const clap_output_events_t* out);
};

struct clap_host_params_t {
    void (*rescan)(const clap_host_t* host, clap_param_rescan_flags flags);
    void (*clear)(const clap_host_t* host, clap_id param_id, clap_param_clear_flags flags);
    void (*request_flush)(const clap_host_t* host);
};

// --- state ---
#define CLAP_EXT_STATE "clap.state"
struct clap_plugin_state_t {
    bool (*save)(const clap_plugin_t* plugin, const clap_ostream_t* stream);
    bool (*load)(const clap_plugin_t* plugin, const clap_istream_t* stream);
};
struct clap_host_state_t {
    void (*mark_dirty)(const clap_host_t* host);
};

// --- latency, tail, render ---
#define CLAP_EXT_LATENCY "clap.latency"
struct clap_plugin_latency_t {
    uint32_t (*get)(const clap_plugin_t* plugin);
};
#define CLAP_EXT_TAIL "clap.tail"
struct clap_plugin_tail_t {
    uint32_t (*get)(const clap_plugin_t* plugin);
};
#define CLAP_EXT_RENDER "clap.render"
typedef int32_t clap_plugin_render_mode;
enum { CLAP_RENDER_REALTIME = 0, CLAP_RENDER_OFFLINE = 1 };
struct clap_plugin_render_t {
    bool (*has_hard_realtime_requirement)(const clap_plugin_t* plugin);
    bool (*set)(const clap_plugin_t* plugin, clap_plugin_render_mode mode);
};

// --- ports ---
#define CLAP_EXT_AUDIO_PORTS "clap.audio-ports"
#define CLAP_PORT_STEREO "stereo"
enum { CLAP_AUDIO_PORT_IS_MAIN = 1 << 0, CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1 << 1 };
struct clap_audio_port_info_t {
    clap_id id;
    char name[CLAP_NAME_SIZE];
    uint32_t flags;
    uint32_t channel_count;
    const char* port_type;
    clap_id in_place_pair;
};
struct clap_plugin_audio_ports_t {
    uint32_t (*count)(const clap_plugin_t* plugin, bool is_input);
    bool (*get)(const clap_plugin_t* plugin, uint32_t index, bool is_input, clap_audio_port_info_t* info);
};

#define CLAP_EXT_NOTE_PORTS "clap.note-ports"
enum { CLAP_NOTE_DIALECT_CLAP = 1 << 0, CLAP_NOTE_DIALECT_MIDI = 1 << 1, CLAP_NOTE_DIALECT_MIDI_MPE = 1 << 2,
       CLAP_NOTE_DIALECT_MIDI2 = 1 << 3 };
struct clap_note_port_info_t {
    clap_id id;
    uint32_t supported_dialects;
    uint32_t preferred_dialect;
    char name[CLAP_NAME_SIZE];
};
struct clap_plugin_note_ports_t {
    uint32_t (*count)(const clap_plugin_t* plugin, bool is_input);
    bool (*get)(const clap_plugin_t* plugin, uint32_t index, bool is_input, clap_note_port_info_t* info);
};

// --- editor ---
#define CLAP_EXT_GUI "clap.gui"
#define CLAP_WINDOW_API_WIN32 "win32"
#define CLAP_WINDOW_API_X11 "x11"
typedef unsigned long clap_xwnd;
typedef void* clap_hwnd;
struct clap_window_t {
    const char* api;
    union {
        void* cocoa;
        void* uikit;
        clap_xwnd x11;
        clap_hwnd win32;
        void* ptr;
    };
};
struct clap_gui_resize_hints_t {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    uint32_t aspect_ratio_width;
    uint32_t aspect_ratio_height;
};
struct clap_plugin_gui_t {
    bool (*is_api_supported)(const clap_plugin_t* plugin, const char* api, bool is_floating);
    bool (*get_preferred_api)(const clap_plugin_t* plugin, const char** api, bool* is_floating);
    bool (*create)(const clap_plugin_t* plugin, const char* api, bool is_floating);
    void (*destroy)(const clap_plugin_t* plugin);
    bool (*set_scale)(const clap_plugin_t* plugin, double scale);
    bool (*get_size)(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);
    bool (*can_resize)(const clap_plugin_t* plugin);
    bool (*get_resize_hints)(const clap_plugin_t* plugin, clap_gui_resize_hints_t* hints);
    bool (*adjust_size)(const clap_plugin_t* plugin, uint32_t* width, uint32_t* height);
    bool (*set_size)(const clap_plugin_t* plugin, uint32_t width, uint32_t height);
    bool (*set_parent)(const clap_plugin_t* plugin, const clap_window_t* window);
    bool (*set_transient)(const clap_plugin_t* plugin, const clap_window_t* window);
    void (*suggest_title)(const clap_plugin_t* plugin, const char* title);
    bool (*show)(const clap_plugin_t* plugin);
    bool (*hide)(const clap_plugin_t* plugin);
};
struct clap_host_gui_t {
    void (*resize_hints_changed)(const clap_host_t* host);
    bool (*request_resize)(const clap_host_t* host, uint32_t width, uint32_t height);
    bool (*request_show)(const clap_host_t* host);
    bool (*request_hide)(const clap_host_t* host);
    void (*closed)(const clap_host_t* host, bool was_destroyed);
};

#define CLAP_EXT_TIMER_SUPPORT "clap.timer-support"
struct clap_plugin_timer_support_t {
    void (*on_timer)(const clap_plugin_t* plugin, clap_id timer_id);
};
struct clap_host_timer_support_t {
    bool (*register_timer)(const clap_host_t* host, uint32_t period_ms, clap_id* timer_id);
    bool (*unregister_timer)(const clap_host_t* host, clap_id timer_id);
};

#define CLAP_EXT_POSIX_FD_SUPPORT "clap.posix-fd-support"
typedef uint32_t clap_posix_fd_flags_t;
enum { CLAP_POSIX_FD_READ = 1 << 0, CLAP_POSIX_FD_WRITE = 1 << 1, CLAP_POSIX_FD_ERROR = 1 << 2 };
struct clap_plugin_posix_fd_support_t {
    void (*on_fd)(const clap_plugin_t* plugin, int fd, clap_posix_fd_flags_t flags);
};
struct clap_host_posix_fd_support_t {
    bool (*register_fd)(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
    bool (*modify_fd)(const clap_host_t* host, int fd, clap_posix_fd_flags_t flags);
    bool (*unregister_fd)(const clap_host_t* host, int fd);
};

}  // extern "C"

namespace ClapFormat::layout {
static_assert(offsetof(clap_param_info_t, cookie) == 8 && offsetof(clap_param_info_t, name) == (wide ? 16 : 12));
static_assert(offsetof(clap_param_info_t, module) == (wide ? 272 : 268));
static_assert(offsetof(clap_param_info_t, min_value) == 1296 && sizeof(clap_param_info_t) == 1320);
static_assert(sizeof(clap_plugin_params_t) == 6 * p && sizeof(clap_host_params_t) == 3 * p);
static_assert(sizeof(clap_plugin_state_t) == 2 * p && sizeof(clap_plugin_render_t) == 2 * p);
static_assert(offsetof(clap_audio_port_info_t, flags) == 260 && offsetof(clap_audio_port_info_t, port_type) == (wide ? 272 : 268));
static_assert(offsetof(clap_audio_port_info_t, in_place_pair) == (wide ? 280 : 272) && sizeof(clap_audio_port_info_t) == (wide ? 288 : 276));
static_assert(offsetof(clap_note_port_info_t, name) == 12 && sizeof(clap_note_port_info_t) == 268);
static_assert(sizeof(clap_window_t) == 2 * p && offsetof(clap_window_t, x11) == p);
static_assert(offsetof(clap_gui_resize_hints_t, aspect_ratio_width) == 4 && sizeof(clap_gui_resize_hints_t) == 12);
static_assert(sizeof(clap_plugin_gui_t) == 15 * p && sizeof(clap_host_gui_t) == 5 * p);
static_assert(sizeof(clap_host_timer_support_t) == 2 * p && sizeof(clap_host_posix_fd_support_t) == 3 * p);
}  // namespace ClapFormat::layout
