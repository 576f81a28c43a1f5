#include "tools/render/audio_file.h"

#include "tools/render/atomic_output.h"
#include "tools/render/render_error.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <memory>

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

int containerFor(const std::string& path) {
    std::string ext = lowerExtension(path);
    if (ext == "wav") return SF_FORMAT_WAV;
    if (ext == "flac") return SF_FORMAT_FLAC;
    if (ext == "aif" || ext == "aiff") return SF_FORMAT_AIFF;
    throw RenderError(exitOutput, "unsupported output format '" + (ext.empty() ? path : "." + ext) +
                                      "' (use .wav, .flac, .aif or .aiff)");
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

SF_INFO outputInfo(const std::string& path, SampleFormat format, double sampleRate) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(std::lround(sampleRate));
    info.channels = 2;
    info.format = containerFor(path) | subtypeFor(format);
    if (!sf_format_check(&info))
        throw RenderError(exitOutput, std::string("the ") + lowerExtension(path) + " format cannot store " +
                                          sampleFormatName(format) + " samples at " +
                                          std::to_string(info.samplerate) + " Hz");
    return info;
}

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

}  // namespace

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

AudioData readAudioFile(const std::string& path) {
    SF_INFO info{};
    SndfileHandle file(sf_open(path.c_str(), SFM_READ, &info));
    if (!file) throw RenderError(exitInput, "cannot read " + path + ": " + sf_strerror(nullptr));
    if (info.channels < 1 || info.channels > 2)
        throw RenderError(exitInput, path + " has " + std::to_string(info.channels) +
                                         " channels; only mono and stereo files can be rendered");
    if (info.samplerate <= 0) throw RenderError(exitInput, path + " has no valid sample rate");
    AudioData audio;
    audio.sampleRate = info.samplerate;
    audio.sourceChannels = info.channels;
    // Float files keep values beyond full scale; integer files are read as -1..1.
    std::vector<double> interleaved(4096 * static_cast<size_t>(info.channels));
    for (;;) {
        sf_count_t got = sf_readf_double(file.get(), interleaved.data(), 4096);
        if (got <= 0) break;
        for (sf_count_t i = 0; i < got; ++i) {
            double left = interleaved[static_cast<size_t>(i * info.channels)];
            double right = info.channels == 2 ? interleaved[static_cast<size_t>(i * 2 + 1)] : left;
            audio.channel[0].push_back(left);
            audio.channel[1].push_back(right);
        }
    }
    if (sf_error(file.get()) != SF_ERR_NO_ERROR)
        throw RenderError(exitInput, "cannot read " + path + ": " + sf_strerror(file.get()));
    for (const auto& ch : audio.channel)
        for (double x : ch)
            if (!std::isfinite(x)) throw RenderError(exitInput, path + " holds samples that are not finite numbers");
    return audio;
}

void checkOutputFormat(const std::string& path, SampleFormat format, double sampleRate) {
    outputInfo(path, format, sampleRate);
}

void writeAudioFile(const std::string& path, const AudioData& audio, SampleFormat format) {
    SF_INFO info = outputInfo(path, format, audio.sampleRate);
    AtomicOutput output(path);
    SndfileHandle file(sf_open_fd(output.releaseDescriptor(), SFM_WRITE, &info, SF_TRUE));
    if (!file) throw RenderError(exitOutput, "cannot write " + path + ": " + sf_strerror(nullptr));
    sf_command(file.get(), SFC_SET_CLIPPING, nullptr, SF_TRUE);
    std::vector<double> interleaved;
    const size_t chunk = 4096;
    for (size_t start = 0; start < audio.frames(); start += chunk) {
        size_t n = std::min(chunk, audio.frames() - start);
        interleaved.resize(n * 2);
        for (size_t i = 0; i < n; ++i) {
            interleaved[2 * i] = audio.channel[0][start + i];
            interleaved[2 * i + 1] = audio.channel[1][start + i];
        }
        if (sf_writef_double(file.get(), interleaved.data(), static_cast<sf_count_t>(n)) != static_cast<sf_count_t>(n))
            throw RenderError(exitOutput, "cannot write " + path + ": " + sf_strerror(file.get()));
    }
    if (sf_close(file.release()) != 0)  // writes the final header
        throw RenderError(exitOutput, "cannot write " + path + ": closing failed");
    output.commit();
}

}  // namespace render
