// The file types and sample formats the renderer writes: their names, and
// the container a file of a given length is stored in (libsndfile's codes).
#pragma once

#include <cstdint>
#include <string>

namespace render {

enum class SampleFormat { pcm16, pcm24, pcm32, float32 };
// automatic: TPDF dither when writing 16 bits, none otherwise.
enum class Dither { automatic, tpdf, none };

// The container: by the file name's extension, or as named (--format).
enum class FileType { byName, wav, flac, aiff, rf64, w64, caf };
// "wav", "flac", "aiff", "rf64", "w64" or "caf"; false for anything else.
bool parseFileType(const std::string& text, FileType& type);
// The name parseFileType takes, which is also the extension written.
const char* fileTypeName(FileType type);
// Whether the name ends in an extension of another type than type.
bool extensionDisagrees(const std::string& path, FileType type);

// "16", "24", "32" or "float"; false for anything else.
bool parseSampleFormat(const std::string& text, SampleFormat& format);
const char* sampleFormatName(SampleFormat format);
// Whether writing this format dithers under that choice.
bool dithers(SampleFormat format, Dither dither);

// How an output is stored. WAV and AIFF state their sizes in 32 bits, so a
// WAV whose audio would pass 4 GiB is written as RF64 (the same layout with
// 64-bit sizes); one of unknown length starts as RF64 and is turned into a
// WAV at the end when it is small enough.
enum class Container { wav, rf64, rf64OrWav, w64, caf, flac, aiff };
constexpr int64_t unknownLength = -1;
// The container for frames frames (unknownLength when not known) of this
// format; otherChunkBytes: chunks written beside the audio (metadata). Throws
// RenderError(exitUsage) for an AIFF whose sizes would overflow and
// RenderError(exitOutput) for a name of no known type.
Container containerFor(const std::string& path, FileType type, SampleFormat format, int channels, int64_t frames,
                       int64_t otherChunkBytes = 0);

// The type path is written as: type, or by its extension. Throws
// RenderError(exitOutput) for a name of no known type.
FileType resolvedType(const std::string& path, FileType type);
// libsndfile's major format of a type or a container, and its sample subtype.
int sndfileContainer(FileType type);
int sndfileContainer(Container container);
int subtypeFor(SampleFormat format);
int bytesPerSample(SampleFormat format);
// What a 32-bit chunk size can state, less room for the header's own chunks
// (fmt, fact, PEAK, COMM: well under this).
constexpr int64_t thirtyTwoBitDataLimit = 0xFFFFFFFFll - 4096;

}  // namespace render
