// Each thunk checks the plug-in pointer a host hands over and turns the call
// into the instance's own; a null plug-in or out-pointer gets a plain "no".
#include "clap/clapCalls.h"

#include <cstring>

#include "clap/ClapEditor.h"
#include "clap/ClapPlugin.h"

namespace ClapFormat {
namespace {

ClapPlugin* self(const clap_plugin_t* plugin) { return ClapPlugin::from(plugin); }

// --- the plug-in record ---
// [UI thread] init, activate, deactivate, on_main_thread; [audio thread]
// start_processing, stop_processing, reset, process; [any thread] get_extension.
bool init(const clap_plugin_t* p) { return self(p) && self(p)->init(); }
bool activate(const clap_plugin_t* p, double rate, uint32_t, uint32_t) { return self(p) && self(p)->activate(rate); }
void deactivate(const clap_plugin_t* p) {
    if (self(p)) self(p)->deactivate();
}
bool startProcessing(const clap_plugin_t* p) { return self(p) && self(p)->startProcessing(); }
void stopProcessing(const clap_plugin_t* p) {
    if (self(p)) self(p)->stopProcessing();
}
void reset(const clap_plugin_t* p) {
    if (self(p)) self(p)->reset();
}
clap_process_status process(const clap_plugin_t* p, const clap_process_t* block) {
    return self(p) && block ? self(p)->process(*block) : CLAP_PROCESS_ERROR;
}
const void* getExtension(const clap_plugin_t* p, const char* id) { return self(p) ? self(p)->extension(id) : nullptr; }
void onMainThread(const clap_plugin_t*) {}

// --- clap.params: [any thread], get_info [UI thread], flush as ClapPlugin::flush ---
uint32_t paramCount(const clap_plugin_t* p) { return self(p) ? self(p)->parameterCount() : 0; }
bool paramInfo(const clap_plugin_t* p, uint32_t index, clap_param_info_t* info) {
    return self(p) && info && self(p)->parameterInfo(index, *info);
}
bool paramValue(const clap_plugin_t* p, clap_id id, double* value) {
    return self(p) && value && self(p)->parameterValue(id, *value);
}
bool valueToText(const clap_plugin_t* p, clap_id id, double value, char* out, uint32_t capacity) {
    return self(p) && out && capacity > 0 && self(p)->valueText(id, value, out, capacity);
}
bool textToValue(const clap_plugin_t* p, clap_id id, const char* text, double* value) {
    return self(p) && text && value && self(p)->textValue(id, text, *value);
}
void flush(const clap_plugin_t* p, const clap_input_events_t* in, const clap_output_events_t* out) {
    if (self(p)) self(p)->flush(in, out);
}
const clap_plugin_params_t params{paramCount, paramInfo, paramValue, valueToText, textToValue, flush};

// --- clap.state [UI thread] ---
bool saveState(const clap_plugin_t* p, const clap_ostream_t* stream) {
    return self(p) && stream && stream->write && self(p)->saveState(stream);
}
bool loadState(const clap_plugin_t* p, const clap_istream_t* stream) {
    return self(p) && stream && stream->read && self(p)->loadState(stream);
}
const clap_plugin_state_t state{saveState, loadState};

// --- clap.latency, clap.tail, clap.render [UI thread] ---
uint32_t latency(const clap_plugin_t* p) { return self(p) ? self(p)->latency() : 0; }
const clap_plugin_latency_t latencyTable{latency};
// No tail: one sample of look-ahead is all the chain holds back.
uint32_t tail(const clap_plugin_t*) { return 0; }
const clap_plugin_tail_t tailTable{tail};
// Offline and real-time rendering are the same work.
bool hardRealtime(const clap_plugin_t*) { return false; }
bool setRender(const clap_plugin_t*, clap_plugin_render_mode mode) {
    return mode == CLAP_RENDER_REALTIME || mode == CLAP_RENDER_OFFLINE;
}
const clap_plugin_render_t render{hardRealtime, setRender};

// --- clap.audio-ports [UI thread]: one stereo pair in, one out, processed in place ---
uint32_t audioPortCount(const clap_plugin_t* p, bool) { return self(p) ? 1 : 0; }
bool audioPort(const clap_plugin_t* p, uint32_t index, bool isInput, clap_audio_port_info_t* info) {
    if (!self(p) || !info || index != 0) return false;
    std::memset(info, 0, sizeof *info);
    info->id = 0;
    std::strcpy(info->name, isInput ? "Input" : "Output");
    info->flags = CLAP_AUDIO_PORT_IS_MAIN | CLAP_AUDIO_PORT_SUPPORTS_64BITS;
    info->channel_count = 2;
    info->port_type = CLAP_PORT_STEREO;
    info->in_place_pair = 0;
    return true;
}
const clap_plugin_audio_ports_t audioPorts{audioPortCount, audioPort};

// --- clap.note-ports [UI thread]: MIDI in, for the controllers and learning ---
uint32_t notePortCount(const clap_plugin_t* p, bool isInput) { return self(p) && isInput ? 1 : 0; }
bool notePort(const clap_plugin_t* p, uint32_t index, bool isInput, clap_note_port_info_t* info) {
    if (!self(p) || !info || index != 0 || !isInput) return false;
    std::memset(info, 0, sizeof *info);
    info->id = 0;
    info->supported_dialects = CLAP_NOTE_DIALECT_MIDI;
    info->preferred_dialect = CLAP_NOTE_DIALECT_MIDI;
    std::strcpy(info->name, "MIDI");
    return true;
}
const clap_plugin_note_ports_t notePorts{notePortCount, notePort};

}  // namespace

void PluginCalls::fill(clap_plugin_t& record) {
    record.init = init;
    record.destroy = [](const clap_plugin_t* p) {
        if (self(p)) self(p)->destroy();
    };
    record.activate = activate;
    record.deactivate = deactivate;
    record.start_processing = startProcessing;
    record.stop_processing = stopProcessing;
    record.reset = reset;
    record.process = process;
    record.get_extension = getExtension;
    record.on_main_thread = onMainThread;
}

const void* PluginCalls::extension(const char* id) {
    struct Named {
        const char* id;
        const void* table;
    };
    static const Named tables[] = {
        {CLAP_EXT_PARAMS, &params},         {CLAP_EXT_STATE, &state},
        {CLAP_EXT_LATENCY, &latencyTable},  {CLAP_EXT_TAIL, &tailTable},
        {CLAP_EXT_RENDER, &render},         {CLAP_EXT_AUDIO_PORTS, &audioPorts},
        {CLAP_EXT_NOTE_PORTS, &notePorts},  {CLAP_EXT_GUI, ClapEditor::guiTable()},
        {CLAP_EXT_TIMER_SUPPORT, ClapEditor::timerTable()}, {CLAP_EXT_POSIX_FD_SUPPORT, ClapEditor::fdTable()},
    };
    for (const Named& named : tables)
        if (named.table && std::strcmp(named.id, id) == 0) return named.table;
    return nullptr;
}

}  // namespace ClapFormat
