// Reading and writing audio files (WAV, RF64, W64, CAF, FLAC, AIFF) through
// libsndfile, block by block, so a file of any length needs the same little memory.
#pragma once

#include "tools/render/fileFormats.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace render {

class AtomicOutput;

// A mono or stereo file, read in blocks; mono is played on both channels.
class AudioReader {
public:
    // Opens and checks the file ("-": standard input). Throws
    // RenderError(exitInput) with the reason, also for a file that holds
    // fewer frames than its header declares (an interrupted copy).
    explicit AudioReader(const std::string& path);
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;

    double sampleRate() const { return fileSampleRate; }
    int channels() const { return channelCount; }
    // The length the file's header declares; 0 for a stream that does not say.
    int64_t declaredFrames() const { return declaredFrameCount; }
    bool lengthKnown() const { return lengthDeclared; }
    int64_t framesRead() const { return readFrameCount; }
    // Up to frames frames into left and right; 0 at the end. Throws
    // RenderError(exitInput) on a read error, a sample that is not finite, or
    // an end before the declared length (a file that shrank, a stream cut off).
    size_t read(double* left, double* right, size_t frames);

private:
    struct File;
    std::unique_ptr<File> soundFile;
    std::string filePath;
    double fileSampleRate = 0;
    int channelCount = 0;
    int64_t declaredFrameCount = 0;
    bool lengthDeclared = false;
    int64_t readFrameCount = 0;
    std::string framesText(int64_t frames) const;
};

// Checks that the file type (by default from the name's extension: .wav,
// .rf64, .w64, .caf, .flac, .aif, .aiff) can hold the sample format at this
// rate. Throws RenderError(exitOutput).
void checkOutputFormat(const std::string& path, SampleFormat format, double sampleRate,
                       FileType type = FileType::byName);

// Writes mono or stereo audio into an AtomicOutput's temporary file (or into the
// pipe it writes directly: FLAC and WAV stream, the other types are refused;
// a WAV stream states no length, see WavPipeSink). Integer formats
// are rounded here (with TPDF dither when asked), so the values measured are
// those in the file: samples beyond full scale are held at it and counted.
class AudioWriter {
public:
    // channels: 1 (only the left values are written) or 2; frames: the
    // length to come, which picks the container (see containerFor).
    // Throws RenderError(exitOutput).
    AudioWriter(AtomicOutput& output, SampleFormat format, Dither dither, double sampleRate,
                FileType type = FileType::byName, int channels = 2, int64_t frames = unknownLength);
    ~AudioWriter();
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;

    // Writes frames frames; stored receives each sample as the file holds it
    // (may be null; for a mono file storedRight gets the same values as storedLeft). Throws RenderError(exitOutput).
    void write(const double* left, const double* right, size_t frames, double* storedLeft = nullptr,
               double* storedRight = nullptr);
    // Writes the final header. Throws RenderError(exitOutput).
    void close();
    // Before the first write, for the file's metadata: a libsndfile command
    // (SFC_SET_BROADCAST_INFO, ...) or string (SF_STR_TITLE, ...). False when
    // the format does not take it.
    bool headerCommand(int command, void* data, int bytes);
    bool setString(int type, const std::string& text);
    // The libsndfile container (SF_FORMAT_WAV, ...), and whether it streams into a pipe.
    int container() const;
    bool intoPipe() const;
    // Samples (each channel counted) the integer format held at full scale.
    uint64_t clippedByFormat() const { return clipped; }
    // Samples that were not finite numbers, written as 0.
    uint64_t notFinite() const { return notFiniteCount; }

private:
    struct File;
    std::unique_ptr<File> soundFile;
    std::string targetPath;
    SampleFormat sampleFormat;
    int channelCount;
    bool ditherOn;
    int64_t dataBytesLeft;  // before a 32-bit size would wrap; negative: no such limit
    uint64_t noiseState = 0x0D17BE55EEDull;  // fixed seed: the same bytes on every run
    uint64_t clipped = 0;
    uint64_t notFiniteCount = 0;
    double nextNoise();
    std::string failure() const;
};

}  // namespace render
