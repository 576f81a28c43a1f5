// The editor's own xcb connection: errors stay on it.
#include "plugedit/x11/XcbConnection.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace PlugEdit {

std::unique_ptr<XcbConnection> XcbConnection::open() {
    // An X server that has just seen many connections come and go (a host
    // opening and closing editors quickly) refuses a new one now and then; a
    // few short retries get one, and a server that is really gone costs at most 63 ms.
    for (int attempt = 0; attempt < 7; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(1 << (attempt - 1)));
        int screenNumber = 0;
        xcb_connection_t* c = xcb_connect(nullptr, &screenNumber);
        if (xcb_connection_has_error(c)) {
            xcb_disconnect(c);  // frees the error object xcb returns
            continue;
        }
        xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(c));
        for (int k = 0; k < screenNumber && screens.rem; ++k) xcb_screen_next(&screens);
        if (!screens.rem) {
            xcb_disconnect(c);
            return nullptr;
        }
        return std::unique_ptr<XcbConnection>(new XcbConnection(c, screens.data));
    }
    return nullptr;
}

XcbConnection::~XcbConnection() {
    if (cursorFont) xcb_close_font(connection, cursorFont);
    xcb_disconnect(connection);  // frees every window, cursor and context made on it
}

const char* XcbConnection::unusableVisual() const {
    if (defaultScreen->root_depth != 24) return "the screen's default depth is not 24 bits";
    const xcb_setup_t* setup = xcb_get_setup(connection);
    bool wordPixels = false;
    for (auto f = xcb_setup_pixmap_formats_iterator(setup); f.rem; xcb_format_next(&f))
        if (f.data->depth == 24) wordPixels = f.data->bits_per_pixel == 32;
    if (!wordPixels) return "the server does not keep 24-bit pixels in 32-bit words";
    for (auto d = xcb_screen_allowed_depths_iterator(defaultScreen); d.rem; xcb_depth_next(&d)) {
        if (d.data->depth != 24) continue;
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v)) {
            const xcb_visualtype_t& visual = *v.data;
            if (visual.visual_id != defaultScreen->root_visual) continue;
            if (visual._class == XCB_VISUAL_CLASS_TRUE_COLOR && visual.red_mask == 0xFF0000 &&
                visual.green_mask == 0xFF00 && visual.blue_mask == 0xFF)
                return nullptr;
        }
    }
    return "the default visual is not true colour with red, green, blue in that order";
}

bool XcbConnection::failed(xcb_void_cookie_t cookie) {
    xcb_generic_error_t* error = xcb_request_check(connection, cookie);
    const bool refused = error != nullptr;
    std::free(error);
    return refused || broken();
}

XcbEvent XcbConnection::nextEvent() {
    while (xcb_generic_event_t* e = xcb_poll_for_event(connection)) {
        if (e->response_type != 0) return XcbEvent(e);
        std::free(e);  // an error of one of our unchecked requests (a window the host destroyed): ours to drop
    }
    return nullptr;
}

bool XcbConnection::rootPosition(xcb_window_t window, int x, int y, int& rootX, int& rootY) {
    const auto cookie = xcb_translate_coordinates(connection, window, defaultScreen->root, static_cast<int16_t>(x),
                                                  static_cast<int16_t>(y));
    xcb_generic_error_t* error = nullptr;
    xcb_translate_coordinates_reply_t* reply = xcb_translate_coordinates_reply(connection, cookie, &error);
    std::free(error);
    if (!reply) return false;
    rootX = reply->dst_x;
    rootY = reply->dst_y;
    std::free(reply);
    return true;
}

bool XcbConnection::exists(xcb_window_t window) {
    xcb_generic_error_t* error = nullptr;
    xcb_get_geometry_reply_t* reply = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), &error);
    std::free(error);
    const bool found = reply != nullptr;
    std::free(reply);
    return found;
}

