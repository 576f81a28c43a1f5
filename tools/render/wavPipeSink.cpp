#include "tools/render/wavPipeSink.h"

#include "tools/render/wavChunks.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace render {
namespace {

// The RIFF size and the data chunk's size become 0xFFFFFFFF. Only the first
// write holds a header: libsndfile writes it whole at open.
void markLengthUnknown(std::vector<unsigned char>& header) {
    if (header.size() < 12 || std::memcmp(header.data(), "RIFF", 4) != 0) return;
    std::fill(header.begin() + 4, header.begin() + 8, 0xFF);
    for (size_t at = 12; at + 8 <= header.size();) {
        const uint32_t size = readLe32(&header[at + 4]);
        if (std::memcmp(&header[at], "data", 4) == 0) {
            std::fill(header.begin() + long(at) + 4, header.begin() + long(at) + 8, 0xFF);
            return;
        }
        at += 8 + size + (size & 1);
    }
}

}  // namespace

WavPipeSink::~WavPipeSink() {
    if (fd >= 0) ::close(fd);
}

SNDFILE* WavPipeSink::open(SF_INFO& info) {
    static SF_VIRTUAL_IO io = {length, seek, read, write, tell};
    return sf_open_virtual(&io, SFM_WRITE, &info, this);
}

int WavPipeSink::finish() {
    if (fd >= 0) {
        if (::close(fd) != 0 && firstError == 0) firstError = errno;
        fd = -1;
    }
    return firstError;
}

sf_count_t WavPipeSink::length(void* self) {
    auto* sink = static_cast<WavPipeSink*>(self);
    return std::max(sink->streamed, sink->position);
}

sf_count_t WavPipeSink::seek(sf_count_t offset, int whence, void* self) {
    auto* sink = static_cast<WavPipeSink*>(self);
    const sf_count_t base = whence == SEEK_CUR ? sink->position : whence == SEEK_END ? length(self) : 0;
    sink->position = std::max<sf_count_t>(0, base + offset);
    return sink->position;
}

sf_count_t WavPipeSink::read(void*, sf_count_t, void*) {
    return 0;  // nothing written can be read back from a pipe
}

sf_count_t WavPipeSink::tell(void* self) {
    return static_cast<WavPipeSink*>(self)->position;
}

bool WavPipeSink::send(const unsigned char* bytes, size_t count) {
    while (count > 0 && firstError == 0) {
        ssize_t n = ::write(fd, bytes, count);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            firstError = n < 0 ? errno : EIO;
            return false;
        }
        bytes += n;
        count -= static_cast<size_t>(n);
        streamed += n;
    }
    return firstError == 0;
}

sf_count_t WavPipeSink::write(const void* ptr, sf_count_t count, void* self) {
    auto* sink = static_cast<WavPipeSink*>(self);
    const auto* bytes = static_cast<const unsigned char*>(ptr);
    // Bytes behind what the pipe already holds (the final header) are dropped.
    const sf_count_t behind = std::clamp<sf_count_t>(sink->streamed - sink->position, 0, count);
    const sf_count_t rest = count - behind;
    if (rest > 0) {
        // A gap ahead of the stream (none expected) is filled with zeros.
        std::vector<unsigned char> gap(static_cast<size_t>(std::max<sf_count_t>(0, sink->position - sink->streamed)));
        if (!gap.empty() && !sink->send(gap.data(), gap.size())) return 0;
        if (sink->streamed == 0) {
            std::vector<unsigned char> header(bytes + behind, bytes + count);
            markLengthUnknown(header);
            if (!sink->send(header.data(), header.size())) return 0;
        } else if (!sink->send(bytes + behind, static_cast<size_t>(rest))) {
            return 0;
        }
    }
    sink->position += count;
    return count;
}

}  // namespace render
