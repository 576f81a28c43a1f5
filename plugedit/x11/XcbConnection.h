// PlugEdit::XcbConnection: the editor's own connection to the X server, in
// xcb. Every error of a request made here comes back on this connection (as
// the answer to a checked request, or as an event of type 0) and is dropped or
// answered here: nothing the editor does reaches a process-wide error handler,
// and nothing the host does reaches us. A lost connection is a state to test
// (broken), never an exit.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace PlugEdit {

// An event as xcb hands it over: freed with free().
struct FreeEvent {
    void operator()(xcb_generic_event_t* e) const { std::free(e); }
};
using XcbEvent = std::unique_ptr<xcb_generic_event_t, FreeEvent>;

// The glyphs of the server's "cursor" font that the editor shows.
enum class CursorGlyph : uint16_t { arrow = 68, hand = 60, upDown = 116 };

class XcbConnection {
public:
    // [UI thread] The default display ($DISPLAY), with a few short retries for
    // a server that is refusing connections for a moment; null when there is none.
    static std::unique_ptr<XcbConnection> open();
    ~XcbConnection();
    XcbConnection(const XcbConnection&) = delete;
    XcbConnection& operator=(const XcbConnection&) = delete;

    // [UI thread] The connection, its default screen and the state of the link.
    xcb_connection_t* get() const { return connection; }
    const xcb_screen_t& screen() const { return *defaultScreen; }
    bool broken() const { return xcb_connection_has_error(connection) != 0; }
    // [UI thread] The descriptor that becomes readable when events arrive.
    int descriptor() const { return xcb_get_file_descriptor(connection); }
    // [UI thread] Why the default visual cannot show the editor's 0x00RRGGBB
    // words as they are; null when it can.
    const char* unusableVisual() const;

    // [UI thread] Waits for a checked request's answer: true when the server refused it.
    bool failed(xcb_void_cookie_t cookie);
    // [UI thread] The next queued event, errors of our own requests dropped; null when none.
    XcbEvent nextEvent();
    void flush() { xcb_flush(connection); }
    // [UI thread] A window's position on the screen: false when it is gone.
    bool rootPosition(xcb_window_t window, int x, int y, int& rootX, int& rootY);
    // [UI thread] Whether a window exists (one round trip).
    bool exists(xcb_window_t window);
    // [UI thread] Whether an id is one a live client could have made: a
    // client with a top-level window on this screen owns the id's range.
    bool ownedByLiveClient(uint32_t id);
    // [UI thread] A cursor from the server's cursor font; 0 when none could be made.
    xcb_cursor_t fontCursor(CursorGlyph glyph);
    // [UI thread] The unshifted keysym of a key code (0 when unknown).
    uint32_t keysymOf(xcb_keycode_t code);
    // [UI thread] An atom by name; 0 when the server gives none.
    xcb_atom_t atom(const char* name);
    // [UI thread] Puts 0x00RRGGBB words on a window of depth 24 in as many requests as the server allows.
    void putImage(xcb_window_t window, xcb_gcontext_t gc, const uint32_t* pixels, int width, int height, int stride);

private:
    explicit XcbConnection(xcb_connection_t* c, const xcb_screen_t* s) : connection(c), defaultScreen(s) {}

    xcb_connection_t* const connection;
    const xcb_screen_t* const defaultScreen;
    xcb_font_t cursorFont = 0;
};

}  // namespace PlugEdit
