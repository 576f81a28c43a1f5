// The host side of the X11 editor tests.
#include "x11Harness.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "blt/surface.h"
#include "screenshot.h"
#include "tests/support/x11Display.h"

namespace x11test {

X11Fixture::X11Fixture(int x, int y) : originX(x), originY(y) {
    editCalls().clear();
    plug = new Orvalt(testsupport::recordingHost);  // also without a display: the plug-in does not need one
    display = testsupport::openDisplayRetrying(6);
    if (!display) return;
    const int screen = DefaultScreen(display);
    parent = XCreateSimpleWindow(display, RootWindow(display, screen), x, y, 410, 100, 0, 0, 0x202020);
    XMapWindow(display, parent);
    XSync(display, False);
    // Away from every other test's pointer: start outside the parent.
    XTestFakeMotionEvent(display, screen, 0, 0, CurrentTime);
    XSync(display, False);
}

X11Fixture::~X11Fixture() {
    if (plug) {
        dispatch(effEditClose);
        plug->getAeffect()->dispatcher(plug->getAeffect(), effClose, 0, 0, nullptr, 0.0f);  // deletes the plug-in
    }
    if (display) {
        XDestroyWindow(display, parent);
        XCloseDisplay(display);
    }
}

VstIntPtr X11Fixture::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr) {
    AEffect* e = plug->getAeffect();
    return e->dispatcher(e, opcode, index, value, ptr, 0.0f);
}

bool X11Fixture::openEditor() {
    if (dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<uintptr_t>(parent))) != 1) return false;
    idle(80);
    return children().size() == 1;
}

void X11Fixture::closeEditor() {
    dispatch(effEditClose);
    XSync(display, False);
}

void X11Fixture::idle(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    do {
        dispatch(effEditIdle);
        XSync(display, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    } while (std::chrono::steady_clock::now() < end);
}

std::vector<Window> X11Fixture::children() const {
    Window root, up, *list = nullptr;
    unsigned count = 0;
    std::vector<Window> out;
    if (XQueryTree(display, parent, &root, &up, &list, &count)) out.assign(list, list + count);
    if (list) XFree(list);
    return out;
}

std::vector<Window> X11Fixture::popups() const {
    Window root, up, *list = nullptr;
    unsigned count = 0;
    std::vector<Window> out;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &up, &list, &count)) {
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes a;
            if (XGetWindowAttributes(display, list[i], &a) && a.override_redirect && a.map_state == IsViewable)
                out.push_back(list[i]);
        }
    }
    if (list) XFree(list);
    return out;
}

std::vector<uint32_t> X11Fixture::capture(int width, int height) const {
    std::vector<uint32_t> out;
    XImage* image = XGetImage(display, parent, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                              AllPlanes, ZPixmap);
    if (!image) return out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) out.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0x00FFFFFF);
    XDestroyImage(image);
    return out;
}

void X11Fixture::moveTo(int x, int y) {
    XTestFakeMotionEvent(display, DefaultScreen(display), originX + x, originY + y, CurrentTime);
    XSync(display, False);
    dispatch(effEditIdle);
}

void X11Fixture::press(unsigned button) {
    XTestFakeButtonEvent(display, button, True, CurrentTime);
    XSync(display, False);
    idle(5);
}

void X11Fixture::release(unsigned button) {
    XTestFakeButtonEvent(display, button, False, CurrentTime);
    XSync(display, False);
    idle(5);
}

void X11Fixture::key(const char* keysym, bool down) {
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, XStringToKeysym(keysym)), down, CurrentTime);
    XSync(display, False);
    idle(5);
}

void X11Fixture::publishLevels(float left, float right) {
    OrvaltEdit* edit = editor();
    while (!edit->tryLock()) {
    }
    const float levels[2] = {left, right};
    std::memcpy(edit->shared, levels, sizeof levels);
    edit->sharedTaken = false;
    edit->unlock();
}

std::vector<uint32_t> windowsReference() {
    std::ifstream file(std::string(ORVALT_SOURCE_DIR) + "/tests/editor/reference/win32Editor.png", std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<uint32_t> out;
    try {
        QuillBLT::BasicSurface picture(bytes.size(), bytes.data());
        for (uint32_t y = 0; y < picture.height(); ++y)
            for (uint32_t x = 0; x < picture.width(); ++x) out.push_back(picture.at(x, y) & 0x00FFFFFF);
    } catch (...) {
        out.clear();
    }
    return out;
}

bool writePicture(const std::string& path, const std::vector<uint32_t>& pixels, int width, int height) {
    return editortest::writePng(path, pixels, width, height);
}

}  // namespace x11test
