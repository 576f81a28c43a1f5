// A WAV file written into a pipe, through libsndfile's virtual I/O. A WAV
// header gives the length first, which a pipe cannot go back to fill in; so,
// as ffmpeg does, the header's two sizes say "unknown" (0xFFFFFFFF) and
// readers take the data to the end of the stream. libsndfile's rewrite of the
// header at the end is dropped.
#pragma once

#include <sndfile.h>

#include <string>

namespace render {

class WavPipeSink {
public:
    explicit WavPipeSink(int descriptor) : fd(descriptor) {}
    ~WavPipeSink();  // closes the descriptor
    WavPipeSink(const WavPipeSink&) = delete;
    WavPipeSink& operator=(const WavPipeSink&) = delete;

    // Opens a libsndfile handle writing into the sink; null on failure.
    SNDFILE* open(SF_INFO& info);
    // Closes the descriptor. The errno of the first failed write or of the close, 0 when none.
    int finish();
    int error() const { return firstError; }

private:
    static sf_count_t length(void* self);
    static sf_count_t seek(sf_count_t offset, int whence, void* self);
    static sf_count_t read(void* ptr, sf_count_t count, void* self);
    static sf_count_t write(const void* ptr, sf_count_t count, void* self);
    static sf_count_t tell(void* self);
    bool send(const unsigned char* bytes, size_t count);

    int fd;
    sf_count_t position = 0;  // where libsndfile believes it writes
    sf_count_t streamed = 0;  // bytes gone into the pipe
    int firstError = 0;
};

}  // namespace render
