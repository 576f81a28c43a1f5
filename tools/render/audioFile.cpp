#include "tools/render/audioFile.h"

#include "tools/render/atomicOutput.h"
#include "tools/render/fileFormats.h"
#include "tools/render/renderError.h"
#include "tools/render/wavPipeSink.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace render {
namespace {

constexpr size_t chunkFrames = 4096;

int bitsOf(SampleFormat format) {
    switch (format) {
    case SampleFormat::pcm16: return 16;
    case SampleFormat::pcm24: return 24;
    case SampleFormat::pcm32: return 32;
    case SampleFormat::float32: return 0;
    }
    return 0;
}

SF_INFO outputInfo(const std::string& path, SampleFormat format, double sampleRate, FileType type, int channels = 2) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(std::lround(sampleRate));
    info.channels = channels;
    type = resolvedType(path, type);
    info.format = sndfileContainer(type) | subtypeFor(format);
    if (!sf_format_check(&info))
        throw RenderError(exitOutput, std::string("the ") + fileTypeName(type) + " format cannot store " +
                                          sampleFormatName(format) + " samples at " +
                                          std::to_string(info.samplerate) + " Hz");
    return info;
}

// Bytes per frame of the uncompressed sample types; 0 when not fixed.
int64_t bytesPerFrame(const SF_INFO& info) {
    switch (info.format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8: return info.channels;
    case SF_FORMAT_PCM_16: return 2 * info.channels;
    case SF_FORMAT_PCM_24: return 3 * info.channels;
    case SF_FORMAT_PCM_32:
    case SF_FORMAT_FLOAT: return 4 * info.channels;
    case SF_FORMAT_DOUBLE: return 8 * info.channels;
    default: return 0;
    }
}

// libsndfile reads a cut-short WAV or AIFF as far as it goes and notes the
// header's figure in its log ("data : 40000 (should be 20000)"); the
// declared length comes from there. A size of 0xFFFFFFFF is a stream's
// "unknown", saved to a file: the file's end is its length.
int64_t headerFrames(SNDFILE* file, const SF_INFO& info) {
    std::vector<char> log(16384, '\0');
    sf_command(file, SFC_GET_LOG_INFO, log.data(), static_cast<int>(log.size() - 1));
    const int64_t frameBytes = bytesPerFrame(info);
    for (const char* line = log.data(); *line;) {
        const char* end = std::strchr(line, '\n');
        std::string text(line, end ? static_cast<size_t>(end - line) : std::strlen(line));
        long long declared = 0, present = 0;
        char name[8] = {};
        if (std::sscanf(text.c_str(), "%7s : %lld (should be %lld)", name, &declared, &present) == 3 &&
            (std::strcmp(name, "data") == 0 || std::strcmp(name, "SSND") == 0) && declared > present &&
            declared != 0xFFFFFFFFll && frameBytes > 0)
            return static_cast<int64_t>(info.frames) + (declared - present) / frameBytes;
        if (!end) break;
        line = end + 1;
    }
    return info.frames;
}

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

}  // namespace

struct AudioReader::File {
    SndfileHandle handle;
    std::vector<double> interleaved;
};

AudioReader::AudioReader(const std::string& path)
    : soundFile(new File), filePath(path == "-" ? "standard input" : path) {
    SF_INFO info{};
    // libsndfile reads "-" as standard input.
    soundFile->handle.reset(sf_open(path.c_str(), SFM_READ, &info));
    if (!soundFile->handle) {
        const std::string why = sf_strerror(nullptr);
        // libsndfile's words for a header it parsed whose rate or channel count is 0.
        if (why.find("SF_INFO struct incomplete") != std::string::npos)
            throw RenderError(exitInput, filePath + " states a sample rate of 0 Hz or no channels: its header is damaged");
        throw RenderError(exitInput, "cannot read " + filePath + ": " + why);
    }
    if (info.channels < 1 || info.channels > 2)
        throw RenderError(exitInput, filePath + " has " + std::to_string(info.channels) +
                                         " channels; only mono and stereo files can be rendered");
    if (info.samplerate <= 0) throw RenderError(exitInput, filePath + " has no valid sample rate");
    fileSampleRate = info.samplerate;
    channelCount = info.channels;
    const bool pipe = path == "-" && lseek(STDIN_FILENO, 0, SEEK_CUR) < 0;
    if (info.frames == SF_COUNT_MAX) {
        // A stream's "length unknown" (FLAC with no sample count), also when saved to a file.
    } else if (!pipe) {
        declaredFrameCount = headerFrames(soundFile->handle.get(), info);
        lengthDeclared = true;
        if (declaredFrameCount > info.frames)
            throw RenderError(exitInput, filePath + " is cut short: it holds " + framesText(info.frames) + " of the " +
                                             framesText(declaredFrameCount) + " its header declares");
    } else if (const int64_t frameBytes = bytesPerFrame(info);
               frameBytes > 0 && info.frames > 0 && info.frames < 0xFFFFFFFFll / frameBytes) {
        // A stream's header states its length unless it says 0xFFFFFFFF bytes (unknown).
        declaredFrameCount = info.frames;
        lengthDeclared = true;
    }
}

