// The editor as a VST 3 view: the product's own editor, opened in the host's
// window (an HWND on Windows, an X11 window id on Linux). On Linux the host's
// run loop drives it: a handler on the editor's X connection and a timer for
// the lamps and the values the host moved.
#pragma once

#include "plugedit/Edit.h"
#include "vst3/comSupport.h"
#include "vst3/vst3Edit.h"

namespace Vst3Format {

class Vst3Controller;

class Vst3View final : public Vst3::IPlugView, public Vst3::IEventHandler, public Vst3::ITimerHandler {
public:
    // [UI thread] owner is held until the view is gone; editor belongs to owner's model.
    Vst3View(Vst3Controller& owner, PlugEdit::Edit& editor);

    Vst3::tresult VST3CALL queryInterface(const Vst3::TUID iid, void** obj) override;
    VST3_REFCOUNTED

    // Everything below: [UI thread]
    Vst3::tresult VST3CALL isPlatformTypeSupported(Vst3::FIDString type) override;
    Vst3::tresult VST3CALL attached(void* parent, Vst3::FIDString type) override;
    Vst3::tresult VST3CALL removed() override;
    Vst3::tresult VST3CALL onWheel(float) override { return Vst3::kResultFalse; }
    Vst3::tresult VST3CALL onKeyDown(Vst3::char16, Vst3::int16, Vst3::int16) override { return Vst3::kResultFalse; }
    Vst3::tresult VST3CALL onKeyUp(Vst3::char16, Vst3::int16, Vst3::int16) override { return Vst3::kResultFalse; }
    Vst3::tresult VST3CALL getSize(Vst3::ViewRect* size) override;
    Vst3::tresult VST3CALL onSize(Vst3::ViewRect* newSize) override;
    Vst3::tresult VST3CALL onFocus(Vst3::TBool) override { return Vst3::kResultOk; }
    Vst3::tresult VST3CALL setFrame(Vst3::IPlugFrame* frame) override;
    Vst3::tresult VST3CALL canResize() override { return Vst3::kResultFalse; }
    Vst3::tresult VST3CALL checkSizeConstraint(Vst3::ViewRect* rect) override;

    void VST3CALL onFDIsSet(Vst3::FileDescriptor fd) override;
    void VST3CALL onTimer() override;

    // Milliseconds between the timer's calls.
    static constexpr Vst3::TimerInterval kTimerInterval = 30;

private:
    ~Vst3View();
    void stopPumping();

    RefCount refs;
    Vst3Controller& owner;
    PlugEdit::Edit& editor;
    Vst3::IPlugFrame* frame = nullptr;
    Vst3::IRunLoop* runLoop = nullptr;  // held while the editor is pumped from it
    bool open = false;
};

}  // namespace Vst3Format
