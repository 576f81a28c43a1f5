#include "vst3/streamBytes.h"

#include <algorithm>
#include <iterator>

namespace Vst3Format {
namespace {
// No state of ours comes near this; a stream that never ends is refused.
constexpr size_t kMaxState = 64u << 20;
constexpr Vst3::int32 kStep = 64 * 1024;
}  // namespace

bool readAll(Vst3::IBStream* stream, std::vector<uint8_t>& out) {
    out.clear();
    if (!stream) return false;
    for (;;) {
        const size_t at = out.size();
        if (at >= kMaxState) return false;
        out.resize(at + kStep);
        Vst3::int32 got = 0;
        const Vst3::tresult result = stream->read(out.data() + at, kStep, &got);
        got = std::clamp<Vst3::int32>(got, 0, kStep);
        out.resize(at + static_cast<size_t>(got));
        if (result != Vst3::kResultOk) return !out.empty();
        if (got == 0) return true;
    }
}

bool writeAll(Vst3::IBStream* stream, const std::vector<uint8_t>& bytes) {
    if (!stream) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        const auto ask = static_cast<Vst3::int32>(std::min<size_t>(bytes.size() - done, kStep));
        Vst3::int32 wrote = 0;
        if (stream->write(const_cast<uint8_t*>(bytes.data()) + done, ask, &wrote) != Vst3::kResultOk || wrote <= 0)
            return false;
        done += static_cast<size_t>(std::min(wrote, ask));
    }
    return true;
}

void appendBypassMark(std::vector<uint8_t>& bytes) {
    bytes.insert(bytes.end(), std::begin(kBypassMark), std::end(kBypassMark));
}

bool takeBypassMark(std::vector<uint8_t>& bytes) {
    constexpr size_t n = sizeof kBypassMark;
    if (bytes.size() < n || !std::equal(bytes.end() - n, bytes.end(), std::begin(kBypassMark))) return false;
    bytes.resize(bytes.size() - n);
    return true;
}

}  // namespace Vst3Format
