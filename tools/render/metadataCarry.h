// What a WAV input's metadata becomes in the output: the broadcast extension
// (bext: description, time reference, coding history), the LIST/INFO tags,
// cue points with their labels (cue and LIST/adtl) and iXML.
//
// A WAV or RF64 output keeps them all: the bext goes through libsndfile into
// the header before the audio; the others are appended after the audio once
// libsndfile has closed the file, and the bext then gets the measured
// loudness (version 2). A FLAC output gets the INFO tags that Vorbis
// comments name and the cue points as a cue sheet. Whatever the output cannot take is named on standard error,
// one line per kind. Positions keep their frames: output frame N is input
// frame N unless the plug-in's latency is kept, which moves every position
// later by it (and the time reference of the first frame earlier).
#pragma once

#include "tools/render/levelMeter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace render {

class AtomicOutput;
class AudioWriter;

class MetadataCarry {
public:
    // [main thread] Reads the metadata of the file at inputPath: none for ""
    // (the demo signal), "-" (standard input, read once by the audio
    // reader) or a file that is not WAV. shift: frames the output is later
    // than the input.
    MetadataCarry(const std::string& inputPath, int64_t shift);

    // [main thread] Before the first frame is written into writer, which
    // writes output.
    void beforeAudio(AudioWriter& writer, const AtomicOutput& output);
    // [main thread] After writer.close(): appends the chunks and writes the
    // loudness of the file as written into its bext. Throws RenderError(exitOutput).
    void afterAudio(const LevelFigures& output);

private:
    void dropped(const std::string& what, const std::string& why) const;
    void carryStrings(AudioWriter& writer, const std::string& why);
    std::vector<uint8_t> shiftedCue() const;
    void writeCueSheet(uint64_t totalFrames);

    int64_t frameShift;
    std::string targetName;      // for messages
    std::vector<uint8_t> bext, info, cue, adtl, ixml;
    std::vector<std::string> otherChunks;  // kinds of chunk not carried anywhere
    std::string appendTo;        // the temporary file to append to; empty: nothing appended
    std::string cueSheetInto;    // the temporary FLAC file to put a cue sheet into
    bool bextWritten = false;
};

}  // namespace render
