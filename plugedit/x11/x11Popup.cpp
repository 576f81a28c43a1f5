// Drawing and input of the X11 layer's popups.
#include "plugedit/x11/x11Popup.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

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

void fill(std::vector<uint32_t>& pixels, int stride, int x0, int y0, int w, int h, uint32_t colour) {
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) pixels[y * stride + x] = colour;
}
}  // namespace

X11Popup::X11Popup(Display* d, const MenuEntries& list, int x, int y, bool centred, bool box)
    : display(d), entries(list), messageBox(box) {
    int textWidthMax = 0;
    height = 3;
    for (const MenuEntry& e : entries) {
        tops.push_back(height);
        height += e.separator ? separatorHeight : rowHeight;
        textWidthMax = std::max(textWidthMax, textWidth(smallGlyphs, shownText(e).c_str()));
    }
    height += 3;
    width = textIndent + textWidthMax + rightMargin;
    const int screen = DefaultScreen(display);
    if (centred) x -= width / 2;
    x = std::max(0, std::min(x, DisplayWidth(display, screen) - width));
    y = std::max(0, std::min(y, DisplayHeight(display, screen) - height));
    XSetWindowAttributes a{};
    a.override_redirect = True;
    a.background_pixmap = None;
    a.border_pixel = 0;
    a.colormap = DefaultColormap(display, screen);
    a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
                   LeaveWindowMask;
    popup = XCreateWindow(display, RootWindow(display, screen), x, y, static_cast<unsigned>(width),
                          static_cast<unsigned>(height), 0, DefaultDepth(display, screen), InputOutput,
                          DefaultVisual(display, screen),
                          CWOverrideRedirect | CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask, &a);
    gc = XCreateGC(display, popup, 0, nullptr);
    XMapRaised(display, popup);
    XSync(display, False);
    // Clicks anywhere come to us, so a click outside closes the popup; Escape comes with the keyboard.
    grabbed = XGrabPointer(display, popup, True, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                           GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
    XGrabKeyboard(display, popup, True, GrabModeAsync, GrabModeAsync, CurrentTime);
    paint();
}

X11Popup::~X11Popup() {
    if (grabbed) XUngrabPointer(display, CurrentTime);
    XUngrabKeyboard(display, CurrentTime);
    if (gc) XFreeGC(display, gc);
    if (popup) XDestroyWindow(display, popup);
    XFlush(display);
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
    XUnmapWindow(display, popup);
    if (entry < 0) return;
    choiceMade = true;
    command = entries[static_cast<size_t>(entry)].command;
}

bool X11Popup::handle(const XEvent& e) {
    if (done) return false;
    switch (e.type) {
        case Expose:
            if (e.xexpose.window != popup) return false;
            if (e.xexpose.count == 0) paint();
            return true;
        case MotionNotify: {
            if (e.xmotion.window != popup) return false;
            const bool inside = e.xmotion.x >= 0 && e.xmotion.x < width;
            const int now = inside ? entryAt(e.xmotion.y) : -1;
            if (now != highlighted) {
                highlighted = now;
                paint();
            }
            return true;
        }
        case ButtonPress:
        case ButtonRelease: {
            const bool inside = e.xbutton.window == popup && e.xbutton.x >= 0 && e.xbutton.x < width &&
                                e.xbutton.y >= 0 && e.xbutton.y < height;
            if (e.type == ButtonPress) {
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
                const int entry = entryAt(e.xbutton.y);
                if (entry >= 0) finish(entry);
            }
            return e.xbutton.window == popup;
        }
        case KeyPress:
            if (XLookupKeysym(const_cast<XKeyEvent*>(&e.xkey), 0) == XK_Escape) finish(-1);
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
    const int screen = DefaultScreen(display);
    XImage* image = XCreateImage(display, DefaultVisual(display, screen), static_cast<unsigned>(DefaultDepth(display, screen)),
                                 ZPixmap, 0, reinterpret_cast<char*>(pixels.data()), static_cast<unsigned>(width),
                                 static_cast<unsigned>(height), 32, width * 4);
    if (!image) return;
    XPutImage(display, popup, gc, image, 0, 0, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    image->data = nullptr;  // the pixels are ours
    XDestroyImage(image);
    XFlush(display);
}

}  // namespace PlugEdit
