// Creation, destruction, the idle pump and painting of PlugEdit::X11EditView.
#include "plugedit/x11/X11EditView.h"

#include <X11/Xutil.h>
#include <X11/cursorfont.h>

#include <cstring>
#include <thread>

#include "blt/atlas.h"
#include "blt/blit.h"
#include "plugedit/Edit.h"
#include "plugedit/menuEntries.h"
#include "plugedit/pictures.h"
#include "plugedit/widgetPaint.h"
#include "plugedit/x11/x11ErrorTrap.h"

namespace PlugEdit {

namespace {
// An X server that has just seen many connections come and go (a host opening
// and closing editors quickly) refuses a new one now and then; a few short
// retries get one, and a server that is really gone costs at most 63 ms.
Display* openDisplay() {
    Display* display = XOpenDisplay(nullptr);
    for (int attempt = 0; !display && attempt < 6; ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1 << attempt));
        display = XOpenDisplay(nullptr);
    }
    return display;
}
}  // namespace

EditView* createEditView(Edit& editor, void* parent) {
    return X11EditView::create(editor, static_cast<Window>(reinterpret_cast<uintptr_t>(parent)));
}

X11EditView* X11EditView::create(Edit& owner, Window parent) {
    if (!parent) return nullptr;
    // A connection of our own: the host's may be used by other threads, and
    // Xlib's thread support is the host's to switch on, not ours.
    Display* display = openDisplay();
    if (!display) return nullptr;
    auto* view = new X11EditView(owner, display);
    if (!view->createWindow(parent)) {
        delete view;
        return nullptr;
    }
    return view;
}

X11EditView::X11EditView(Edit& editor, Display* d) : owner(editor), display(d) {
    // The atlas comes from the library itself; set once, so it is decoded once per process.
    static const bool atlasSourceSet = (QuillBLT::setAtlasSource(embeddedAtlas), true);
    (void)atlasSourceSet;
}

bool X11EditView::createWindow(Window parent) {
    const PlugCore::EditorLayout& layout = owner.layout();
    const int screen = DefaultScreen(display);
    Visual* visual = DefaultVisual(display, screen);
    // The picture's words are put as they are: a 24-bit true-colour visual with red, green, blue in that order.
    if (DefaultDepth(display, screen) != 24 || visual->red_mask != 0xFF0000 || visual->green_mask != 0xFF00 ||
        visual->blue_mask != 0xFF)
        return false;
    {
        X11ErrorTrap trap(display);
        XSetWindowAttributes a{};
        a.background_pixmap = None;  // never cleared by the server: every pixel is ours
        a.border_pixel = 0;
        a.colormap = DefaultColormap(display, screen);
        a.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                       LeaveWindowMask | StructureNotifyMask | KeyPressMask;
        editorWindow = XCreateWindow(display, parent, 0, 0, static_cast<unsigned>(layout.width),
                                     static_cast<unsigned>(layout.height), 0, 24, InputOutput, visual,
                                     CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask, &a);
        if (trap.failed()) {
            editorWindow = 0;  // the parent is not a window: nothing was made
            return false;
        }
    }
    gc = XCreateGC(display, editorWindow, 0, nullptr);
    arrowCursor = XCreateFontCursor(display, XC_left_ptr);
    handCursor = XCreateFontCursor(display, XC_hand2);
    upDownCursor = XCreateFontCursor(display, XC_sb_v_double_arrow);
    XDefineCursor(display, editorWindow, arrowCursor);
    shownCursor = arrowCursor;

    pixels.assign(static_cast<size_t>(layout.width) * layout.height, 0);
    pictureView = QuillBLT::Surface(pixels.data(), static_cast<uint32_t>(layout.width),
                                    static_cast<uint32_t>(layout.height), static_cast<uint32_t>(layout.width));
    if (layout.backgroundId != 0) background = decodeBitmapFile(backgroundBitmap, backgroundBitmapSize);
    sharedCopy.assign(layout.sharedSize, 0);
    if (layout.controlCount != 0) {
        widgets.reserve(layout.controlCount);
        owner.createControls(*this);
    }
    XMapWindow(display, editorWindow);
    XFlush(display);
    lastTick = std::chrono::steady_clock::now();
    return true;
}

X11EditView::~X11EditView() {
    popup.reset();
    if (learning.load(std::memory_order_relaxed)) host().cancelLearn();  // a pending learn is abandoned
    if (upDownCursor) XFreeCursor(display, upDownCursor);
    if (handCursor) XFreeCursor(display, handCursor);
    if (arrowCursor) XFreeCursor(display, arrowCursor);
    if (gc) XFreeGC(display, gc);
    if (editorWindow && !windowGone) XDestroyWindow(display, editorWindow);
    XCloseDisplay(display);
}