bool XcbConnection::ownedByLiveClient(uint32_t id) {
    const uint32_t clientBits = ~xcb_get_setup(connection)->resource_id_mask;
    if ((id & clientBits) == 0) return false;
    xcb_generic_error_t* error = nullptr;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(connection, xcb_query_tree(connection, defaultScreen->root), &error);
    std::free(error);
    if (!tree) return false;
    const xcb_window_t* windows = xcb_query_tree_children(tree);
    const int count = xcb_query_tree_children_length(tree);
    const bool owned = std::any_of(windows, windows + count, [&](xcb_window_t w) { return (w & clientBits) == (id & clientBits); });
    std::free(tree);
    return owned;
}

xcb_cursor_t XcbConnection::fontCursor(CursorGlyph glyph) {
    if (!cursorFont) {
        cursorFont = xcb_generate_id(connection);
        if (failed(xcb_open_font_checked(connection, cursorFont, 6, "cursor"))) {
            cursorFont = 0;
            return 0;
        }
    }
    const auto index = static_cast<uint16_t>(glyph);
    const xcb_cursor_t cursor = xcb_generate_id(connection);
    // Each glyph's mask is the next one in the font; black on white.
    xcb_create_glyph_cursor(connection, cursor, cursorFont, cursorFont, index, index + 1, 0, 0, 0, 0xFFFF, 0xFFFF,
                            0xFFFF);
    return cursor;
}

uint32_t XcbConnection::keysymOf(xcb_keycode_t code) {
    xcb_generic_error_t* error = nullptr;
    xcb_get_keyboard_mapping_reply_t* reply =
        xcb_get_keyboard_mapping_reply(connection, xcb_get_keyboard_mapping(connection, code, 1), &error);
    std::free(error);
    if (!reply) return 0;
    const uint32_t keysym = xcb_get_keyboard_mapping_keysyms_length(reply) > 0 ? xcb_get_keyboard_mapping_keysyms(reply)[0] : 0;
    std::free(reply);
    return keysym;
}

xcb_atom_t XcbConnection::atom(const char* name) {
    xcb_generic_error_t* error = nullptr;
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), &error);
    std::free(error);
    const xcb_atom_t atom = reply ? reply->atom : 0;
    std::free(reply);
    return atom;
}

void XcbConnection::putImage(xcb_window_t window, xcb_gcontext_t gc, const uint32_t* pixels, int width, int height,
                             int stride) {
    if (width <= 0 || height <= 0) return;
    const bool serverIsLittleEndian = xcb_get_setup(connection)->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST;
    const uint32_t probe = 1;
    const bool weAreLittleEndian = *reinterpret_cast<const uint8_t*>(&probe) == 1;
    const bool swap = serverIsLittleEndian != weAreLittleEndian;
    // A put request carries 24 bytes of header; big requests let it carry the whole picture.
    const size_t maxBytes = static_cast<size_t>(xcb_get_maximum_request_length(connection)) * 4;
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    const int rowsPerPut = static_cast<int>(std::max<size_t>(1, (maxBytes - 24) / rowBytes));
    std::vector<uint32_t> band;
    for (int top = 0; top < height; top += rowsPerPut) {
        const int rows = std::min(rowsPerPut, height - top);
        const uint32_t* data = pixels + static_cast<size_t>(top) * stride;
        if (stride != width || swap) {
            band.resize(static_cast<size_t>(width) * rows);
            for (int y = 0; y < rows; ++y)
                std::copy(data + static_cast<size_t>(y) * stride, data + static_cast<size_t>(y) * stride + width,
                          band.begin() + static_cast<size_t>(y) * width);
            if (swap)
                for (uint32_t& w : band) w = __builtin_bswap32(w);
            data = band.data();
        }
        xcb_put_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, gc, static_cast<uint16_t>(width),
                      static_cast<uint16_t>(rows), 0, static_cast<int16_t>(top), 0, 24,
                      static_cast<uint32_t>(rowBytes * rows), reinterpret_cast<const uint8_t*>(data));
    }
    xcb_flush(connection);
}

}  // namespace PlugEdit
