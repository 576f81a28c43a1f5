#include "tools/render/fileFormats.h"

#include "tools/render/renderError.h"

#include <sndfile.h>

#include <cctype>

namespace render {
namespace {

std::string lowerExtension(const std::string& path) {
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

struct TypeName {
    FileType type;
    const char* name;
    int container;  // libsndfile's
};
constexpr TypeName typeNames[] = {
    {FileType::wav, "wav", SF_FORMAT_WAV},   {FileType::flac, "flac", SF_FORMAT_FLAC},
    {FileType::aiff, "aiff", SF_FORMAT_AIFF}, {FileType::rf64, "rf64", SF_FORMAT_RF64},
    {FileType::w64, "w64", SF_FORMAT_W64},    {FileType::caf, "caf", SF_FORMAT_CAF},
};

FileType typeOfName(const std::string& path) {
    const std::string ext = lowerExtension(path);
    if (ext == "aif") return FileType::aiff;
    for (const TypeName& t : typeNames)
        if (ext == t.name) return t.type;
    return FileType::byName;
}

}  // namespace

FileType resolvedType(const std::string& path, FileType type) {
    if (type == FileType::byName) type = typeOfName(path);
    if (type != FileType::byName) return type;
    const std::string ext = lowerExtension(path);
    throw RenderError(exitOutput, "unsupported output format '" + (ext.empty() ? path : "." + ext) +
                                      "' (use .wav, .rf64, .w64, .caf, .flac, .aif or .aiff)");
}

int sndfileContainer(FileType type) {
    for (const TypeName& t : typeNames)
        if (t.type == type) return t.container;
    return 0;
}

int sndfileContainer(Container container) {
    switch (container) {
    case Container::wav: return SF_FORMAT_WAV;
    case Container::rf64:
    case Container::rf64OrWav: return SF_FORMAT_RF64;
    case Container::w64: return SF_FORMAT_W64;
    case Container::caf: return SF_FORMAT_CAF;
    case Container::flac: return SF_FORMAT_FLAC;
    case Container::aiff: return SF_FORMAT_AIFF;
    }
    return 0;
}

int subtypeFor(SampleFormat format) {
    switch (format) {
    case SampleFormat::pcm16: return SF_FORMAT_PCM_16;
    case SampleFormat::pcm24: return SF_FORMAT_PCM_24;
    case SampleFormat::pcm32: return SF_FORMAT_PCM_32;
    case SampleFormat::float32: return SF_FORMAT_FLOAT;
    }
    return SF_FORMAT_PCM_24;
}

int bytesPerSample(SampleFormat format) {
    return format == SampleFormat::pcm16 ? 2 : format == SampleFormat::pcm24 ? 3 : 4;
}

bool parseFileType(const std::string& text, FileType& type) {
    for (const TypeName& t : typeNames)
        if (text == t.name) {
            type = t.type;
            return true;
        }
    return false;
}

const char* fileTypeName(FileType type) {
    for (const TypeName& t : typeNames)
        if (t.type == type) return t.name;
    return "";
}

Container containerFor(const std::string& path, FileType type, SampleFormat format, int channels, int64_t frames,
                       int64_t otherChunkBytes) {
    const int64_t limit = thirtyTwoBitDataLimit - otherChunkBytes;
    const bool fits = frames >= 0 && frames <= limit / (int64_t(bytesPerSample(format)) * channels);
    switch (resolvedType(path, type)) {
    case FileType::wav: return fits ? Container::wav : frames < 0 ? Container::rf64OrWav : Container::rf64;
    case FileType::aiff:
        // Checked before the work; a stream of unknown length is held at the limit as it is written.
        if (!fits && frames >= 0)
            throw RenderError(exitUsage, path + " would hold " + std::to_string(frames) + " frames of " +
                                             sampleFormatName(format) + " audio, more than the 4 GiB an AIFF can "
                                             "state: write it as .rf64, .w64, .caf or .flac");
        return Container::aiff;
    case FileType::rf64: return Container::rf64;
    case FileType::w64: return Container::w64;
    case FileType::caf: return Container::caf;
    default: return Container::flac;
    }
}

bool extensionDisagrees(const std::string& path, FileType type) {
    const FileType named = typeOfName(path);
    return type != FileType::byName && named != FileType::byName && named != type;
}

bool parseSampleFormat(const std::string& text, SampleFormat& format) {
    if (text == "16") format = SampleFormat::pcm16;
    else if (text == "24") format = SampleFormat::pcm24;
    else if (text == "32") format = SampleFormat::pcm32;
    else if (text == "float") format = SampleFormat::float32;
    else return false;
    return true;
}

const char* sampleFormatName(SampleFormat format) {
    switch (format) {
    case SampleFormat::pcm16: return "16-bit";
    case SampleFormat::pcm24: return "24-bit";
    case SampleFormat::pcm32: return "32-bit";
    case SampleFormat::float32: return "float";
    }
    return "?";
}

bool dithers(SampleFormat format, Dither dither) {
    if (format == SampleFormat::float32 || dither == Dither::none) return false;
    return dither == Dither::tpdf || format == SampleFormat::pcm16;
}

}  // namespace render
