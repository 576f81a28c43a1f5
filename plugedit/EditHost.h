// PlugEdit::EditHost: the plug-in as its editor sees it, and nothing more.
//
// Every editor (the VST editor on Windows and X11, an editor in another
// process or another plug-in format) reaches the plug-in only through this
// interface: it reads values and their display texts, changes a value inside
// a begin/end pair (one gesture), asks for MIDI learn and unlearn, takes the
// newest meter block for its lamps, and reads the product's layout. An editor
// beside the DSP uses PlugEditHost (the plug-in object itself); an editor apart
// from it implements this interface over its own transport.
//
// Indexes outside the parameter table are answered, never trusted: reads give
// 0, -1 or empty texts, requests are ignored. Values are normalized to [0, 1].
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "plugcore/ParamTable.h"
#include "plugcore/ProductInfo.h"

namespace PlugEdit {

class EditHost {
public:
    virtual ~EditHost() = default;

    // --- who, and how the editor looks: fixed for the plug-in's life [any thread] ---
    virtual const PlugCore::EditorLayout& layout() const = 0;
    // The product name (dialog captions) and the vendor's web host (the background menu).
    virtual const char* productName() const = 0;
    virtual const char* webHost() const = 0;
    virtual int32_t parameterCount() const = 0;

    // --- values and texts [UI thread] ---
    virtual float value(int32_t index) = 0;
    virtual float defaultValue(int32_t index) = 0;
    // The display text of `value` for that parameter (not of its current value).
    virtual void formatValue(int32_t index, float value, char* text, size_t size) = 0;
    // The unit shown after a value ("dB"); empty when none.
    virtual void label(int32_t index, char* text, size_t size) = 0;
    // Offers every value that changed since the last poll to `notify`
    // (parameterChanged); a change it refuses is offered again next time.
    virtual void pollChanges(PlugCore::IParamNotify& notify) = 0;

    // --- one gesture: begin, any number of sets, end [UI thread] ---
    virtual void beginEdit(int32_t index) = 0;
    // Stores the value and tells the host (automation).
    virtual void setValue(int32_t index, float value) = 0;
    virtual void endEdit(int32_t index) = 0;

    // --- MIDI learn [UI thread] ---
    // The controller key bound to the parameter (0xB000 + controller, channel in
    // bits 8 to 11), -1 when none.
    virtual int32_t midiKey(int32_t index) = 0;
    // The next controller that moves binds to the parameter; the editor hears of
    // it through IParamNotify::learnCompleted.
    virtual void startLearn(int32_t index) = 0;
    virtual void cancelLearn() = 0;
    // Removes the parameter's binding; a pending learn is the editor's to cancel.
    virtual void unlearn(int32_t index) = 0;

    // --- lamps [UI thread] ---
    // Copies the newest meter block (layout().sharedSize bytes) into
    // `destination` when one arrived since the last take; false otherwise.
    virtual bool takeMeter(uint8_t* destination) = 0;

    // --- defaults [UI thread] ---
    // Saves the current state as the defaults of every new instance. False when
    // nothing was saved; then `file` and `reason` say where and why.
    virtual bool saveDefaults(std::string& file, std::string& reason) = 0;
};

}  // namespace PlugEdit
