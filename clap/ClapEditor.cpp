// The editor's extensions: window creation and embedding, and the host's
// timer and descriptor callbacks that pump a window without a loop of its own.
#include "clap/ClapEditor.h"

#include <cstring>
#include <memory>

#include "clap/ClapPlugin.h"
#include "plugedit/Edit.h"

namespace ClapFormat {
namespace {

#ifdef _WIN32
constexpr const char* kWindowApi = CLAP_WINDOW_API_WIN32;
#else
constexpr const char* kWindowApi = CLAP_WINDOW_API_X11;
#endif
// The editor's tick: meters, value poll, repaint.
constexpr uint32_t kTickMs = 10;

// Every call here is [UI thread].
ClapPlugin* self(const clap_plugin_t* p) { return ClapPlugin::from(p); }
ClapEditor* window(const clap_plugin_t* p) { return self(p) ? self(p)->editorSlot().get() : nullptr; }

bool apiSupported(const clap_plugin_t* p, const char* api, bool floating) {
    return self(p) && api && !floating && std::strcmp(api, kWindowApi) == 0;
}
bool preferredApi(const clap_plugin_t* p, const char** api, bool* floating) {
    if (!self(p) || !api || !floating) return false;
    *api = kWindowApi;
    *floating = false;
    return true;
}
bool create(const clap_plugin_t* p, const char* api, bool floating) {
    if (!apiSupported(p, api, floating) || window(p)) return false;
    AEffEditor* editor = self(p)->core().editor();
    if (!editor) return false;
    self(p)->editorSlot() = std::make_unique<ClapEditor>(*self(p), *editor);
    return true;
}
void destroy(const clap_plugin_t* p) {
    if (self(p)) self(p)->editorSlot().reset();
}
bool setScale(const clap_plugin_t*, double) { return false; }  // the editor is drawn at one size
bool getSize(const clap_plugin_t* p, uint32_t* width, uint32_t* height) {
    return window(p) && width && height && window(p)->size(*width, *height);
}
bool canResize(const clap_plugin_t*) { return false; }
bool resizeHints(const clap_plugin_t*, clap_gui_resize_hints_t*) { return false; }
bool adjustSize(const clap_plugin_t* p, uint32_t* width, uint32_t* height) { return getSize(p, width, height); }
bool setSize(const clap_plugin_t* p, uint32_t width, uint32_t height) {
    uint32_t w = 0, h = 0;
    return getSize(p, &w, &h) && w == width && h == height;
}
bool attach(const clap_plugin_t* p, const clap_window_t* parent) {
    return window(p) && parent && parent->api && std::strcmp(parent->api, kWindowApi) == 0 &&
           window(p)->setParent(*parent);
}
bool setTransient(const clap_plugin_t*, const clap_window_t*) { return false; }  // embedded only
void suggestTitle(const clap_plugin_t*, const char*) {}
// Embedded in the host's window, the editor shows and hides with it.
bool show(const clap_plugin_t* p) { return window(p) != nullptr; }
bool hide(const clap_plugin_t* p) { return window(p) != nullptr; }

void onTimer(const clap_plugin_t* p, clap_id) {
    if (window(p)) window(p)->pump();
}
#ifndef _WIN32
void onFd(const clap_plugin_t* p, int, clap_posix_fd_flags_t) {
    if (window(p)) window(p)->pump();
}
#endif

}  // namespace

const clap_plugin_gui_t* ClapEditor::guiTable() {
    static const clap_plugin_gui_t table{apiSupported, preferredApi, create,  destroy,      setScale,
                                         getSize,      canResize,    resizeHints, adjustSize, setSize,
                                         attach,       setTransient, suggestTitle, show,      hide};
    return &table;
}
const clap_plugin_timer_support_t* ClapEditor::timerTable() {
    static const clap_plugin_timer_support_t table{onTimer};
    return &table;
}
const clap_plugin_posix_fd_support_t* ClapEditor::fdTable() {
#ifdef _WIN32
    return nullptr;
#else
    static const clap_plugin_posix_fd_support_t table{onFd};
    return &table;
#endif
}

ClapEditor::ClapEditor(ClapPlugin& owner, AEffEditor& editor) : owner(owner), editor(editor) {
    const clap_host_t* host = owner.hostRecord();
    if (host->get_extension) {
        timers = static_cast<const clap_host_timer_support_t*>(host->get_extension(host, CLAP_EXT_TIMER_SUPPORT));
        descriptors = static_cast<const clap_host_posix_fd_support_t*>(host->get_extension(host, CLAP_EXT_POSIX_FD_SUPPORT));
    }
}

ClapEditor::~ClapEditor() {
    stopPumping();
    editor.close();
}

bool ClapEditor::size(uint32_t& width, uint32_t& height) const {
    ERect* rect = nullptr;
    if (!editor.getRect(&rect) || !rect) return false;
    width = static_cast<uint32_t>(rect->right - rect->left);
    height = static_cast<uint32_t>(rect->bottom - rect->top);
    return true;
}

bool ClapEditor::setParent(const clap_window_t& parent) {
    stopPumping();
    editor.close();  // a new parent: the window moves to it
#ifdef _WIN32
    void* native = parent.win32;
#else
    void* native = reinterpret_cast<void*>(static_cast<uintptr_t>(parent.x11));
#endif
    if (!native || !editor.open(native)) return false;
#ifndef _WIN32
    // The X connection's events wake the host's loop at once; the timer runs the tick.
    auto* edit = dynamic_cast<PlugEdit::Edit*>(&editor);
    const int fd = edit ? edit->eventDescriptor() : -1;
    if (fd >= 0 && descriptors && descriptors->register_fd &&
        descriptors->register_fd(owner.hostRecord(), fd, CLAP_POSIX_FD_READ))
        watched = fd;
    if (timers && timers->register_timer && !timers->register_timer(owner.hostRecord(), kTickMs, &timer))
        timer = CLAP_INVALID_ID;
#endif
    return true;
}

void ClapEditor::pump() { editor.idle(); }

void ClapEditor::stopPumping() {
    const clap_host_t* host = owner.hostRecord();
    if (watched >= 0 && descriptors && descriptors->unregister_fd) descriptors->unregister_fd(host, watched);
    if (timer != CLAP_INVALID_ID && timers && timers->unregister_timer) timers->unregister_timer(host, timer);
    watched = -1;
    timer = CLAP_INVALID_ID;
}

}  // namespace ClapFormat
