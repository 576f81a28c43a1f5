// What every object of this edition shares: reference counting, answering
// queryInterface for a list of interfaces, and UTF-16 texts.
#pragma once

#include <atomic>
#include <cstddef>

#include "vst3/vst3Base.h"

namespace Vst3Format {

// [any thread] The reference count of one object; the object deletes itself at zero.
class RefCount {
public:
    Vst3::uint32 up() { return ++count; }
    Vst3::uint32 down() { return --count; }

private:
    std::atomic<Vst3::uint32> count{1};
};

// Answers for interface I (and, listed separately, its bases) when asked.
template <typename I, typename Self>
bool offer(Self* self, const Vst3::TUID asked, void** obj) {
    if (!Vst3::sameIid(asked, I::iid)) return false;
    *obj = static_cast<I*>(self);
    self->addRef();
    return true;
}

// Copies an ASCII or UTF-8 text (bytes above 0x7F kept as Latin-1) into a
// terminated UTF-16 field of `size` units.
void copyText(Vst3::char16* to, size_t size, const char* from);
// The reverse, for texts typed into a host: units above 0xFF become '?'.
void copyText(char* to, size_t size, const Vst3::char16* from);
// A terminated narrow field, cut to fit.
void copyText(char* to, size_t size, const char* from);

}  // namespace Vst3Format

// The three FUnknown counting methods of a class holding `RefCount refs`.
#define VST3_REFCOUNTED                                                  \
    Vst3::uint32 VST3CALL addRef() override { return refs.up(); }       \
    Vst3::uint32 VST3CALL release() override {                          \
        const Vst3::uint32 left = refs.down();                          \
        if (left == 0) delete this;                                     \
        return left;                                                    \
    }