EditHost& X11EditView::host() const { return owner.host(); }

void X11EditView::destroy() {
    Edit& editor = owner;
    delete this;
    editor.viewDestroyed();
}

void X11EditView::addKnob(int32_t index, WidgetPlace place, const char* caption) {
    if (index < 0 || static_cast<uint32_t>(index) >= owner.layout().controlCount || widgetOf(index)) return;
    widgets.push_back(Widget{index, place, caption, true, nullptr, nullptr});
    widgets.back().value = host().value(index);
}

void X11EditView::addSwitch(int32_t index, WidgetPlace place, const char* caption, const char* const* stateNames,
                            const char* const* menuNames) {
    if (index < 0 || static_cast<uint32_t>(index) >= owner.layout().controlCount || widgetOf(index)) return;
    widgets.push_back(Widget{index, place, caption, false, stateNames, menuNames});
    widgets.back().value = host().value(index);
}

X11EditView::Widget* X11EditView::widgetOf(int32_t index) {
    for (Widget& w : widgets)
        if (w.index == index) return &w;
    return nullptr;
}

void X11EditView::showValue(int32_t index, float value) {
    Widget* w = widgetOf(index);
    if (!w) return;
    w->value = value;  // a drag in progress continues from its own anchor
    dirty = true;
}

void X11EditView::learnCompleted(int32_t index) {
    if (!learning.load(std::memory_order_relaxed) || learnIndex.load(std::memory_order_relaxed) != index) return;
    learnDone.store(index, std::memory_order_relaxed);
    learning.store(false, std::memory_order_relaxed);
}

void X11EditView::idle() {
    while (XPending(display) > 0) {
        XEvent event;
        XNextEvent(display, &event);
        handle(event);
        if (windowGone) {
            destroy();  // the host destroyed its window first: the editor is closed
            return;
        }
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - lastTick >= std::chrono::milliseconds(10)) {
        lastTick = now;
        tick();
    }
    if (dirty && mapped) repaint();
}

void X11EditView::tick() {
    const int32_t done = learnDone.exchange(-1, std::memory_order_relaxed);
    if (Widget* w = widgetOf(done)) {
        w->learning = false;
        dirty = true;
    }
    // Repaint unless a new block was taken and the product says it changes nothing.
    if (sharedCopy.empty() || !owner.takeShared(sharedCopy.data()) || owner.takeSharedData(sharedCopy.data()))
        dirty = true;
    host().pollChanges(owner);
}

void X11EditView::repaint() {
    const uint32_t count = pictureView.width * pictureView.height;
    if (background && background->width() >= pictureView.width && background->height() >= pictureView.height)
        QuillBLT::copy(background->view(), pictureView, pictureView.width, pictureView.height);
    else
        std::fill(pixels.begin(), pixels.end(), 0u);
    owner.paintOverlay(pictureView);
    underWidgets.assign(pixels.begin(), pixels.begin() + count);
    const QuillBLT::Surface under(underWidgets.data(), pictureView.width, pictureView.height, pictureView.stride);
    // Each widget draws over the picture under it, as the Windows child windows
    // do (a widget's area starts from the editor's picture, not from a sibling's).
    for (const Widget& w : widgets) {
        const QuillBLT::Surface area = areaOf(pictureView, w.place);
        QuillBLT::copy(areaOf(under, w.place), area, area.width, area.height);
        if (w.knob) {
            paintKnob(area, {w.value, w.caption, valueLine(host(), w.index), w.hovered, w.dragging, w.learning},
                      owner.layout().captionColour);
        } else {
            const char* state = w.stateNames ? w.stateNames[w.on() ? 1 : 0] : "";
            paintSwitch(area, {w.on(), w.caption, state, w.hovered, w.learning}, owner.layout().captionColour);
        }
    }
    putPicture();
    dirty = false;
}

void X11EditView::putPicture() {
    const int screen = DefaultScreen(display);
    XImage* image = XCreateImage(display, DefaultVisual(display, screen), 24, ZPixmap, 0,
                                 reinterpret_cast<char*>(pixels.data()), pictureView.width, pictureView.height, 32,
                                 static_cast<int>(pictureView.stride * 4));
    if (!image) return;
    XPutImage(display, editorWindow, gc, image, 0, 0, 0, 0, pictureView.width, pictureView.height);
    image->data = nullptr;  // the pixels belong to the view
    XDestroyImage(image);
    XFlush(display);
}

}  // namespace PlugEdit
