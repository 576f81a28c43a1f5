// Drawing and input of the X11 layer's popups.
#include "plugedit/x11/x11Popup.h"

#include <algorithm>

#include "plugedit/text/textDraw.h"

namespace PlugEdit {

namespace {
// The look of a classic Windows menu at 96 dots per inch.
constexpr int rowHeight = 18;
constexpr int separatorHeight = 8;
constexpr int textIndent = 24;  // room for the check mark
constexpr int rightMargin = 20;
constexpr uint32_t face = 0x00F0F0F0;
constexpr uint32_t frame = 0x00979797;
constexpr uint32_t selected = 0x0091C9F7;
constexpr uint32_t textColour = 0x00000000;
constexpr uint32_t greyed = 0x006D6D6D;
constexpr uint32_t rule = 0x00D7D7D7;
constexpr uint32_t escapeKeysym = 0xFF1B;

void fill(std::vector<uint32_t>& pixels, int stride, int x0, int y0, int w, int h, uint32_t colour) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) pixels[y * stride + x] = colour;
}
}  // namespace

X11Popup::X11Popup(XcbConnection& connection, const MenuEntries& list, int left, int top, bool centred, bool box)
    : x(connection), c(connection.get()), entries(list), messageBox(box) {
    int textWidthMax = 0;
    height = 3;
    for (const MenuEntry& e : entries) {
        tops.push_back(height);
        height += e.separator ? separatorHeight : rowHeight;
        textWidthMax = std::max(textWidthMax, textWidth(smallGlyphs, shownText(e).c_str()));
    }
    height += 3;
    width = textIndent + textWidthMax + rightMargin;
    const xcb_screen_t& screen = x.screen();
    if (centred) left -= width / 2;
    left = std::max(0, std::min(left, screen.width_in_pixels - width));
    top = std::max(0, std::min(top, screen.height_in_pixels - height));
    // In the order of their mask bits: background, border, override-redirect, events, colormap.
    const uint32_t values[] = {XCB_BACK_PIXMAP_NONE, 0, 1,
                               XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                   XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_KEY_PRESS | XCB_EVENT_MASK_LEAVE_WINDOW,
                               screen.default_colormap};
    popup = xcb_generate_id(c);
    xcb_create_window(c, 24, popup, screen.root, static_cast<int16_t>(left), static_cast<int16_t>(top),
                      static_cast<uint16_t>(width), static_cast<uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen.root_visual,
                      XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK |
                          XCB_CW_COLORMAP,
                      values);
    gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, popup, 0, nullptr);
    const uint32_t onTop = XCB_STACK_MODE_ABOVE;
    xcb_configure_window(c, popup, XCB_CONFIG_WINDOW_STACK_MODE, &onTop);
    xcb_map_window(c, popup);
    // Clicks anywhere come to us, so a click outside closes the popup; Escape comes with the keyboard.
    const auto pointer = xcb_grab_pointer(c, 1, popup,
                                          XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                              XCB_EVENT_MASK_POINTER_MOTION,
                                          XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE, XCB_NONE, XCB_CURRENT_TIME);
    const auto keyboard = xcb_grab_keyboard(c, 1, popup, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    xcb_generic_error_t* error = nullptr;
    if (xcb_grab_pointer_reply_t* reply = xcb_grab_pointer_reply(c, pointer, &error)) {
        grabbed = reply->status == XCB_GRAB_STATUS_SUCCESS;
        std::free(reply);
    }
    std::free(error);
    error = nullptr;
    if (xcb_grab_keyboard_reply_t* reply = xcb_grab_keyboard_reply(c, keyboard, &error)) {
        keyboardGrabbed = reply->status == XCB_GRAB_STATUS_SUCCESS;
        std::free(reply);
    }
    std::free(error);
    paint();
}

X11Popup::~X11Popup() {
    if (grabbed) xcb_ungrab_pointer(c, XCB_CURRENT_TIME);
    if (keyboardGrabbed) xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
    xcb_free_gc(c, gc);
    xcb_destroy_window(c, popup);
    x.flush();
}

std::string X11Popup::shownText(const MenuEntry& e) const {
    return messageBox && !e.enabled ? e.text : withoutAccessKeys(e.text);  // a message's lines are shown as written
}