std::string AudioReader::framesText(int64_t frames) const {
    char text[80];
    std::snprintf(text, sizeof text, "%lld frames (%.2f s)", static_cast<long long>(frames), double(frames) / fileSampleRate);
    return text;
}

AudioReader::~AudioReader() = default;

size_t AudioReader::read(double* left, double* right, size_t frames) {
    size_t done = 0;
    while (done < frames) {
        const size_t want = std::min(chunkFrames, frames - done);
        soundFile->interleaved.resize(want * static_cast<size_t>(channelCount));
        // Float files keep values beyond full scale; integer files are read as -1..1.
        sf_count_t got = sf_readf_double(soundFile->handle.get(), soundFile->interleaved.data(), static_cast<sf_count_t>(want));
        if (sf_error(soundFile->handle.get()) != SF_ERR_NO_ERROR)
            throw RenderError(exitInput, "cannot read " + filePath + ": " + sf_strerror(soundFile->handle.get()));
        if (got <= 0) break;
        const double* x = soundFile->interleaved.data();
        for (sf_count_t i = 0; i < got; ++i, ++done) {
            double l = *x++;
            double r = channelCount == 2 ? *x++ : l;
            if (!std::isfinite(l) || !std::isfinite(r))
                throw RenderError(exitInput, filePath + " holds samples that are not finite numbers");
            left[done] = l;
            right[done] = r;
        }
        if (static_cast<size_t>(got) < want) break;
    }
    readFrameCount += static_cast<int64_t>(done);
    if (done < frames && lengthDeclared && readFrameCount < declaredFrameCount)
        throw RenderError(exitInput, filePath + " ended after " + framesText(readFrameCount) + " of the " +
                                         framesText(declaredFrameCount) + " its header declares (it shrank or its "
                                         "stream broke off while being read)");
    return done;
}

void checkOutputFormat(const std::string& path, SampleFormat format, double sampleRate, FileType type) {
    outputInfo(path, format, sampleRate, type);
}

struct AudioWriter::File {
    std::unique_ptr<WavPipeSink> pipe;  // declared first: closed after the handle
    SndfileHandle handle;
    std::vector<int> integers;
    std::vector<float> floats;
    int container = 0;
};

AudioWriter::AudioWriter(AtomicOutput& output, SampleFormat format, Dither dither, double sampleRate, FileType type,
                         int channels, int64_t frames)
    : soundFile(new File),
      targetPath(output.target()),
      sampleFormat(format),
      channelCount(channels == 1 ? 1 : 2),
      ditherOn(dithers(format, dither)) {
    SF_INFO info = outputInfo(targetPath, format, sampleRate, type, channelCount);
    Container container = containerFor(targetPath, type, format, channelCount, frames);
    const int fd = output.releaseDescriptor();
    const bool pipe = lseek(fd, 0, SEEK_CUR) < 0 && errno == ESPIPE;
    const bool wav = container == Container::wav || container == Container::rf64OrWav ||
                     (container == Container::rf64 && resolvedType(targetPath, type) == FileType::wav);
    if (pipe && !wav && container != Container::flac) {
        ::close(fd);
        std::string name = fileTypeName(resolvedType(targetPath, type));
        for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        throw RenderError(exitOutput, "cannot write " + name + " to " + targetPath +
                                          ", a pipe: its header needs the length first (use --format wav or flac)");
    }
    if (pipe && wav) container = Container::wav;  // a stream's header states no length at all
    // What the 32-bit sizes of a WAV or AIFF still take; an AIFF of unknown length is held to it.
    dataBytesLeft = (container == Container::wav && !pipe) || container == Container::aiff ? thirtyTwoBitDataLimit : -1;
    info.format = sndfileContainer(container) | subtypeFor(format);
    soundFile->container = info.format & SF_FORMAT_TYPEMASK;
    errno = 0;
    if (pipe && wav) {
        soundFile->pipe = std::make_unique<WavPipeSink>(fd);
        soundFile->handle.reset(soundFile->pipe->open(info));
    } else {
        soundFile->handle.reset(sf_open_fd(fd, SFM_WRITE, &info, SF_TRUE));  // libsndfile streams FLAC itself
    }
    if (soundFile->handle && container == Container::rf64OrWav)
        sf_command(soundFile->handle.get(), SFC_RF64_AUTO_DOWNGRADE, nullptr, SF_TRUE);
    if (!soundFile->handle) {
        // libsndfile names the step that failed; the system's reason, if any, says why.
        const int error = soundFile->pipe && soundFile->pipe->error() ? soundFile->pipe->error() : errno;
        throw RenderError(exitOutput, "cannot write " + targetPath + ": " +
                                          (error ? std::strerror(error) : sf_strerror(nullptr)));
    }
}

