// Creation, destruction, the idle pump and painting of PlugEdit::X11EditView.
#include "plugedit/x11/X11EditView.h"

#include <cstdio>
#include <cstring>

#include "blt/atlas.h"
#include "blt/blit.h"
#include "plugedit/Edit.h"
#include "plugedit/menuEntries.h"
#include "plugedit/pictures.h"
#include "plugedit/widgetPaint.h"

namespace PlugEdit {

namespace {
// How long a parent that the host has not flushed to the server yet is waited for.
constexpr auto parentWait = std::chrono::seconds(2);

// Static clean-up step: the atlas decoded by the first open goes when the library unloads.
struct UnloadCleanup {
    ~UnloadCleanup() { QuillBLT::releaseCommonTextures(); }
} unloadCleanup;
}  // namespace

EditView* createEditView(Edit& editor, void* parent) {
    return X11EditView::create(editor, static_cast<xcb_window_t>(reinterpret_cast<uintptr_t>(parent)));
}

X11EditView* X11EditView::create(Edit& owner, xcb_window_t parent) {
    if (!parent) return nullptr;
    // A connection of our own: the host's may be used by other threads, and
    // its errors and ours must never meet.
    std::unique_ptr<XcbConnection> connection = XcbConnection::open();
    if (!connection) return nullptr;
    if (const char* why = connection->unusableVisual()) {
        static bool told = false;  // once per process: a host may try every plug-in window again
        if (!told) std::fprintf(stderr, "%s: no editor: %s\n", owner.host().productName(), why);
        told = true;
        return nullptr;
    }
    auto* view = new X11EditView(owner, std::move(connection));
    view->parentWindow = parent;
    view->editorWindow = xcb_generate_id(view->c);
    if (!view->createWindow()) {
        // A host's window may still sit in its own unflushed buffer: one of a
        // live client's ids is waited for, anything else is no window at all.
        if (view->x->exists(parent) || !view->x->ownedByLiveClient(parent)) {
            delete view;
            return nullptr;
        }
        view->parentDeadline = std::chrono::steady_clock::now() + parentWait;
    }
    view->setUp();
    return view;
}

X11EditView::X11EditView(Edit& editor, std::unique_ptr<XcbConnection> connection)
    : owner(editor), x(std::move(connection)), c(x->get()) {
    // The atlas comes from the library itself; set once, so it is decoded once per process.
    static const bool atlasSourceSet = (QuillBLT::setAtlasSource(embeddedAtlas), true);
    (void)atlasSourceSet;
}

bool X11EditView::createWindow() {
    const PlugCore::EditorLayout& layout = owner.layout();
    const xcb_screen_t& screen = x->screen();
    // Never cleared by the server (every pixel is ours); no key events, so the
    // host's shortcuts keep working while the pointer is over the editor.
    const uint32_t values[] = {XCB_BACK_PIXMAP_NONE, 0,
                               XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE |
                                   XCB_EVENT_MASK_POINTER_MOTION | XCB_EVENT_MASK_LEAVE_WINDOW |
                                   XCB_EVENT_MASK_STRUCTURE_NOTIFY,
                               screen.default_colormap};
    if (x->failed(xcb_create_window_checked(
            c, 24, editorWindow, parentWindow, 0, 0, static_cast<uint16_t>(layout.width),
            static_cast<uint16_t>(layout.height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, screen.root_visual,
            XCB_CW_BACK_PIXMAP | XCB_CW_BORDER_PIXEL | XCB_CW_EVENT_MASK | XCB_CW_COLORMAP, values)))
        return false;
    windowMade = true;
    gc = xcb_generate_id(c);
    xcb_create_gc(c, gc, editorWindow, 0, nullptr);
    arrowCursor = x->fontCursor(CursorGlyph::arrow);
    handCursor = x->fontCursor(CursorGlyph::hand);
    upDownCursor = x->fontCursor(CursorGlyph::upDown);
    xcb_change_window_attributes(c, editorWindow, XCB_CW_CURSOR, &arrowCursor);
    shownCursor = arrowCursor;
    if (parentWindow == screen.root) {
        // A window of its own: the window manager's close button closes the editor, and the title names it.
        protocolsAtom = x->atom("WM_PROTOCOLS");
        deleteAtom = x->atom("WM_DELETE_WINDOW");
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, editorWindow, protocolsAtom, XCB_ATOM_ATOM, 32, 1, &deleteAtom);
        const char* title = host().productName();
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, editorWindow, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                            static_cast<uint32_t>(std::strlen(title)), title);
    }
    xcb_map_window(c, editorWindow);
    x->flush();
    return true;
}

void X11EditView::setUp() {
    const PlugCore::EditorLayout& layout = owner.layout();
    pixels.assign(static_cast<size_t>(layout.width) * layout.height, 0);
    pictureView = QuillBLT::Surface(pixels.data(), static_cast<uint32_t>(layout.width),
                                    static_cast<uint32_t>(layout.height), static_cast<uint32_t>(layout.width));
    if (layout.backgroundId != 0) background = decodeBitmapFile(backgroundBitmap, backgroundBitmapSize);
    sharedCopy.assign(layout.sharedSize, 0);
    if (layout.controlCount != 0) {
        widgets.reserve(layout.controlCount);
        owner.createControls(*this);
    }
    lastTick = std::chrono::steady_clock::now();
}

X11EditView::~X11EditView() {
    popup.reset();
    if (learning.load(std::memory_order_relaxed)) host().cancelLearn();  // a pending learn is abandoned
    // Closing the connection frees everything made on it; the window is
    // destroyed first and waited for, so it is gone when the host looks. Its
    // error, when the host destroyed it first, comes back to us alone.
    if (windowMade && !windowGone) {
        xcb_destroy_window(c, editorWindow);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    }
}

EditHost& X11EditView::host() const { return owner.host(); }

void X11EditView::destroy() {
    // The editor forgets the view first (under its lock), so the audio side
    // never reaches a view that is being deleted.
    owner.viewDestroyed();
    delete this;
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
    if (!windowMade && !createWindow()) {
        if (std::chrono::steady_clock::now() >= parentDeadline || x->broken()) destroy();  // the parent never came
        return;
    }
    while (XcbEvent event = x->nextEvent()) {
        handle(*event);
        if (windowGone || closeAsked) break;
    }
    if (windowGone || closeAsked || x->broken()) {
        destroy();  // the host destroyed its window first, the window manager closed ours, or the server is gone
        return;
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
    x->putImage(editorWindow, gc, pixels.data(), static_cast<int>(pictureView.width),
                static_cast<int>(pictureView.height), static_cast<int>(pictureView.stride));
}

}  // namespace PlugEdit