int X11Popup::entryAt(int y) const {
    for (size_t i = 0; i < entries.size(); ++i) {
        const int h = entries[i].separator ? separatorHeight : rowHeight;
        if (y >= tops[i] && y < tops[i] + h) return entries[i].enabled && !entries[i].separator ? static_cast<int>(i) : -1;
    }
    return -1;
}

void X11Popup::finish(int entry) {
    if (done) return;
    done = true;
    xcb_unmap_window(c, popup);
    x.flush();
    if (entry < 0) return;
    choiceMade = true;
    command = entries[static_cast<size_t>(entry)].command;
}

bool X11Popup::handle(const xcb_generic_event_t& e) {
    if (done) return false;
    const uint8_t type = e.response_type & 0x7F;
    switch (type) {
        case XCB_EXPOSE: {
            const auto& expose = reinterpret_cast<const xcb_expose_event_t&>(e);
            if (expose.window != popup) return false;
            if (expose.count == 0) paint();
            return true;
        }
        case XCB_MOTION_NOTIFY: {
            const auto& motion = reinterpret_cast<const xcb_motion_notify_event_t&>(e);
            if (motion.event != popup) return false;
            const bool inside = motion.event_x >= 0 && motion.event_x < width;
            const int now = inside ? entryAt(motion.event_y) : -1;
            if (now != highlighted) {
                highlighted = now;
                paint();
            }
            return true;
        }
        case XCB_BUTTON_PRESS:
        case XCB_BUTTON_RELEASE: {
            const auto& button = reinterpret_cast<const xcb_button_press_event_t&>(e);
            const bool inside = button.event == popup && button.event_x >= 0 && button.event_x < width &&
                                button.event_y >= 0 && button.event_y < height;
            if (type == XCB_BUTTON_PRESS) {
                if (!inside) {
                    finish(-1);  // a click outside closes the popup and is not passed on
                    return true;
                }
                pressedInside = true;
                return true;
            }
            // A choice is the release of a press that began inside (the release
            // of the right click that opened the menu chooses nothing).
            if (inside && pressedInside) {
                const int entry = entryAt(button.event_y);
                if (entry >= 0) finish(entry);
            }
            return button.event == popup;
        }
        case XCB_KEY_PRESS:
            if (x.keysymOf(reinterpret_cast<const xcb_key_press_event_t&>(e).detail) == escapeKeysym) finish(-1);
            return true;
        default: return false;
    }
}

void X11Popup::paint() {
    std::vector<uint32_t> pixels(static_cast<size_t>(width) * height, face);
    fill(pixels, width, 0, 0, width, 1, frame);
    fill(pixels, width, 0, height - 1, width, 1, frame);
    fill(pixels, width, 0, 0, 1, height, frame);
    fill(pixels, width, width - 1, 0, 1, height, frame);
    QuillBLT::Surface surface(pixels.data(), static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                              static_cast<uint32_t>(width));
    for (size_t i = 0; i < entries.size(); ++i) {
        const MenuEntry& e = entries[i];
        const int top = tops[i];
        if (e.separator) {
            fill(pixels, width, 2, top + separatorHeight / 2, width - 4, 1, rule);
            continue;
        }
        if (static_cast<int>(i) == highlighted) fill(pixels, width, 2, top, width - 4, rowHeight, selected);
        const uint32_t colour = (e.enabled || messageBox) ? textColour : greyed;
        if (e.checked) {
            // A small tick left of the text.
            const int cx = 8, cy = top + rowHeight / 2;
            for (int k = 0; k < 3; ++k) fill(pixels, width, cx + k, cy + k - 1, 1, 2, colour);
            for (int k = 0; k < 5; ++k) fill(pixels, width, cx + 3 + k, cy + 1 - k, 1, 2, colour);
        }
        const TextBox box{textIndent, top, width - rightMargin, top + rowHeight};
        drawTextAt(surface, smallGlyphs, shownText(e).c_str(), box.left,
                   top + (rowHeight - smallGlyphs.lineHeight()) / 2, colour);
    }
    x.putImage(popup, gc, pixels.data(), width, height, width);
}

}  // namespace PlugEdit
