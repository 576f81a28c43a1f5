// Cue points as a FLAC CUESHEET metadata block, the kind that is not a CD's:
// a track starts at any sample. It is put into a finished FLAC file as its
// last metadata block, before the audio frames (which move up to make room).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace render {

// The most cue points a cue sheet holds: tracks 1 to 254 (255 is the lead-out).
constexpr size_t flacCueSheetTracks = 254;

// [any thread] Inserts a cue sheet into the FLAC file open on fd, read and
// writable: one track per frame in frames (ascending, each before
// totalFrames, at most flacCueSheetTracks) and the lead-out at totalFrames.
// False when the file is not FLAC or on a read or write error (errno says why).
bool insertFlacCueSheet(int fd, const std::vector<uint64_t>& frames, uint64_t totalFrames);

}  // namespace render
