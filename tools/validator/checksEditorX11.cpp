// The editor checks' parent window on X11, the way Linux hosts embed editors:
// a window of the host's, on the host's own connection, pumped only through
// effEditIdle. Without an X server (DISPLAY) the checks are skipped.
#include <X11/Xlib.h>

#include <chrono>
#include <cstdint>
#include <thread>

#include "tools/validator/editorParent.h"

namespace validator {
namespace {

// [UI thread] A server that just saw many connections come and go refuses one now and then.
Display* openDisplay() {
    Display* display = XOpenDisplay(nullptr);
    for (int attempt = 0; !display && attempt < 6; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1 << attempt));
        display = XOpenDisplay(nullptr);
    }
    return display;
}

class X11Parent final : public EditorParent {
public:
    X11Parent() : display(openDisplay()) {
        if (!display) return;
        window = XCreateSimpleWindow(display, DefaultRootWindow(display), 40, 40, 640, 360, 0, 0, 0);
        XMapWindow(display, window);
        XSync(display, False);
    }
    ~X11Parent() override {
        if (!display) return;
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
    std::string problem() const override { return display ? std::string() : "cannot connect to the X server"; }
    void* handle() const override { return reinterpret_cast<void*>(static_cast<uintptr_t>(window)); }

    void fit(const ERect& r) override {
        if (!display) return;
        XResizeWindow(display, window, static_cast<unsigned>(r.right - r.left), static_cast<unsigned>(r.bottom - r.top));
        XSync(display, False);
    }
    // The editor runs its own connection; the host's needs no pumping.
    void pump() override {}

    // Windows the plug-in left under ours.
    std::string leftAfterClose() override {
        if (!display) return {};
        Window root, up, *list = nullptr;
        unsigned count = 0;
        XSync(display, False);
        if (!XQueryTree(display, window, &root, &up, &list, &count)) return {};
        if (list) XFree(list);
        if (count == 0) return {};
        return std::to_string(count) + " window(s) left in the host's window after effEditClose";
    }

private:
    Display* display = nullptr;
    Window window = 0;
};

}  // namespace

const bool kEditOpenAnswers = true;

std::unique_ptr<EditorParent> makeEditorParent() { return std::make_unique<X11Parent>(); }

std::string editorsUnavailable() {
    if (X11Parent().problem().empty()) return {};
    return "no X server to open editors on (DISPLAY)";
}

}  // namespace validator
