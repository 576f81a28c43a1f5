// WinWrap::GdiObject: one GDI object (font, bitmap, brush) owned by its holder
// and deleted with it, so no destructor lists handles by hand.
#pragma once

#include <windows.h>

namespace WinWrap {

template <typename Handle>
class GdiObject {
public:
    GdiObject() = default;
    explicit GdiObject(Handle h) : handle(h) {}
    ~GdiObject() { reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    GdiObject& operator=(Handle h) {
        reset(h);
        return *this;
    }

    // [UI thread] Deletes the held object (if any) and holds h.
    void reset(Handle h = nullptr) {
        if (handle) DeleteObject(handle);
        handle = h;
    }
    Handle get() const { return handle; }
    explicit operator bool() const { return handle != nullptr; }

private:
    Handle handle = nullptr;
};

}  // namespace WinWrap
