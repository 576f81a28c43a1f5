// Construction, destruction, painting and the timer tick of PlugEdit::EditWin.
#include "plugedit/win32/EditWin.h"

#include "platform/platform.h"
#include "plugedit/Edit.h"
#include "plugedit/messages.h"
#include "plugedit/win32/Knob.h"
#include "plugedit/win32/OnOff.h"

namespace PlugEdit {

EditView* createEditView(Edit& editor, void* parent) {
    auto* window = new EditWin(editor.layout(), &editor, static_cast<HWND>(parent));
    if (window->hwnd()) return window;
    delete window;  // no window: the object is ours alone to delete
    return nullptr;
}

EditWin::EditWin(const PlugCore::EditorLayout& editorLayout, Edit* editor, HWND parent)
    : WinControl(parent, 0, 0, editorLayout.width, editorLayout.height, WS_VISIBLE | WS_CLIPCHILDREN),
      owner(editor),
      layout(&editorLayout) {
    if (!hwnd()) return;  // nothing to hang widgets on; the opener deletes us
    createFonts();
    if (layout->controlCount != 0) {
        controls.assign(layout->controlCount, nullptr);
        owner->createControls(*this);
    }
    sharedCopy.assign(layout->sharedSize, 0);
    timerRunning = false;
    learning = false;
    if (layout->backgroundId != 0) background = loadBackground(layout->backgroundId);
}

EditWin::~EditWin() {
    if (learning.load(std::memory_order_relaxed)) host().cancelLearn();  // a pending learn is abandoned
    if (timerRunning) KillTimer(hwnd(), 0);
    owner->viewDestroyed();
}

EditHost& EditWin::host() const { return owner->host(); }

void EditWin::destroy() {
    if (hwnd()) DestroyWindow(hwnd());
}

void EditWin::createFonts() {
    // Holding Shift, Ctrl and Alt while the editor opens gives crisp, unsmoothed text.
    const bool plain = (GetKeyState(VK_SHIFT) & 0x8000) && (GetKeyState(VK_CONTROL) & 0x8000) &&
                       (GetKeyState(VK_MENU) & 0x8000);
    const DWORD quality = plain ? NONANTIALIASED_QUALITY : DEFAULT_QUALITY;
    const int small = -MulDiv(7, 96, 72);
    const int large = -MulDiv(9, 96, 72);
    auto font = [quality](int height, DWORD underline) {
        return CreateFontA(height, 0, 0, 0, FW_NORMAL, FALSE, underline, FALSE, ANSI_CHARSET, 0, 0, quality, 0,
                           "Verdana");
    };
    smallFont = font(small, FALSE);
    smallUnderlinedFont = font(small, TRUE);
    largeFont = font(large, FALSE);
}

void EditWin::addKnob(int32_t index, WidgetPlace p, const char* caption) {
    addControl(index, new Knob(hwnd(), p.x, p.y, p.width, p.height, widgetStyle, caption));
}

void EditWin::addSwitch(int32_t index, WidgetPlace p, const char* caption, const char* const* stateNames,
                        const char* const* menuNames) {
    addControl(index, new OnOff(hwnd(), p.x, p.y, p.width, p.height, widgetStyle, caption, stateNames, menuNames));
}

void EditWin::addControl(int32_t index, WinWrap::WinControl* widget) {
    if (!widget) return;
    if (!widget->hwnd()) {
        delete widget;  // the wrapper never frees an object without a window
        return;
    }
    if (index < 0 || static_cast<size_t>(index) >= controls.size()) {
        DestroyWindow(widget->hwnd());
        return;
    }
    controls[index] = widget->hwnd();
    SetWindowLongPtrA(widget->hwnd(), GWLP_ID, index);
    PostMessageA(widget->hwnd(), msgShowValue, floatBits(host().value(index)), 0);
}

HWND EditWin::control(int32_t index) const {
    if (index < 0 || static_cast<size_t>(index) >= controls.size()) return nullptr;
    return controls[index];
}

void EditWin::showValue(int32_t index, float value) {
    HWND widget = control(index);
    if (widget) PostMessageA(widget, msgShowValue, floatBits(value), 0);
}

void EditWin::learnCompleted(int32_t index) {
    if (!learning.load(std::memory_order_relaxed) || learnIndex.load(std::memory_order_relaxed) != index) return;
    HWND widget = control(index);
    if (!widget) return;
    PostMessageA(widget, msgLearnEnd, 0, 0);
    learning.store(false, std::memory_order_relaxed);
}

EditWin* EditWin::ofWidget(HWND widget) {
    if (!widget) return nullptr;
    return dynamic_cast<EditWin*>(WinControl::fromWindow(GetParent(widget)));
}

void EditWin::paint(HWND window, HDC memory) {
    bool drawn = false;
    if (background) {
        HDC source = CreateCompatibleDC(memory);
        if (source) {
            HGDIOBJ previous = SelectObject(source, background.get());
            BITMAP info{};
            if (GetObjectA(background.get(), sizeof info, &info)) {
                BitBlt(memory, 0, 0, info.bmWidth, info.bmHeight, source, 0, 0, SRCCOPY);
                drawn = true;
            }
            SelectObject(source, previous);
            DeleteDC(source);
        }
    }
    if (!drawn) {
        RECT client;
        GetClientRect(window, &client);
        FillRect(memory, &client, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    GdiFlush();  // the picture must be in the pixels before the overlay adds to them
    const QuillBLT::Surface& pixels = backBuffer();
    if (pixels.pixels) owner->paintOverlay(pixels);
}

void EditWin::timerTick() {
    // Repaint unless a new block was taken and the product says it changes nothing.
    if (sharedCopy.empty() || !owner->takeShared(sharedCopy.data()) || owner->takeSharedData(sharedCopy.data()))
        invalidate();
    host().pollChanges(*owner);
}

}  // namespace PlugEdit
