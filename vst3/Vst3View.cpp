// The editor view: open, close, size, and the host's run loop on Linux.
#include "vst3/Vst3View.h"

#include "vst3/Vst3Controller.h"

namespace Vst3Format {
namespace {

#if defined(_WIN32)
constexpr const char* kPlatformType = Vst3::kPlatformTypeHWND;
#else
constexpr const char* kPlatformType = Vst3::kPlatformTypeX11EmbedWindowID;
#endif

}  // namespace

Vst3View::Vst3View(Vst3Controller& owner, PlugEdit::Edit& editor) : owner(owner), editor(editor) {
    owner.addRef();
}

Vst3View::~Vst3View() {
    removed();
    owner.release();
}

Vst3::tresult Vst3View::queryInterface(const Vst3::TUID iid, void** obj) {
    if (!obj) return Vst3::kInvalidArgument;
    if (offer<Vst3::IPlugView>(this, iid, obj) || offer<Vst3::IEventHandler>(this, iid, obj) ||
        offer<Vst3::ITimerHandler>(this, iid, obj))
        return Vst3::kResultOk;
    if (Vst3::sameIid(iid, Vst3::FUnknown::iid)) {
        *obj = static_cast<Vst3::IPlugView*>(this);
        addRef();
        return Vst3::kResultOk;
    }
    *obj = nullptr;
    return Vst3::kNoInterface;
}

Vst3::tresult Vst3View::isPlatformTypeSupported(Vst3::FIDString type) {
    return type && std::strcmp(type, kPlatformType) == 0 ? Vst3::kResultTrue : Vst3::kResultFalse;
}

Vst3::tresult Vst3View::attached(void* parent, Vst3::FIDString type) {
    if (!parent || isPlatformTypeSupported(type) != Vst3::kResultTrue) return Vst3::kInvalidArgument;
    if (open) return Vst3::kResultFalse;
    if (!editor.open(parent)) return Vst3::kResultFalse;
    open = true;
#if !defined(_WIN32)
    // Linux hosts run no message loop for us: their run loop watches the
    // editor's connection and calls the timer on the UI thread.
    if (frame && frame->queryInterface(Vst3::IRunLoop::iid.bytes, reinterpret_cast<void**>(&runLoop)) ==
                     Vst3::kResultOk && runLoop) {
        const int fd = editor.eventDescriptor();
        if (fd >= 0) runLoop->registerEventHandler(this, fd);
        runLoop->registerTimer(this, kTimerInterval);
    } else {
        runLoop = nullptr;
    }
#endif
    return Vst3::kResultOk;
}

void Vst3View::stopPumping() {
    if (!runLoop) return;
    runLoop->unregisterEventHandler(this);
    runLoop->unregisterTimer(this);
    runLoop->release();
    runLoop = nullptr;
}

Vst3::tresult Vst3View::removed() {
    stopPumping();
    if (!open) return Vst3::kResultFalse;
    editor.close();
    open = false;
    return Vst3::kResultOk;
}

Vst3::tresult Vst3View::getSize(Vst3::ViewRect* size) {
    if (!size) return Vst3::kInvalidArgument;
    *size = Vst3::ViewRect{0, 0, editor.layout().width, editor.layout().height};
    return Vst3::kResultOk;
}

Vst3::tresult Vst3View::onSize(Vst3::ViewRect* newSize) { return newSize ? Vst3::kResultOk : Vst3::kInvalidArgument; }

Vst3::tresult Vst3View::setFrame(Vst3::IPlugFrame* hostFrame) {
    frame = hostFrame;
    return Vst3::kResultOk;
}

// The editor has one size.
Vst3::tresult Vst3View::checkSizeConstraint(Vst3::ViewRect* rect) {
    if (!rect) return Vst3::kInvalidArgument;
    rect->right = rect->left + editor.layout().width;
    rect->bottom = rect->top + editor.layout().height;
    return Vst3::kResultTrue;
}

void Vst3View::onFDIsSet(Vst3::FileDescriptor) {
    if (open) editor.idle();
}

void Vst3View::onTimer() {
    if (open) owner.pumpEditor(editor);
}

}  // namespace Vst3Format
