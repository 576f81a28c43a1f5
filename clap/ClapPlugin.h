// One CLAP plug-in instance: the clap_plugin_t a host holds, over one composed
// product instance (FormatCore::ComposedPlug). Parameters travel as the
// product's own 0..1 values, so automation gives the same floats as the VST
// 2 build; the display texts come from the product. Editor edits reach the
// host as gesture and value events, through process or flush.
#pragma once

#include <atomic>
#include <memory>

#include "clap/clapExtensions.h"
#include "clap/editEvents.h"
#include "formatcore/ComposedPlug.h"

namespace ClapFormat {

class ClapEditor;

class ClapPlugin final : private FormatCore::EditListener {
public:
    // [UI thread] The descriptor every instance answers with.
    static const clap_plugin_descriptor_t& descriptor();
    // [UI thread] Null when host is missing or memory runs out.
    static const clap_plugin_t* create(const clap_host_t* host);
    static ClapPlugin* from(const clap_plugin_t* plugin) {
        return plugin ? static_cast<ClapPlugin*>(plugin->plugin_data) : nullptr;
    }

    // --- life cycle, as the host drives it ---
    // [UI thread] Builds the product; false when it cannot be built.
    bool init();
    bool activate(double rate);
    void deactivate();
    // [audio thread]
    bool startProcessing();
    void stopProcessing();
    void reset();
    clap_process_status process(const clap_process_t& block);
    // [any thread] Null for an extension this plug-in does not have.
    const void* extension(const char* id);

    // --- parameters (clapParams.cpp) ---
    // [any thread]
    uint32_t parameterCount() const;
    bool parameterInfo(uint32_t index, clap_param_info_t& info) const;  // [UI thread]
    bool parameterValue(clap_id id, double& value) const;
    bool valueText(clap_id id, double value, char* out, uint32_t capacity) const;
    bool textValue(clap_id id, const char* text, double& value) const;
    // [UI thread, not processing] or [audio thread]
    void flush(const clap_input_events_t* in, const clap_output_events_t* out);

    // --- state (clapState.cpp) ---
    // [UI thread]
    bool saveState(const clap_ostream_t* stream);
    bool loadState(const clap_istream_t* stream);

    // --- editor ---
    const clap_host_t* hostRecord() const { return host; }
    // [UI thread] The open editor, between gui.create and gui.destroy.
    std::unique_ptr<ClapEditor>& editorSlot() { return editorWindow; }
    FormatCore::ComposedPlug& core() { return *composed; }

    // [any thread]
    uint32_t latency() const { return composed ? composed->latency() : 0; }
    bool isActive() const { return active; }

private:
    explicit ClapPlugin(const clap_host_t* host);
    // [UI thread] The editor's edits, for the host: queued, then a flush asked for.
    void editBegun(int32_t index) override { queueEdit(EditEvent::begin, index, 0.0f); }
    void valueEdited(int32_t index, float normalized) override { queueEdit(EditEvent::value, index, normalized); }
    void editEnded(int32_t index) override { queueEdit(EditEvent::end, index, 0.0f); }
    void queueEdit(EditEvent::Kind kind, int32_t index, float value);
    ~ClapPlugin();
    void destroy();
    // [audio thread] A block's events in order, the audio split at each one.
    template <typename T>
    void runBlock(const clap_process_t& block, T* const* in, T* const* out);
    // [audio thread] or [UI thread, not processing]: applies one host event;
    // true for a MIDI message handed on for the next product call.
    bool apply(const clap_event_header_t& event);
    void tellHost(const clap_output_events_t* out);

    clap_plugin_t record{};
    const clap_host_t* host;
    const clap_host_params_t* hostParams = nullptr;
    std::unique_ptr<FormatCore::ComposedPlug> composed;
    bool active = false;
    double activeRate = 0.0;
    // Held by process for its whole call and by a state load: a load waits for
    // the audio thread, the audio thread never waits (it plays silence instead).
    std::atomic<bool> productBusy{false};
    EditQueue edits;
    std::unique_ptr<ClapEditor> editorWindow;  // between gui.create and gui.destroy

    friend struct PluginCalls;

};

}  // namespace ClapFormat