// The reason a write failed: the pipe's own error when there is one.
std::string AudioWriter::failure() const {
    const int pipeError = soundFile->pipe ? soundFile->pipe->error() : 0;
    return "cannot write " + targetPath + ": " +
           (pipeError ? std::strerror(pipeError) : sf_strerror(soundFile->handle.get()));
}

AudioWriter::~AudioWriter() = default;

bool AudioWriter::headerCommand(int command, void* data, int bytes) {
    return soundFile->handle && sf_command(soundFile->handle.get(), command, data, bytes) == SF_TRUE;
}

bool AudioWriter::setString(int type, const std::string& text) {
    return soundFile->handle && sf_set_string(soundFile->handle.get(), type, text.c_str()) == 0;
}

int AudioWriter::container() const { return soundFile->container; }
bool AudioWriter::intoPipe() const { return soundFile->pipe != nullptr; }

// Uniform in [0, 1) from a 64-bit linear congruential generator's top bits.
double AudioWriter::nextNoise() {
    noiseState = noiseState * 6364136223846793005ull + 1442695040888963407ull;
    return static_cast<double>(noiseState >> 11) / 9007199254740992.0;
}

void AudioWriter::write(const double* left, const double* right, size_t frames, double* storedLeft,
                        double* storedRight) {
    if (!soundFile->handle) throw RenderError(exitOutput, "cannot write " + targetPath + ": already closed");
    if (dataBytesLeft >= 0) {
        const int64_t bytes = int64_t(frames) * channelCount * bytesPerSample(sampleFormat);
        if (bytes > dataBytesLeft)
            throw RenderError(exitOutput, "cannot write " + targetPath + ": its audio passes the 4 GiB its header can "
                                          "state (write it as .rf64, .w64, .caf or .flac)");
        dataBytesLeft -= bytes;
    }
    const int bits = bitsOf(sampleFormat);
    const double scale = bits ? std::ldexp(1.0, bits - 1) : 1.0;
    const double highest = scale - 1.0, lowest = -scale;
    const int shift = 32 - bits;
    const double* source[2] = {left, right};
    double* stored[2] = {storedLeft, storedRight};
    const size_t width = static_cast<size_t>(channelCount);
    if (bits) soundFile->integers.resize(frames * width);
    else soundFile->floats.resize(frames * width);
    for (size_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channelCount; ++c) {
            double x = source[c][i];
            if (!std::isfinite(x)) {
                ++notFiniteCount;
                x = 0.0;
            }
            double value;
            if (bits) {
                // TPDF: two uniform values, one LSB wide each, make a triangle two LSB wide.
                double y = x * scale + (ditherOn ? nextNoise() - nextNoise() : 0.0);
                double q = std::floor(y + 0.5);
                if (q > highest || q < lowest) {
                    ++clipped;
                    q = std::clamp(q, lowest, highest);
                }
                soundFile->integers[width * i + static_cast<size_t>(c)] = static_cast<int>(static_cast<int64_t>(q) * (int64_t(1) << shift));
                value = q / scale;
            } else {
                float f = static_cast<float>(x);
                soundFile->floats[width * i + static_cast<size_t>(c)] = f;
                value = f;
            }
            if (stored[c]) stored[c][i] = value;
        }
        if (channelCount == 1 && storedRight) storedRight[i] = storedLeft ? storedLeft[i] : 0.0;
    }
    sf_count_t written = bits ? sf_writef_int(soundFile->handle.get(), soundFile->integers.data(), static_cast<sf_count_t>(frames))
                              : sf_writef_float(soundFile->handle.get(), soundFile->floats.data(), static_cast<sf_count_t>(frames));
    if (written != static_cast<sf_count_t>(frames)) throw RenderError(exitOutput, failure());
}

void AudioWriter::close() {
    if (!soundFile->handle) return;
    if (sf_close(soundFile->handle.release()) != 0)  // writes the final header
        throw RenderError(exitOutput, "cannot write " + targetPath + ": closing failed");
    if (soundFile->pipe && soundFile->pipe->finish() != 0)
        throw RenderError(exitOutput, "cannot write " + targetPath + ": " + std::strerror(soundFile->pipe->error()));
}

}  // namespace render
