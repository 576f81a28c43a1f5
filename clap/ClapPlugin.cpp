// The CLAP instance: life cycle, the process call and the extension table.
#include "clap/ClapPlugin.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "clap/ClapEditor.h"
#include "clap/clapCalls.h"

namespace ClapFormat {

ClapPlugin::ClapPlugin(const clap_host_t* host) : host(host) {
    record.desc = &descriptor();
    record.plugin_data = this;
    PluginCalls::fill(record);
}

ClapPlugin::~ClapPlugin() = default;

const clap_plugin_t* ClapPlugin::create(const clap_host_t* host) {
    if (!host) return nullptr;
    auto* self = new (std::nothrow) ClapPlugin(host);
    return self ? &self->record : nullptr;
}

void ClapPlugin::destroy() {
    editorWindow.reset();  // the window before the product it shows
    if (active) deactivate();
    delete this;
}

bool ClapPlugin::init() {
    if (composed) return true;
    activeRate = 44100.0;
    if (host->get_extension)
        hostParams = static_cast<const clap_host_params_t*>(host->get_extension(host, CLAP_EXT_PARAMS));
    // Hosts ask for parameters before any activation: the product starts at a
    // common rate and takes the real one at activate.
    composed = FormatCore::ComposedPlug::create(44100.0, this);
    return composed != nullptr;
}

bool ClapPlugin::activate(double rate) {
    if (!composed || active || !(rate >= 1.0 && rate <= 1.0e6)) return false;
    if (rate != activeRate) composed->setSampleRate(rate);
    activeRate = rate;
    composed->activate();
    active = true;
    return true;
}

void ClapPlugin::deactivate() {
    if (!active) return;
    composed->deactivate();
    active = false;
}

bool ClapPlugin::startProcessing() { return active; }
void ClapPlugin::stopProcessing() {}

void ClapPlugin::reset() {
    // The product's own all-sound-off clears its signal state without a wait.
    static const uint8_t allSoundOff[3] = {0xB0, 120, 0};
    if (!active || !composed->addMidi(0, allSoundOff, 3)) return;
    const float* none[2] = {nullptr, nullptr};
    float* noOut[2] = {nullptr, nullptr};
    composed->process(none, noOut, 0);
}

clap_process_status ClapPlugin::process(const clap_process_t& block) {
    if (!active) return CLAP_PROCESS_ERROR;
    const clap_audio_buffer_t* in = block.audio_inputs_count > 0 ? block.audio_inputs : nullptr;
    const clap_audio_buffer_t* out = block.audio_outputs_count > 0 ? block.audio_outputs : nullptr;
    const bool stereo = in && out && in->channel_count >= 2 && out->channel_count >= 2;
    if (productBusy.exchange(true, std::memory_order_acquire)) {
        // A state load holds the product: this block is silent.
        for (uint32_t c = 0; out && c < out->channel_count; ++c) {
            if (out->data32 && out->data32[c]) std::fill_n(out->data32[c], block.frames_count, 0.0f);
            if (out->data64 && out->data64[c]) std::fill_n(out->data64[c], block.frames_count, 0.0);
        }
        return CLAP_PROCESS_CONTINUE;
    }
    if (stereo && in->data32 && out->data32 && in->data32[0] && in->data32[1] && out->data32[0] && out->data32[1])
        runBlock<float>(block, in->data32, out->data32);
    else if (stereo && in->data64 && out->data64 && in->data64[0] && in->data64[1] && out->data64[0] &&
             out->data64[1])
        runBlock<double>(block, in->data64, out->data64);
    else
        runBlock<float>(block, nullptr, nullptr);
    tellHost(block.out_events);
    productBusy.store(false, std::memory_order_release);
    return CLAP_PROCESS_CONTINUE;
}

template <typename T>
void ClapPlugin::runBlock(const clap_process_t& block, T* const* in, T* const* out) {
    const uint32_t frames = block.frames_count;
    uint32_t done = 0;
    bool midiWaiting = false;  // taken, and not yet handed to the product
    auto playTo = [&](uint32_t end) {
        if (end <= done || !in) return;
        const T* pieceIn[2] = {in[0] + done, in[1] + done};
        T* pieceOut[2] = {out[0] + done, out[1] + done};
        composed->process(pieceIn, pieceOut, end - done);
        done = end;
        midiWaiting = false;
    };
    const clap_input_events_t* events = block.in_events;
    const uint32_t count = events && events->size && events->get ? events->size(events) : 0;
    for (uint32_t i = 0; i < count; ++i) {
        const clap_event_header_t* event = events->get(events, i);
        if (!event) continue;
        // A time out of order or beyond the block acts where the block stands.
        playTo(std::min(event->time, frames));
        midiWaiting |= apply(*event);
    }
    playTo(frames);
    if (midiWaiting) {
        // Messages at the very end of the block, or a block without audio: they act alone.
        const T* none[2] = {nullptr, nullptr};
        T* noOut[2] = {nullptr, nullptr};
        composed->process(none, noOut, 0);
    }
}

bool ClapPlugin::apply(const clap_event_header_t& event) {
    if (event.space_id != CLAP_CORE_EVENT_SPACE_ID) return false;
    if (event.type == CLAP_EVENT_PARAM_VALUE && event.size >= sizeof(clap_event_param_value_t)) {
        const auto& change = reinterpret_cast<const clap_event_param_value_t&>(event);
        if (change.param_id < parameterCount() && change.value == change.value)
            composed->setNormalized(static_cast<int32_t>(change.param_id), static_cast<float>(change.value));
    } else if (event.type == CLAP_EVENT_MIDI && event.size >= sizeof(clap_event_midi_t)) {
        const auto& midi = reinterpret_cast<const clap_event_midi_t&>(event);
        if (midi.port_index == 0) return composed->addMidi(0, midi.data, 3);
    }
    return false;
}

void ClapPlugin::tellHost(const clap_output_events_t* out) {
    if (!out || !out->try_push) return;
    EditEvent edit;
    while (edits.peek(edit)) {
        const auto id = static_cast<clap_id>(edit.index);
        bool taken;
        if (edit.kind == EditEvent::value) {
            clap_event_param_value_t event{};
            event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, CLAP_EVENT_PARAM_VALUE, 0};
            event.param_id = id;
            event.note_id = -1;
            event.port_index = event.channel = event.key = -1;
            event.value = edit.normalized;
            taken = out->try_push(out, &event.header);
        } else {
            clap_event_param_gesture_t event{};
            const uint16_t type = edit.kind == EditEvent::begin ? CLAP_EVENT_PARAM_GESTURE_BEGIN
                                                                 : CLAP_EVENT_PARAM_GESTURE_END;
            event.header = {sizeof event, 0, CLAP_CORE_EVENT_SPACE_ID, type, 0};
            event.param_id = id;
            taken = out->try_push(out, &event.header);
        }
        if (!taken) return;  // offered again next time
        edits.pop();
    }
}

void ClapPlugin::flush(const clap_input_events_t* in, const clap_output_events_t* out) {
    if (!composed) return;
    const uint32_t count = in && in->size && in->get ? in->size(in) : 0;
    bool midiWaiting = false;
    for (uint32_t i = 0; i < count; ++i)
        if (const clap_event_header_t* event = in->get(in, i)) midiWaiting |= apply(*event);
    if (midiWaiting) {
        const float* none[2] = {nullptr, nullptr};
        float* noOut[2] = {nullptr, nullptr};
        composed->process(none, noOut, 0);
    }
    tellHost(out);
}

void ClapPlugin::queueEdit(EditEvent::Kind kind, int32_t index, float value) {
    EditEvent edit;
    edit.kind = kind;
    edit.index = index;
    edit.normalized = value;
    edits.push(edit);
    if (hostParams && hostParams->request_flush) hostParams->request_flush(host);
}

const void* ClapPlugin::extension(const char* id) {
    if (!id) return nullptr;
    return PluginCalls::extension(id);
}

}  // namespace ClapFormat
