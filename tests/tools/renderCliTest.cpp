// The orvalt-render command, run as a user runs it, on real files.
#include "tests/tools/bandLimitedPeak.h"
#include "tests/tools/pluginPaths.h"
#include "tools/render/atomicOutput.h"
#include "tools/render/audioData.h"
#include "tools/render/audioFile.h"
#include "tools/render/presetFile.h"
#include "tools/render/renderError.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <csignal>
#include <cstring>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

struct CommandResult {
    int code;
    std::string output;  // standard output and error together
};

// Standard output and error together, or standard output alone.
CommandResult runRender(const std::string& arguments, bool withErrors = true) {
    std::string command = std::string(ORVALT_RENDER_EXE) + " " + arguments + (withErrors ? " 2>&1" : " 2>/dev/null");
    CommandResult run{-1, ""};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    int status = pclose(pipe);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// A shell command line (bash, for its pipes); a pipe fails when any of its
// commands fails (with the status of the last that did). The output is
// standard output alone.
CommandResult runShell(const std::string& commandLine) {
    std::string quoted;
    for (char c : "set -o pipefail; " + commandLine) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    CommandResult run{-1, ""};
    FILE* pipe = popen(("bash -c '" + quoted + "'").c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    int status = pclose(pipe);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

const std::string renderExe = ORVALT_RENDER_EXE;

// The render's JSON report from standard output.
nlohmann::json jsonOf(const CommandResult& run) {
    try {
        return nlohmann::json::parse(run.output);
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what() << "\n" << run.output;
        return {};
    }
}

// A fresh folder per test; the listing shows what a run left behind.
class RenderCli : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PLUGIN(toolstest::orvaltPlugin());
        char pattern[] = "/tmp/orvalt-render-test-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        dir = pattern;
    }
    void TearDown() override {
        if (!dir.empty()) std::system(("rm -rf '" + dir + "'").c_str());
    }
    std::string path(const std::string& name) const { return dir + "/" + name; }
    std::set<std::string> files() const {
        std::set<std::string> names;
        if (DIR* d = opendir(dir.c_str())) {
            while (dirent* e = readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.insert(e->d_name);
            closedir(d);
        }
        return names;
    }
    // A float WAV with a known ramp-and-sine signal.
    void writeInput(const std::string& name, int channels, size_t frames) {
        writeSignal(name, channels, 48000, frames, [](size_t n, int c) {
            return c == 0 ? 0.4f * std::sin(0.01f * n) : -0.3f + 0.0005f * static_cast<float>(n % 1000);
        });
    }
    // A WAV of any signal, value(frame, channel); subtype may name another file type.
    void writeSignal(const std::string& name, int channels, int rate, size_t frames,
                     const std::function<double(size_t, int)>& value, int subtype = SF_FORMAT_FLOAT) {
        SF_INFO info{};
        info.samplerate = rate;
        info.channels = channels;
        info.format = subtype & SF_FORMAT_TYPEMASK ? subtype : SF_FORMAT_WAV | subtype;
        SNDFILE* f = sf_open(path(name).c_str(), SFM_WRITE, &info);
        ASSERT_TRUE(f);
        std::vector<double> data;
        for (size_t n = 0; n < frames; ++n)
            for (int c = 0; c < channels; ++c) data.push_back(value(n, c));
        sf_writef_double(f, data.data(), static_cast<sf_count_t>(frames));
        sf_close(f);
    }
    // A 16-bit stereo 48 kHz WAV of frames frames of silence, as a sparse file.
    void writeLongSilence(const std::string& name, uint32_t frames) {
        writeSignal(name, 2, 48000, 0, [](size_t, int) { return 0.0; }, SF_FORMAT_PCM_16);
        std::fstream file(path(name), std::ios::in | std::ios::out | std::ios::binary);
        auto put = [&](long at, uint32_t value) {
            const char bytes[4] = {char(value), char(value >> 8), char(value >> 16), char(value >> 24)};
            file.seekp(at);
            file.write(bytes, 4);
        };
        put(4, 36 + frames * 4);  // the RIFF size
        put(40, frames * 4);      // the data chunk's
        file.close();
        ASSERT_EQ(truncate(path(name).c_str(), 44 + off_t(frames) * 4), 0);
    }
    std::vector<float> readFrames(const std::string& name, SF_INFO& info) {
        info = SF_INFO{};
        SNDFILE* f = sf_open(path(name).c_str(), SFM_READ, &info);
        EXPECT_TRUE(f) << name;
        if (!f) return {};
        std::vector<float> data(static_cast<size_t>(info.frames * info.channels));
        sf_readf_float(f, data.data(), info.frames);
        sf_close(f);
        return data;
    }
    std::vector<uint8_t> bytesOf(const std::string& name) {
        std::ifstream in(path(name), std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    std::string dir;
};

const char* const passThrough = "--set warm=off --set clip=off";
const double pi = 3.14159265358979323846;

// The container follows the length to come: a WAV past what 32-bit sizes can
// state becomes RF64, an AIFF that long is refused before any work.
TEST(OutputContainer, FollowsTheLengthToCome) {
    using render::Container;
    using render::FileType;
    using render::SampleFormat;
    const int64_t lastPlain16 = 1073740799;  // (0xFFFFFFFF - 4096 bytes of header) / 4 bytes per frame
    struct Case {
        const char* path;
        FileType type;
        SampleFormat format;
        int channels;
        int64_t frames, otherChunkBytes;
        Container container;
    } cases[] = {
        {"a.wav", FileType::byName, SampleFormat::pcm16, 2, lastPlain16, 0, Container::wav},
        {"a.wav", FileType::byName, SampleFormat::pcm16, 2, lastPlain16 + 1, 0, Container::rf64},
        {"a.wav", FileType::byName, SampleFormat::pcm16, 2, lastPlain16, 4, Container::rf64},  // room for metadata
        {"a.wav", FileType::byName, SampleFormat::pcm16, 1, 2 * lastPlain16 + 1, 0, Container::wav},
        {"a.wav", FileType::byName, SampleFormat::float32, 2, 545280000, 0, Container::rf64},  // 1420 s at 384 kHz
        {"a.WAV", FileType::byName, SampleFormat::pcm24, 2, 7450 * 96000, 0, Container::wav},  // 2 h 4 min 10 s
        {"a.wav", FileType::byName, SampleFormat::pcm24, 2, 7460 * 96000, 0, Container::rf64},
        {"-", FileType::wav, SampleFormat::pcm24, 2, 0, 0, Container::wav},
        {"-", FileType::wav, SampleFormat::pcm24, 2, render::unknownLength, 0, Container::rf64OrWav},
        {"a.rf64", FileType::byName, SampleFormat::pcm16, 1, 1, 0, Container::rf64},
        {"-", FileType::w64, SampleFormat::pcm16, 1, 1, 0, Container::w64},
        {"a.caf", FileType::byName, SampleFormat::float32, 2, 545280000, 0, Container::caf},
        {"a.flac", FileType::byName, SampleFormat::pcm24, 2, 545280000, 0, Container::flac},
        {"a.aif", FileType::byName, SampleFormat::pcm16, 2, lastPlain16, 0, Container::aiff},
        {"a.aiff", FileType::byName, SampleFormat::pcm16, 2, render::unknownLength, 0, Container::aiff},
    };
    for (const Case& c : cases)
        EXPECT_EQ(render::containerFor(c.path, c.type, c.format, c.channels, c.frames, c.otherChunkBytes), c.container)
            << c.path << " " << c.frames << " frames";
    for (int64_t frames : {lastPlain16 / 2 + 1, int64_t(545280000)}) {
        try {
            render::containerFor("a.aiff", FileType::byName, SampleFormat::float32, 2, frames);
            ADD_FAILURE() << frames << " frames of AIFF accepted";
        } catch (const render::RenderError& e) {
            EXPECT_EQ(e.code(), render::exitUsage);
            EXPECT_NE(std::string(e.what()).find("more than the 4 GiB an AIFF can state"), std::string::npos) << e.what();
        }
    }
}

// Clip and warm off, the plug-in passes its input through one sample late.
// By default that sample of latency is removed and the tail played out, so
// the file is the input itself; --keep-latency writes the raw output. A mono
// file stays mono. Lengths of 1 and 3000 frames.
TEST_F(RenderCli, PassThroughIsTheInputAlignedOrDelayedWithItsChannels) {
    struct Case {
        int channels;
        size_t frames;
        const char* options;
        const char* output;
        size_t delay;
        const char* latencyLine;
        const char* magic;  // the file's first bytes
    } cases[] = {
        {2, 3000, "--block 64", "out.wav", 0, "latency:          1 sample (removed: output aligned with input)", "RIFF"},
        {2, 3000, "--compensate", "out.wav", 0, "(removed: output aligned with input)", "RIFF"},
        {2, 3000, "--keep-latency --block 64", "out.wav", 1, "latency:          1 sample (kept: output delayed by it)", "RIFF"},
        {1, 1000, "--precision double", "out.aiff", 0, "(removed: output aligned with input)", "FORM"},
        {1, 1000, "--keep-latency", "out.aiff", 1, "(kept: output delayed by it)", "FORM"},
        {2, 1, "", "out.wav", 0, "(removed", "RIFF"},
        {1, 1, "--block 1", "out.wav", 0, "(removed", "RIFF"},
        {2, 3000, "", "out.rf64", 0, "(removed", "RF64"},  // RF64 when asked, however short
        {1, 1000, "--keep-latency", "out.w64", 1, "(kept", "riff"},
        {2, 3000, "", "out.caf", 0, "(removed", "caff"},
    };
    for (const Case& c : cases) {
        const std::string what = std::to_string(c.channels) + " channels, " + std::to_string(c.frames) + " frames, " + c.options;
        writeSignal("in.wav", c.channels, 48000, c.frames, [](size_t n, int ch) {
            return ch == 0 ? 0.4 * std::sin(0.01 * double(n)) + 0.1 : -0.3 + 0.0005 * double(n % 1000);
        });
        CommandResult run = runRender(std::string(passThrough) + " --bits float " + c.options + " " + path("in.wav") + " " +
                                      path(c.output));
        ASSERT_EQ(run.code, 0) << what << "\n" << run.output;
        EXPECT_NE(run.output.find(c.latencyLine), std::string::npos) << what << "\n" << run.output;
        EXPECT_NE(run.output.find(c.channels == 1 ? "float, mono, the left output" : "float, stereo"), std::string::npos) << run.output;
        SF_INFO in, out;
        std::vector<float> a = readFrames("in.wav", in), b = readFrames(c.output, out);
        ASSERT_EQ(out.frames, static_cast<sf_count_t>(c.frames)) << what;
        ASSERT_EQ(out.channels, c.channels) << what;
        EXPECT_EQ(out.samplerate, 48000);
        EXPECT_EQ(out.format & SF_FORMAT_SUBMASK, SF_FORMAT_FLOAT);
        const size_t width = size_t(c.channels);
        for (size_t i = 0; i < width * c.delay; ++i) ASSERT_EQ(b[i], 0.0f) << what;
        for (size_t i = width * c.delay; i < b.size(); ++i) ASSERT_EQ(b[i], a[i - width * c.delay]) << what << ", sample " << i;
        // A WAV that fits is a plain one, its format chunk first (no RF64 turned back into WAV).
        const std::vector<uint8_t> bytes = bytesOf(c.output);
        EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), c.magic) << what;
        if (std::string(c.magic) == "RIFF") {
            EXPECT_EQ(std::string(bytes.begin() + 12, bytes.begin() + 16), "fmt ") << what;
        }
        // An independent reader decodes the same samples.
        CommandResult decoded = runShell("ffmpeg -v error -i '" + path(c.output) + "' -f f32le -");
        ASSERT_EQ(decoded.code, 0) << what;
        ASSERT_EQ(decoded.output.size(), b.size() * sizeof(float)) << what;
        EXPECT_EQ(std::memcmp(decoded.output.data(), b.data(), decoded.output.size()), 0) << what;
        EXPECT_EQ(files(), (std::set<std::string>{"in.wav", c.output})) << what;
        std::remove(path(c.output).c_str());
    }
}

// The same layout on both sides: an untouched mono file reads as loud as its input.
TEST_F(RenderCli, MonoIsMeasuredAsMonoOnBothSides) {
    writeSignal("mono.wav", 1, 48000, 48000 * 4, [](size_t n, int) { return 0.3 * std::sin(2 * pi * 997.0 * double(n) / 48000.0); });
    CommandResult run = runRender(std::string(passThrough) + " --json - " + path("mono.wav") + " " + path("out.wav"), false);
    ASSERT_EQ(run.code, 0) << run.output;
    nlohmann::json report = jsonOf(run);
    EXPECT_EQ(report["input"]["channels"], 1);
    EXPECT_EQ(report["output"]["channels"], 1);
    EXPECT_EQ(report["latency_compensated"], true);
    EXPECT_NEAR(report["output"]["integrated_lufs"].get<double>(), report["input"]["integrated_lufs"].get<double>(), 0.01);
    EXPECT_NEAR(report["output"]["true_peak_dbtp"].get<double>(), report["input"]["true_peak_dbtp"].get<double>(), 0.01);
    EXPECT_EQ(report["output"]["samples_at_or_over_0dbfs"], 0);
}

TEST_F(RenderCli, DemoWritesInputBesideOutputAndReportsLevels) {
    CommandResult run = runRender("--bits 16 --demo --svg " + path("demo.svg") + " " + path("demo.flac"));
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_EQ(files(), (std::set<std::string>{"demo.flac", "demo-input.wav", "demo.svg"}));
    SF_INFO out, in;
    readFrames("demo.flac", out);
    readFrames("demo-input.wav", in);
    EXPECT_EQ(out.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    EXPECT_EQ(in.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(out.frames, 8 * 44100);
    for (const char* line : {"input peak:", "input loudness:", "output peak:", "output loudness:", "at/over 0 dBFS:",
                             "format clipping:", "16-bit with TPDF dither", "speed:", "real time end to end"})
        EXPECT_NE(run.output.find(line), std::string::npos) << line;
    std::vector<uint8_t> svg = bytesOf("demo.svg");
    std::string text(svg.begin(), svg.end());
    EXPECT_EQ(text.rfind("<svg", 0), 0u);
    EXPECT_NE(text.find("</svg>"), std::string::npos);
    // The settings in the title, time ticks to the end (0 .. 8 s) and dB ticks.
    EXPECT_NE(text.find("input +0.00 dB, warm off, limit 0.00 dB"), std::string::npos);
    EXPECT_NE(text.find(">8 s</text>"), std::string::npos);
    EXPECT_NE(text.find(">-6</text>"), std::string::npos);
    EXPECT_NE(text.find("stroke=\"#fff\" stroke-width=\"3\""), std::string::npos);  // labels keep a halo over the waves
    EXPECT_EQ(text.find("style"), std::string::npos);  // presentation attributes only: every renderer knows them
    EXPECT_EQ(text.find("paint-order"), std::string::npos);

    // The demo input renders to the same output as the demo itself.
    CommandResult again = runRender("--bits 16 " + path("demo-input.wav") + " " + path("again.flac"));
    ASSERT_EQ(again.code, 0) << again.output;
    EXPECT_EQ(bytesOf("again.flac"), bytesOf("demo.flac"));
}

// The picture drawn by two SVG renderers (librsvg, and ImageMagick's own),
// as 8-bit grey at a quarter of the size: row by row, 325 x 122.
TEST_F(RenderCli, PictureLooksTheSameInTwoSvgRenderers) {
    if (std::system("rsvg-convert --version >/dev/null 2>&1") != 0 || std::system("convert -version >/dev/null 2>&1") != 0)
        SKIP_NOT_INSTALLED("rsvg-convert or ImageMagick's convert");
    ASSERT_EQ(runRender("--quiet --demo --svg " + path("demo.svg") + " " + path("demo.wav")).code, 0);
    const std::string grey = " -colorspace Gray -scale 325x122! -depth 8 gray:";
    ASSERT_EQ(std::system(("rsvg-convert " + path("demo.svg") + " -o " + path("rsvg.png") + " && convert " + path("rsvg.png") +
                           grey + path("rsvg.raw")).c_str()), 0);
    ASSERT_EQ(std::system(("convert msvg:" + path("demo.svg") + grey + path("msvg.raw")).c_str()), 0);
    const int width = 325, height = 122;
    for (const char* name : {"rsvg.raw", "msvg.raw"}) {
        const std::vector<uint8_t> pixels = bytesOf(name);
        ASSERT_EQ(pixels.size(), size_t(width * height)) << name;
        auto region = [&](int x0, int y0, int x1, int y1) {
            int darkest = 255;
            double sum = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x) darkest = std::min<int>(darkest, pixels[size_t(y * width + x)]), sum += pixels[size_t(y * width + x)];
            return std::make_pair(darkest, sum / ((x1 - x0) * (y1 - y0)));
        };
        // The title and settings are drawn in dark text (not white, not missing).
        EXPECT_LT(region(16, 2, 150, 11).first, 100) << name;
        EXPECT_LT(region(16, 2, 150, 11).second, 245) << name;
        // The page is white to its edges: no black frame.
        EXPECT_GT(region(0, 0, width, 1).second, 250) << name;
        EXPECT_GT(region(0, 0, 1, height).second, 250) << name;
        EXPECT_GT(region(0, height - 1, width, height).second, 250) << name;
        // The static curve panel: light background, dark grid labels beside it.
        EXPECT_GT(region(230, 20, 310, 100).second, 200) << name;
        EXPECT_LT(region(205, 14, 222, 111).first, 160) << name;
    }
}

TEST_F(RenderCli, FailuresExitWithTheirCodesAndLeaveNoOutput) {
    writeInput("in.wav", 2, 100);
    const std::string longInput = path("long.wav");
    writeLongSilence("long.wav", 600000000);
    std::ofstream(path("text.fxp")) << "this is not a preset";
    // A plug-in of its own, so a run that wrongly wrote over it harms no other test.
    ASSERT_EQ(std::system(("cp '" + toolstest::orvaltPlugin() + "' '" + path("p.so") + "'").c_str()), 0);
    const std::string in = path("in.wav"), out = path("out.wav");
    struct Case {
        std::string arguments;
        int code;
        std::string message;
    } cases[] = {
        {path("missing.wav") + " " + out, 4, "cannot read"},
        {path("text.fxp") + " " + out, 4, "cannot read"},  // not audio
        {"--set volume=3 " + in + " " + out, 3, "unknown parameter 'volume'"},
        {"--set inptu=3 " + in + " " + out, 3, "unknown parameter 'inptu' (did you mean input?)"},
        {"--set limit=-30 " + in + " " + out, 3, "out of range"},
        {"--set input=25 " + in + " " + out, 3, "out of range"},
        {"--set warm=maybe " + in + " " + out, 3, "not a value of warm"},
        {"--set-raw 2=1.5 " + in + " " + out, 3, "from 0 to 1"},
        {in + " " + path("out.mp3"), 5, "unsupported output format"},
        {"--bits float " + in + " " + path("out.flac"), 5, "cannot store float samples at 48000 Hz"},
        {in + " " + path("no-folder/out.wav"), 5, "cannot write"},
        {"--preset " + path("text.fxp") + " " + in + " " + out, 6, "not a VST preset"},
        {"--preset " + path("absent.fxp") + " " + in + " " + out, 6, "cannot read preset"},
        {"--plugin /no/such.so " + in + " " + out, 7, "cannot load"},
        {"--block 0 " + in + " " + out, 2, "--block"},
        {"--rate 48000 " + in + " " + out, 2, "--rate"},
        {"--precision quad " + in + " " + out, 2, "--precision"},
        {"--frobnicate " + in + " " + out, 2, "unknown option '--frobnicate' (see --help)"},
        {"--compensat " + in + " " + out, 2, "unknown option '--compensat' (did you mean --compensate?)"},
        {"-no-clobber " + in + " " + out, 2, "(did you mean --no-clobber?)"},
        {"--bits=16 " + in + " " + out, 2, "(did you mean --bits?)"},
        {"--ceiling -1 " + in + " " + out, 2, "(did you mean --ceiling-dbtp?)"},
        // A value-taking option never takes the next option as its value.
        {"--json --quiet " + in + " " + out, 2, "--json needs a value"},
        {"--svg -q " + in + " " + out, 2, "--svg needs a value"},
        {"--delta-mode matched " + in + " " + out, 2, "--delta-mode needs --delta FILE"},
        {"--delta-mode exact " + in + " " + out + " --delta " + path("d.wav"), 2, "--delta-mode takes matched or raw"},
        {"--format ogg " + in + " " + out, 2, "--format takes wav, rf64, w64, caf, flac or aiff, not 'ogg'"},
        {"--format flac " + in + " " + out, 2, "--format and the extension of " + out + " disagree"},
        {in, 2, "no OUTPUT given"},  // forgotten OUTPUT: the input is not the demo's target
        // An unset variable in a script is an empty name, never "no file".
        {in + " ''", 2, "an empty file name was given"},
        {"'' " + out, 2, "an empty file name was given"},
        {"--svg '' " + in + " " + out, 2, "--svg was given an empty file name"},
        {"--json '' " + in + " " + out, 2, "--json was given an empty file name"},
        {"--plugin '' " + in + " " + out, 2, "--plugin was given an empty file name"},
        {in + " " + dir, 2, "OUTPUT " + dir + " is a folder"},
        {in + " " + out + " --svg " + path("new-folder/"), 2, "--svg " + path("new-folder/") + " is a folder"},
        {in + " -", 2, "OUTPUT - (standard output) needs --format wav, rf64, w64, caf, flac or aiff"},
        // 600,000,000 frames: 4.8 GB as stereo float, more than an AIFF's sizes can state; refused before the work.
        {"--bits float " + longInput + " " + path("out.aiff"), 2, "more than the 4 GiB an AIFF can state: write it as .rf64"},
        {longInput + " " + out + " --delta " + path("d.aif"), 2, "--delta: " + path("d.aif") + " would hold 600000000 frames"},
        {"--format wav " + in + " - --json -", 2, "OUTPUT and --json cannot both be standard output"},
        {"--format wav --demo -", 2, "give OUTPUT a file name"},
        {in + " " + out + " --svg -", 2, "- (standard output) is for OUTPUT and --json only"},
        {"--demo " + in + " " + out, 2, "give only OUTPUT"},
        {"--dither tpdf --bits float " + in + " " + out, 2, "--dither"},
        {"--dither rectangular " + in + " " + out, 2, "--dither"},
        // Two options naming one file, by the same or another spelling: refused before anything is written.
        {in + " " + in, 2, "INPUT and OUTPUT name the same file"},
        {in + " " + dir + "/./in.wav", 2, "INPUT and OUTPUT name the same file"},
        {in + " " + out + " --svg " + out, 2, "OUTPUT and --svg"},
        {in + " " + out + " --svg " + in, 2, "INPUT and --svg"},
        {in + " " + out + " --save-preset " + out, 2, "OUTPUT and --save-preset"},
        {in + " " + out + " --json " + in, 2, "INPUT and --json"},
        {in + " " + out + " --delta " + out, 2, "OUTPUT and --delta"},
        {in + " " + out + " --delta " + in, 2, "INPUT and --delta"},
        {in + " " + out + " --svg " + path("d.wav") + " --delta " + path("d.wav"), 2, "--svg and --delta"},
        {in + " " + out + " --delta " + path("d.flac"), 5, "--delta: the flac format cannot store float samples at 48000 Hz"},
        {in + " " + out + " --delta " + path("no-folder/d.wav"), 5, "cannot write"},
        {"--keep-latency " + in + " " + out + " --delta " + path("d.wav"), 2, "leave out --keep-latency"},
        {"--save-preset " + path("p.fxp") + " --delta " + path("d.wav"), 2, "--delta needs an OUTPUT"},
        // A search sets input or limit itself; a number is a number.
        {"--target-lufs -14 --set input=3 " + in + " " + out, 2, "--target-lufs sets input itself: leave out --set input"},
        {"--target-lufs -14 --set-raw 0=0.5 " + in + " " + out, 2, "leave out --set 0"},
        {"--ceiling-dbtp -1 --set LIMIT=-3 " + in + " " + out, 2, "--ceiling-dbtp sets limit itself"},
        {"--target-lufs loud " + in + " " + out, 2, "--target-lufs needs a number"},
        {"--target-lufs -14 - " + out + " < " + in, 2, "read INPUT several times"},
        {"--ceiling-dbtp 9 " + in + " " + out, 2, "--ceiling-dbtp needs a number from -30 to 6"},
        {in + " " + out + " --save-bank " + path("b.fxb") + " --save-preset " + path("b.fxb"), 2, "--save-preset and --save-bank"},
        {"--preset " + path("text.fxp") + " " + in + " " + path("text.fxp"), 2, "--preset and OUTPUT"},
        {"--plugin " + path("p.so") + " " + in + " " + path("p.so"), 2, "--plugin and OUTPUT"},
        {"--plugin " + path("p.so") + " " + in + " " + out + " --svg " + dir + "/./p.so", 2, "--plugin and --svg"},
        {"--plugin " + path("p.so") + " --save-preset " + path("p.so"), 2, "--plugin and --save-preset"},
        {"--demo " + path("d.wav") + " --svg " + path("d-input.wav"), 2, "the demo input and --svg"},
        {in + " " + out + " --save-preset " + path("no-folder/x.fxp"), 5, "cannot write"},  // before any work
        // Steps that fail after the audio is rendered leave nothing either:
        // a device is written directly, only once its contents are known.
        {in + " " + out + " --save-preset /dev/full", 5, "cannot write /dev/full"},
        {in + " " + out + " --save-bank /dev/full", 5, "cannot write /dev/full"},
        {in + " " + out + " --svg /dev/full", 5, "cannot write /dev/full"},
        {in + " " + out + " --json /dev/full", 5, "cannot write /dev/full"},
    };
    const std::vector<uint8_t> inputBytes = bytesOf("in.wav");
    for (const Case& c : cases) {
        CommandResult run = runRender(c.arguments);
        EXPECT_EQ(run.code, c.code) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << c.arguments << "\n" << run.output;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << "one line: " << run.output;
        EXPECT_EQ(files(), (std::set<std::string>{"in.wav", "long.wav", "text.fxp", "p.so"})) << c.arguments;
        EXPECT_EQ(bytesOf("in.wav"), inputBytes) << c.arguments;
    }
    // After -- every argument is a file name, and -q is --quiet.
    CommandResult dashed = runShell("cd '" + dir + "' && '" + renderExe + "' -q -- in.wav -q.wav 2>&1");
    EXPECT_EQ(dashed.code, 0) << dashed.output;
    EXPECT_EQ(dashed.output, "");
    EXPECT_EQ(files(), (std::set<std::string>{"in.wav", "long.wav", "text.fxp", "p.so", "-q.wav"}));
    // Without arguments: what to give, as --help says it, and a failure for scripts.
    CommandResult bare = runRender("");
    EXPECT_EQ(bare.code, 2);
    EXPECT_EQ(bare.output.rfind("usage: orvalt-render", 0), 0u) << bare.output;
    EXPECT_NE(bare.output.find("-n, --no-clobber"), std::string::npos);
    EXPECT_EQ(runRender("", false).output, "");  // on standard error: standard output stays clean
    CommandResult help = runRender("--help");
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.output.find("6 preset file unreadable"), std::string::npos);
    EXPECT_NE(help.output.find("dithers 16-bit output"), std::string::npos);
    CommandResult version = runRender("--version");
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.output.rfind("orvalt-render 1.", 0), 0u) << version.output;
}

// The delta file holds what the processing took away: the input times the
// settings' static gain minus the output, sample by sample, at the output's
// length and channels (raw: input = output + delta); the report gives its
// levels as measured on the file. A quiet signal nothing clips leaves silence
// under every gain the settings apply (input, make-up; drive cancels itself).
TEST_F(RenderCli, DeltaIsWhatTheProcessingTookAway) {
    const struct {
        const char* settings;
        double gainDb;
        bool silent;
    } quiet[] = {
        {"--set input=9", 9, true},
        {"--set input=9 --delta-mode raw", 0, false},
        {"--set input=3 --set limit=-6 --set makeup=on", 9, true},
        {"--set input=3 --set limit=-6 --set makeup=on --set clip=off", 3, true},
        {"--set input=3 --set drive=-6", 3, true},
    };
    writeSignal("quiet.wav", 2, 48000, 4800, [](size_t n, int c) { return (c ? 0.03 : 0.05) * std::sin(0.07 * double(n)); });
    for (const auto& row : quiet) {
        CommandResult run = runRender(std::string(row.settings) + " --bits float --json - --delta " + path("d.wav") + " " +
                                      path("quiet.wav") + " " + path("q.wav"), false);
        ASSERT_EQ(run.code, 0) << row.settings << "\n" << run.output;
        nlohmann::json report = jsonOf(run);
        EXPECT_EQ(report["delta"]["mode"], row.gainDb == 0 ? "raw" : "matched") << row.settings;
        EXPECT_NEAR(report["delta"]["input_gain_db"].get<double>(), row.gainDb, 1e-4) << row.settings;
        const double peakDb = report["delta"]["sample_peak_dbfs"].is_null() ? -400 : report["delta"]["sample_peak_dbfs"].get<double>();
        if (row.silent) EXPECT_LT(peakDb, -140) << row.settings;
        else EXPECT_GT(peakDb, -30) << row.settings;
    }
    for (int channels : {2, 1}) {
        writeSignal("hot.wav", channels, 48000, 48000 * 2, [](size_t n, int c) {
            return (c ? 0.9 : 1.4) * std::sin(2 * pi * 441.0 * double(n) / 48000.0) + 0.05 * std::sin(0.3 * double(n));
        });
        CommandResult run = runRender("--set warm=on --set limit=-2 --set input=1 --bits 16 --json - --delta " +
                                      path("delta.wav") + " " + path("hot.wav") + " " + path("out.aiff"), false);
        ASSERT_EQ(run.code, 0) << run.output;
        nlohmann::json report = jsonOf(run);
        SF_INFO in, out, delta;
        std::vector<float> x = readFrames("hot.wav", in), y = readFrames("out.aiff", out), d = readFrames("delta.wav", delta);
        EXPECT_EQ(delta.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        ASSERT_EQ(delta.channels, channels);
        ASSERT_EQ(delta.frames, in.frames);
        ASSERT_EQ(d.size(), x.size());
        const double gain = std::pow(10.0, 1.0 / 20);
        double peak = 0, worst = 0;
        for (size_t i = 0; i < x.size(); ++i) {
            peak = std::max(peak, std::fabs(double(d[i])));
            worst = std::max(worst, std::fabs(double(x[i]) * gain - double(y[i]) - double(d[i])));
        }
        EXPECT_LT(worst, 2e-7) << channels;  // float rounding of the difference only
        EXPECT_GT(peak, 0.3) << channels;     // the clipper took off more than 2 dB of 1.4
        EXPECT_NEAR(report["delta"]["sample_peak_dbfs"].get<double>(), 20 * std::log10(peak), 1e-6);
        EXPECT_EQ(report["delta"]["frames"], 96000);
        EXPECT_EQ(report["delta"]["path"], path("delta.wav"));
        EXPECT_TRUE(report["delta"]["integrated_lufs"].is_number());
        EXPECT_GE(report["delta"]["true_peak_dbtp"].get<double>(), report["delta"]["sample_peak_dbfs"].get<double>());
    }
    // Without --delta the JSON says so, and the text report has a line for it with it, naming the kind.
    writeInput("in.wav", 2, 1000);
    EXPECT_TRUE(jsonOf(runRender("--json - " + path("in.wav") + " " + path("o.wav"), false))["delta"].is_null());
    for (const char* mode : {"", " --delta-mode raw"}) {
        CommandResult text = runRender("--set input=6" + std::string(mode) + " " + path("in.wav") + " " + path("o.wav") +
                                       " --delta " + path("d.aiff"));
        const std::string kind = *mode ? "(input - output, raw): " : "(input +6.00 dB - output, gain-matched): ";
        EXPECT_NE(text.output.find("delta:            " + path("d.aiff") + " " + kind), std::string::npos) << text.output;
    }
}

// A batch with one bad file among good ones: the others are rendered as a
// single run renders them, the bad one is reported, the status is its exit code.
TEST_F(RenderCli, BatchRendersEveryFileAndKeepsGoingPastABadOne) {
    ASSERT_EQ(mkdir(path("in").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(path("out").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(path("other").c_str(), 0755), 0);
    writeInput("in/a.wav", 2, 30000);
    writeInput("in/b.wav", 1, 20000);
    writeInput("in/d.wav", 2, 1);
    std::ofstream(path("in/bad.wav")) << "not audio";
    writeSignal("in/cut.wav", 2, 48000, 10000, [](size_t, int) { return 0.25; }, SF_FORMAT_PCM_16);
    ASSERT_EQ(truncate(path("in/cut.wav").c_str(), 44 + 5000 * 4), 0);  // an interrupted copy
    writeInput("other/a.wav", 2, 100);
    const std::string settings = "--set input=6 --set warm=on ";
    const std::string inputs = path("in/a.wav") + " " + path("in/bad.wav") + " " + path("in/b.wav") + " " + path("in/d.wav") +
                               " " + path("in/cut.wav");
    CommandResult run = runRender(settings + "--out-dir " + path("out") + " --json " + path("batch.json") + " " + inputs);
    EXPECT_EQ(run.code, 4) << run.output;
    EXPECT_NE(run.output.find("failed  " + path("in/bad.wav") + ": cannot read"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("ok      " + path("in/b.wav") + " -> " + path("out/b.wav") + ": "), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("failed  " + path("in/cut.wav") + ": " + path("in/cut.wav") + " is cut short"),
              std::string::npos) << run.output;
    EXPECT_NE(run.output.find("batch: 3 of 5 files rendered into " + path("out")), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("2 failed (the first: " + path("in/bad.wav") + ", exit 4)"), std::string::npos) << run.output;
    EXPECT_FALSE(std::ifstream(path("out/cut.wav")).good());
    for (const char* name : {"a.wav", "b.wav", "d.wav"}) {
        ASSERT_EQ(runRender(settings + path(std::string("in/") + name) + " " + path(std::string("single-") + name)).code, 0);
        EXPECT_EQ(bytesOf(std::string("out/") + name), bytesOf(std::string("single-") + name)) << name;
    }
    std::ifstream jsonFile(path("batch.json"));
    nlohmann::json reports = nlohmann::json::parse(jsonFile);
    ASSERT_TRUE(reports.is_array());
    ASSERT_EQ(reports.size(), 5u);  // in the order given
    EXPECT_EQ(reports[0]["output"]["path"], path("out/a.wav"));
    EXPECT_EQ(reports[1]["exit_code"], 4);
    EXPECT_NE(reports[1]["error"].get<std::string>().find("cannot read"), std::string::npos);
    EXPECT_EQ(reports[2]["output"]["channels"], 1);
    EXPECT_EQ(reports[3]["output"]["frames"], 1);
    EXPECT_EQ(reports[4]["exit_code"], 4);
    // --quiet hides the successes and the bar, never a failure.
    CommandResult quiet = runRender("-q -n --out-dir " + path("out") + " " + path("in/bad.wav") + " " + path("in/d.wav"));
    EXPECT_EQ(quiet.code, 4) << quiet.output;
    EXPECT_NE(quiet.output.find("failed  " + path("in/bad.wav") + ": cannot read"), std::string::npos) << quiet.output;
    EXPECT_NE(quiet.output.find("failed  " + path("in/d.wav") + ": " + path("out/d.wav") + " exists"), std::string::npos)
        << quiet.output;
    EXPECT_EQ(quiet.output.find("ok  "), std::string::npos) << quiet.output;

    // Refused before anything is written: two inputs with one name, an input
    // that is its own target, --json on a target; no folder.
    const std::set<std::string> before = files();
    std::remove(path("out/a.wav").c_str());
    struct Case {
        std::string arguments;
        int code;
        std::string message;
    } cases[] = {
        {"--out-dir " + path("out") + " " + path("in/a.wav") + " " + path("other/a.wav"), 2,
         "the output of " + path("in/a.wav") + " and the output of " + path("other/a.wav") + " name the same file"},
        {"--out-dir " + path("other") + " " + path("in/b.wav") + " " + path("other/a.wav"), 2, "INPUT " + path("other/a.wav")},
        {"--out-dir " + path("out") + " --json " + path("out/b.wav") + " " + path("in/b.wav"), 2, "--json and the output of"},
        {"--out-dir " + path("nowhere") + " " + path("in/b.wav"), 5, "is not a folder"},
        {"--out-dir " + path("out"), 2, "no INPUT given"},
        {"--out-dir " + path("out") + " --svg " + path("x.svg") + " " + path("in/b.wav"), 2, "not for a batch"},
    };
    for (const Case& c : cases) {
        CommandResult refused = runRender(c.arguments);
        EXPECT_EQ(refused.code, c.code) << c.arguments << "\n" << refused.output;
        EXPECT_NE(refused.output.find(c.message), std::string::npos) << refused.output;
    }
    std::set<std::string> after = files();
    EXPECT_EQ(after, before);
    EXPECT_FALSE(std::ifstream(path("out/a.wav")).good());
}

// A rate outside what the meters serve, however the header states it, fails
// that file alone with its reason; nothing is left behind, and in a batch
// the good file beside it still renders.
TEST_F(RenderCli, RatesOutsideWhatTheMetersServeAreRefusedFileByFile) {
    auto tone = [](size_t n, int) { return 0.5 * std::sin(0.05 * double(n)); };
    auto patch = [&](const std::string& name, const std::string& chunk, size_t offset, const std::vector<uint8_t>& bytes) {
        std::vector<uint8_t> file = bytesOf(name);
        auto at = std::search(file.begin(), file.end(), chunk.begin(), chunk.end());
        ASSERT_NE(at, file.end()) << name;
        std::copy(bytes.begin(), bytes.end(), at + long(offset));
        std::ofstream(path(name), std::ios::binary).write(reinterpret_cast<const char*>(file.data()), long(file.size()));
    };
    struct Case {
        std::string name;
        int rate;                        // as written; 0: patched in afterwards
        std::vector<uint8_t> patchBytes;  // over the rate field
        std::string message;
    } cases[] = {
        {"r16.wav", 16, {}, "r16.wav is at 16 Hz; orvalt-render renders rates from 1000 to 2822400 Hz"},
        {"r17.wav", 17, {}, "is at 17 Hz"},
        {"r999.wav", 999, {}, "is at 999 Hz"},
        {"r2822401.wav", 2822401, {}, "is at 2822401 Hz"},
        {"zero.wav", 0, {0, 0, 0, 0}, "zero.wav states a sample rate of 0 Hz or no channels"},
        // An 80-bit float far beyond any rate.
        {"garbage.aiff", 0, {0x7f, 0xfe, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}, "garbage.aiff"},
    };
    std::string batch;
    for (const Case& c : cases) {
        const bool aiff = c.name.find(".aiff") != std::string::npos;
        writeSignal(c.name, 2, c.rate ? c.rate : 44100, 2000, tone, aiff ? SF_FORMAT_AIFF | SF_FORMAT_PCM_16 : SF_FORMAT_FLOAT);
        if (!c.patchBytes.empty()) patch(c.name, aiff ? "COMM" : "fmt ", aiff ? 18 : 12, c.patchBytes);
        batch += " " + path(c.name);
    }
    writeSignal("good.wav", 2, 1000, 2000, tone);
    const std::set<std::string> before = files();
    for (const Case& c : cases) {
        CommandResult run = runRender(path(c.name) + " " + path("out.wav"));
        EXPECT_EQ(run.code, 4) << c.name << "\n" << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
        EXPECT_EQ(files(), before) << c.name;  // no temporary stays
    }
    ASSERT_EQ(mkdir(path("out").c_str(), 0755), 0);
    CommandResult run = runRender("--out-dir " + path("out") + batch + " " + path("good.wav"));
    EXPECT_EQ(run.code, 4) << run.output;
    EXPECT_NE(run.output.find("batch: 1 of 7 files rendered"), std::string::npos) << run.output;
    SF_INFO info;
    EXPECT_EQ(readFrames("out/good.wav", info).size(), 4000u);
    EXPECT_EQ(info.samplerate, 1000);
}

TEST_F(RenderCli, LinksToTheInputAreRefusedAndTheInputKeepsItsBytes) {
    writeInput("in.wav", 2, 500);
    const std::vector<uint8_t> before = bytesOf("in.wav");
    ASSERT_EQ(symlink(path("in.wav").c_str(), path("soft.wav").c_str()), 0);
    ASSERT_EQ(link(path("in.wav").c_str(), path("hard.wav").c_str()), 0);
    ASSERT_EQ(mkdir(path("sub").c_str(), 0755), 0);
    for (const std::string& target : {path("soft.wav"), path("hard.wav"), path("sub/../in.wav")}) {
        CommandResult run = runRender(path("in.wav") + " " + target);
        EXPECT_EQ(run.code, 2) << target << "\n" << run.output;
        EXPECT_NE(run.output.find("name the same file"), std::string::npos) << run.output;
        run = runRender(path("in.wav") + " " + path("out.wav") + " --svg " + target);
        EXPECT_EQ(run.code, 2) << target << "\n" << run.output;
    }
    // Two outputs not yet there, one through the subfolder.
    CommandResult run = runRender(path("in.wav") + " " + path("new.wav") + " --json " + path("sub/../new.wav"));
    EXPECT_EQ(run.code, 2) << run.output;
    EXPECT_EQ(bytesOf("in.wav"), before);
    EXPECT_EQ(files(), (std::set<std::string>{"in.wav", "soft.wav", "hard.wav", "sub"}));
}

TEST_F(RenderCli, InterruptedRunsLeaveNothingBehindAndKeepTheOldOutput) {
    // Long enough to be caught while writing: 60 s, one sample per process call.
    writeSignal("long.wav", 2, 48000, 48000 * 60, [](size_t n, int) { return 0.5 * std::sin(0.05 * double(n)); });
    std::ofstream(path("out.wav")) << "the previous render";
    const std::vector<uint8_t> previous = bytesOf("out.wav");
    // Every signal that ends a process unless caught: a closed terminal or
    // ssh session, Ctrl-C and Ctrl-\, kill, a closed pipe, limits, timers
    // (these exit with 128 + N); then faults, abort, I/O and real-time
    // signals, after which the process dies of the signal itself.
    const std::vector<int> exiting = {SIGHUP,  SIGINT,  SIGQUIT, SIGTERM, SIGUSR1,   SIGUSR2,
                                      SIGALRM, SIGPIPE, SIGXFSZ, SIGXCPU, SIGVTALRM, SIGPROF};
    std::vector<int> signals = exiting;
    for (int s : {SIGABRT, SIGSEGV, SIGBUS, SIGSYS, SIGTRAP, SIGIO, SIGRTMIN + 2, SIGRTMAX}) signals.push_back(s);
    for (int signal : signals) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            const rlimit noCore{0, 0};
            setrlimit(RLIMIT_CORE, &noCore);
            execl(ORVALT_RENDER_EXE, ORVALT_RENDER_EXE, "--quiet", "--block", "1", "--svg", path("out.svg").c_str(),
                  path("long.wav").c_str(), path("out.wav").c_str(), static_cast<char*>(nullptr));
            _exit(99);
        }
        // Wait until the audio temporary holds data, then interrupt.
        bool writing = false;
        for (int i = 0; i < 3000 && !writing; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            for (const std::string& name : files()) {
                struct stat info;
                if (name.rfind(".out.wav.tmp-", 0) == 0 && stat(path(name).c_str(), &info) == 0 && info.st_size > 100000)
                    writing = true;
            }
        }
        EXPECT_TRUE(writing) << strsignal(signal);
        // The threads the renderer starts (the meters) hold the terminating
        // signals, so their handler runs on the main thread only.
        int others = 0;
        if (DIR* tasks = opendir(("/proc/" + std::to_string(child) + "/task").c_str())) {
            while (dirent* e = readdir(tasks)) {
                if (e->d_name[0] == '.' || std::to_string(child) == e->d_name) continue;
                std::ifstream status("/proc/" + std::to_string(child) + "/task/" + e->d_name + "/status");
                std::string line;
                while (std::getline(status, line))
                    if (line.rfind("SigBlk:", 0) == 0) {
                        const unsigned long long blocked = std::stoull(line.substr(7), nullptr, 16);
                        for (int held : {SIGTERM, SIGINT, SIGHUP, SIGIO, SIGRTMAX})
                            EXPECT_TRUE(blocked >> (held - 1) & 1) << e->d_name << " " << strsignal(held);
                        ++others;
                    }
            }
            closedir(tasks);
        }
        EXPECT_GE(others, 1);
        kill(child, signal);
        int status = 0;
        waitpid(child, &status, 0);
        if (std::find(exiting.begin(), exiting.end(), signal) != exiting.end()) {
            ASSERT_TRUE(WIFEXITED(status)) << strsignal(signal) << ": " << status;
            EXPECT_EQ(WEXITSTATUS(status), 128 + signal) << strsignal(signal);
        } else {
            ASSERT_TRUE(WIFSIGNALED(status)) << strsignal(signal) << ": " << status;
            EXPECT_EQ(WTERMSIG(status), signal) << strsignal(signal);
        }
        EXPECT_EQ(files(), (std::set<std::string>{"long.wav", "out.wav"})) << strsignal(signal);
        EXPECT_EQ(bytesOf("out.wav"), previous) << strsignal(signal);
    }
}

TEST_F(RenderCli, StandardInputAndOutputCarryAudioAndAreCheckedLikeFiles) {
    writeInput("in.wav", 2, 3000);
    const std::vector<uint8_t> inputBytes = bytesOf("in.wav");
    const std::string here = "cd '" + dir + "' && ", render = "'" + renderExe + "' --quiet ";
    ASSERT_EQ(runShell(here + render + "in.wav file.wav").code, 0);
    SF_INFO info;
    const std::vector<float> expected = readFrames("file.wav", info);
    // INPUT -: redirected from a file, or through a pipe (whose header gives no length).
    for (const std::string& command : {render + "- redirected.wav < in.wav", "cat in.wav | " + render + "- piped.wav"}) {
        CommandResult run = runShell(here + command + " 2>&1");
        EXPECT_EQ(run.code, 0) << command << "\n" << run.output;
        EXPECT_EQ(run.output.find("warning"), std::string::npos) << command << "\n" << run.output;
    }
    EXPECT_EQ(readFrames("redirected.wav", info), expected);
    EXPECT_EQ(readFrames("piped.wav", info), expected);
    // Standard input that is one of the outputs is refused like the file itself.
    for (const char* arguments : {"--set input=6 - in.wav", "- out.wav --svg in.wav", "- out.wav --json in.wav"}) {
        CommandResult run = runShell(here + render + arguments + " < in.wav 2>&1");
        EXPECT_EQ(run.code, 2) << arguments << "\n" << run.output;
        EXPECT_NE(run.output.find("name the same file"), std::string::npos) << run.output;
    }
    EXPECT_EQ(bytesOf("in.wav"), inputBytes);
    // A standard output that cannot take the report, full or closed, fails
    // the run before any file is put in place.
    for (const char* report : {"--json - in.wav j.wav 2>&1 >/dev/full", "in.wav j.wav 2>&1 >/dev/full",
                               "--json - in.wav j.wav 2>&1 >&-"}) {
        CommandResult failed = runShell(here + "'" + renderExe + "' " + report);
        EXPECT_EQ(failed.code, 5) << report << "\n" << failed.output;
        EXPECT_NE(failed.output.find(std::string("cannot write standard output: ") +
                                     (std::strstr(report, "full") ? "No space left on device" : "Bad file descriptor")),
                  std::string::npos) << failed.output;
        EXPECT_EQ(files().count("j.wav"), 0u) << report;
    }
    EXPECT_EQ(runShell(here + render + "in.wav - --format flac >/dev/full").code, 5);
    ASSERT_EQ(runShell(here + render + "in.wav j.wav").code, 0);
    // Audio is not for a terminal, either way (script gives the command one).
    for (const char* arguments : {"in.wav - --format wav", "- out.wav"}) {
        CommandResult terminal = runShell(here + "script -qec \"" + render + arguments + "\" /dev/null");
        EXPECT_EQ(terminal.code, 2) << terminal.output;
        EXPECT_NE(terminal.output.find(" the terminal: redirect or pipe standard "), std::string::npos) << terminal.output;
    }
    // These types give their length before the audio: a pipe cannot take them.
    for (const std::string type : {"aiff", "rf64", "w64", "caf"}) {
        CommandResult refused = runShell(here + "{ " + render + "in.wav - --format " + type + " | cat >/dev/null; } 2>&1");
        EXPECT_EQ(refused.code, 5) << refused.output;
        std::string name = type;
        for (char& c : name) c = char(std::toupper(c));
        EXPECT_NE(refused.output.find("cannot write " + name + " to standard output, a pipe"), std::string::npos) << refused.output;
    }
    // Our own reader takes our own stream, and the report goes to standard error.
    CommandResult chained = runShell(here + "'" + renderExe + "' in.wav - --format wav 2>report.txt | " + render +
                                     "--bits float - chained.wav");
    EXPECT_EQ(chained.code, 0) << chained.output;
    EXPECT_EQ(readFrames("chained.wav", info).size(), expected.size());
    const std::vector<uint8_t> chainedBytes = bytesOf("chained.wav");  // of unknown length: RF64 turned back into RIFF
    EXPECT_EQ(std::string(chainedBytes.begin(), chainedBytes.begin() + 4), "RIFF");
    std::ifstream reportFile(path("report.txt"));
    const std::string report((std::istreambuf_iterator<char>(reportFile)), {});
    EXPECT_NE(report.find("output:           - (24-bit"), std::string::npos) << report;
    EXPECT_EQ(files(), (std::set<std::string>{"in.wav", "file.wav", "j.wav", "redirected.wav", "piped.wav", "chained.wav",
                                              "report.txt"}));

    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) SKIP_NOT_INSTALLED("ffmpeg: the streams are not decoded");
    // Streamed WAV and FLAC, decoded by an independent reader: every sample of the file render.
    const struct {
        const char* output;
        const char* decoded;
    } streams[] = {{"- --format wav", "wav.wav"}, {"- --format flac", "flac.wav"}, {"/dev/stdout --format wav", "dev.wav"}};
    for (const auto& stream : streams) {
        CommandResult run = runShell(here + render + "in.wav " + stream.output + " | ffmpeg -v error -i - -c:a pcm_s24le " +
                                     stream.decoded + " 2>&1");
        ASSERT_EQ(run.code, 0) << stream.output << "\n" << run.output;
        EXPECT_EQ(readFrames(stream.decoded, info), expected) << stream.output;
    }
}

// Every temporary file of a run is removed on a signal however many there
// are (a batch on many cores holds one per job and more), once room is made
// for them; past the room an output fails instead of going unlisted.
TEST_F(RenderCli, EveryTemporaryIsRemovedOnASignalHoweverMany) {
    for (const int room : {0, 80}) {
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            render::removeTemporariesOnSignal();
            if (room) render::reserveTemporaries(size_t(room));
            std::vector<std::unique_ptr<render::AtomicOutput>> outputs;
            try {
                for (int i = 0; i < 70; ++i)
                    outputs.push_back(std::make_unique<render::AtomicOutput>(path("out" + std::to_string(i) + ".wav")));
            } catch (const std::exception&) {
                _exit(outputs.size() == 32 ? 32 : 99);  // the 33rd refused, not dropped
            }
            raise(SIGTERM);
            _exit(98);
        }
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), room ? 128 + SIGTERM : 32) << room;
        EXPECT_EQ(files().size(), room ? 0u : 32u) << room;  // without a signal, the refused run's list stays
        std::system(("rm -f '" + dir + "'/.out*").c_str());
    }
}

// File names are bytes: the longest a folder takes, and names that are not
// UTF-8, are written, and the reports stay valid JSON and XML.
TEST_F(RenderCli, AnyFileNameIsWrittenAndReportedValidly) {
    if (std::system("rsvg-convert --version >/dev/null 2>&1") != 0) SKIP_NOT_INSTALLED("rsvg-convert");
    writeInput("in.wav", 2, 500);
    for (size_t length : {size_t(243), size_t(244), size_t(255)}) {
        const std::string name = std::string(length - 4, 'n') + ".wav";
        CommandResult run = runRender("--quiet " + path("in.wav") + " " + path(name));
        EXPECT_EQ(run.code, 0) << length << ": " << run.output;
        EXPECT_EQ(files(), (std::set<std::string>{"in.wav", name})) << length;
        unlink(path(name).c_str());
    }
    ASSERT_EQ(rename(path("in.wav").c_str(), path("in\xff\xfe.wav").c_str()), 0);
    const std::string names = path("in\xff\xfe.wav") + " " + path("out\xc3.wav");
    nlohmann::json report = jsonOf(runRender("--json - --svg " + path("p.svg") + " " + names, false));
    EXPECT_EQ(report["input"]["path"], path("in\xef\xbf\xbd\xef\xbf\xbd.wav"));
    EXPECT_EQ(report["output"]["path"], path("out\xef\xbf\xbd.wav"));
    EXPECT_EQ(report["note"], "a file name is not valid UTF-8: each byte that does not decode is shown as U+FFFD");
    EXPECT_EQ(std::system(("rsvg-convert '" + path("p.svg") + "' -o " + path("p.png") + " 2>/dev/null").c_str()), 0);
    ASSERT_EQ(mkdir(path("sub").c_str(), 0755), 0);
    nlohmann::json batchReport = jsonOf(runRender("--json - --out-dir " + path("sub") + " " + path("in\xff\xfe.wav"), false));
    EXPECT_EQ(batchReport[0]["input"]["path"], path("in\xef\xbf\xbd\xef\xbf\xbd.wav"));
}

// The files a run replaces: their protection, mode, owner and links are the user's.
TEST_F(RenderCli, ReplacedOutputsKeepModeOwnerAndLinks) {
    writeInput("in.wav", 2, 500);
    const std::string render = "--quiet " + path("in.wav") + " ";
    std::ofstream(path("shared.wav")) << "old";
    ASSERT_EQ(chmod(path("shared.wav").c_str(), 0640), 0);
    ASSERT_EQ(runRender(render + path("shared.wav")).code, 0);
    struct stat info;
    ASSERT_EQ(stat(path("shared.wav").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_GT(info.st_size, 3000);
    if (getuid() == 0) {  // only root may give a file away: the owner and group stay someone else's
        ASSERT_EQ(chown(path("shared.wav").c_str(), 65534, 65534), 0);
        ASSERT_EQ(runRender(render + path("shared.wav")).code, 0);
        ASSERT_EQ(stat(path("shared.wav").c_str(), &info), 0);
        EXPECT_EQ(info.st_uid, 65534u);
        EXPECT_EQ(info.st_gid, 65534u);
    }
    // A link is written through, to an existing file or to one still to come; the link stays.
    ASSERT_EQ(mkdir(path("real").c_str(), 0755), 0);
    std::ofstream(path("real/target.wav")) << "old";
    ASSERT_EQ(symlink("real/target.wav", path("link.wav").c_str()), 0);
    ASSERT_EQ(symlink("real/new.wav", path("dangling.wav").c_str()), 0);
    for (const char* link : {"link.wav", "dangling.wav"}) {
        CommandResult run = runRender(render + path(link));
        EXPECT_EQ(run.code, 0) << link << "\n" << run.output;
        ASSERT_EQ(lstat(path(link).c_str(), &info), 0);
        EXPECT_TRUE(S_ISLNK(info.st_mode)) << link;
    }
    SF_INFO sound;
    EXPECT_EQ(readFrames("real/target.wav", sound).size(), 1000u);
    EXPECT_EQ(readFrames("real/new.wav", sound).size(), 1000u);
    // -n keeps every existing file, whichever option names it.
    const std::vector<uint8_t> before = bytesOf("shared.wav");
    for (const std::string& arguments : {"-n " + render + path("shared.wav"),
                                         "--no-clobber " + render + path("fresh.wav") + " --svg " + path("shared.wav")}) {
        CommandResult run = runRender(arguments);
        EXPECT_EQ(run.code, 5) << run.output;
        EXPECT_NE(run.output.find(path("shared.wav") + " exists and --no-clobber keeps it"), std::string::npos) << run.output;
    }
    EXPECT_EQ(bytesOf("shared.wav"), before);
    EXPECT_EQ(runRender("-n " + render + path("fresh.wav")).code, 0);
    EXPECT_EQ(files(), (std::set<std::string>{"in.wav", "shared.wav", "real", "link.wav", "dangling.wav", "fresh.wav"}));
}

// A file saved meanwhile at any target of a -n run stays, and then none of
// the run's outputs is put in place: all or nothing.
TEST_F(RenderCli, NoClobberKeepsAFileThatAppearsDuringTheRun) {
    writeInput("song.wav", 2, 48000);
    const std::vector<uint8_t> song = bytesOf("song.wav");
    for (const char* appearing : {"out.wav", "report.json"}) {
        // The input comes through a named pipe, so the run waits for the rest of
        // it while someone else saves a file: no race with the clock.
        ASSERT_EQ(mkfifo(path("in.wav").c_str(), 0600), 0);
        pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            execl(ORVALT_RENDER_EXE, ORVALT_RENDER_EXE, "--quiet", "-n", "--json", path("report.json").c_str(),
                  path("in.wav").c_str(), path("out.wav").c_str(), static_cast<char*>(nullptr));
            _exit(99);
        }
        auto previous = std::signal(SIGPIPE, SIG_IGN);  // a renderer that fails early only makes the write fail
        const int pipe = open(path("in.wav").c_str(), O_WRONLY);
        ASSERT_GE(pipe, 0);
        const size_t first = 4096;  // the header and a little audio: never more than the pipe holds
        EXPECT_EQ(write(pipe, song.data(), first), ssize_t(first));
        bool started = false;
        for (int i = 0; i < 3000 && !started; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            for (const std::string& name : files()) started = started || name.rfind(".out.wav.tmp-", 0) == 0;
        }
        EXPECT_TRUE(started);
        std::ofstream(path(appearing)) << "saved by someone else meanwhile";
        EXPECT_EQ(write(pipe, song.data() + first, song.size() - first), ssize_t(song.size() - first));
        close(pipe);
        std::signal(SIGPIPE, previous);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status)) << status;
        EXPECT_EQ(WEXITSTATUS(status), 5) << appearing;
        std::ifstream kept(path(appearing));
        EXPECT_EQ(std::string((std::istreambuf_iterator<char>(kept)), {}), "saved by someone else meanwhile");
        EXPECT_EQ(files(), (std::set<std::string>{"song.wav", "in.wav", appearing})) << appearing;
        unlink(path("in.wav").c_str());
        unlink(path(appearing).c_str());
    }
}

TEST_F(RenderCli, WriteProtectedOutputIsRefusedForAnOrdinaryUser) {
    writeInput("in.wav", 2, 500);
    std::ofstream(path("master.wav")) << "the master";
    ASSERT_EQ(chmod(path("master.wav").c_str(), 0444), 0);
    std::string as;  // an ordinary user: root may write anything, and cp and sox as root do
    if (getuid() == 0) {
        as = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
        if (std::system((as + "true 2>/dev/null").c_str()) != 0) SKIP_NOT_INSTALLED("setpriv, to run as an ordinary user");
        // The user's own folder and file, only the file write-protected.
        ASSERT_EQ(chown(dir.c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown(path("in.wav").c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown(path("master.wav").c_str(), 65534, 65534), 0);
    }
    for (const std::string& arguments : {path("in.wav") + " " + path("master.wav"),
                                         path("in.wav") + " " + path("out.wav") + " --json " + path("master.wav")}) {
        CommandResult run = runShell(as + "'" + renderExe + "' " + arguments + " 2>&1");
        EXPECT_EQ(run.code, 5) << run.output;
        EXPECT_NE(run.output.find(path("master.wav") + " is write-protected; nothing was written"), std::string::npos)
            << run.output;
    }
    std::ifstream master(path("master.wav"));
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(master)), {}), "the master");
    struct stat info;
    ASSERT_EQ(stat(path("master.wav").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0444u);
    EXPECT_EQ(files(), (std::set<std::string>{"in.wav", "master.wav"}));
}

TEST_F(RenderCli, FindsThePluginBesideItselfAndSaysWhichItLoaded) {
    ASSERT_EQ(mkdir(path("bin").c_str(), 0755), 0);
    ASSERT_EQ(mkdir(path("lone").c_str(), 0755), 0);
    ASSERT_EQ(runShell("cp '" + renderExe + "' '" + toolstest::orvaltPlugin() + "' '" + path("bin") + "' && cp '" +
                       renderExe + "' '" + path("lone") + "'").code, 0);
    const std::string beside = path("bin/Orvalt.so");
    CommandResult run = runShell("'" + path("bin/orvalt-render") + "' --json - --demo " + path("a.wav") + " 2>" + path("err.txt"));
    ASSERT_EQ(run.code, 0) << run.output;
    std::ifstream errors(path("err.txt"));
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(errors)), {}),
              "orvalt-render: plug-in " + beside + " (found beside orvalt-render)\n");
    EXPECT_EQ(jsonOf(run)["plugin"]["path"], beside);
    // Alone, a development build's renderer takes the plug-in built with it, as it always did.
    run = runShell("'" + path("lone/orvalt-render") + "' --json - --demo " + path("b.wav") + " 2>&1");
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_EQ(jsonOf(run)["plugin"]["path"], toolstest::orvaltPlugin());
}

TEST_F(RenderCli, PresetsRoundTripAndCarryTheSettings) {
    CommandResult save = runRender("--set limit=-3 --set warm=on --save-preset " + path("a.fxp") + " --save-bank " + path("a.fxb"));
    ASSERT_EQ(save.code, 0) << save.output;
    render::PresetFile program, bank;
    std::string error;
    ASSERT_TRUE(render::parsePresetFile(bytesOf("a.fxp"), program, error)) << error;
    EXPECT_EQ(program.kind, render::PresetKind::programChunk);
    EXPECT_EQ(program.fxID, 0x6F52764C);
    EXPECT_EQ(program.fxVersion, 1);
    EXPECT_EQ(program.programName, "Init 1");
    ASSERT_EQ(program.chunk.size(), 96u);
    EXPECT_EQ(std::vector<uint8_t>(program.chunk.begin(), program.chunk.begin() + 9),
              (std::vector<uint8_t>{0x75, 0x3D, 0x8C, 0x28, 5, 0, 0, 0, 4}));
    ASSERT_TRUE(render::parsePresetFile(bytesOf("a.fxb"), bank, error)) << error;
    EXPECT_EQ(bank.kind, render::PresetKind::bankChunk);
    EXPECT_EQ(bank.count, 8);
    EXPECT_EQ(bank.chunk.size(), 530u);

    // Loaded into a fresh instance and saved again: the same bytes.
    for (const char* name : {"a.fxp", "a.fxb"}) {
        bool isBank = std::string(name) == "a.fxb";
        std::string again = isBank ? "b.fxb" : "b.fxp";
        CommandResult reload = runRender("--preset " + path(name) + (isBank ? " --save-bank " : " --save-preset ") + path(again));
        ASSERT_EQ(reload.code, 0) << reload.output;
        EXPECT_EQ(bytesOf(again), bytesOf(name)) << name;
    }
    // And the settings come back as the plug-in shows them.
    CommandResult rendered = runRender("--preset " + path("a.fxp") + " --demo " + path("out.wav"));
    ASSERT_EQ(rendered.code, 0) << rendered.output;
    EXPECT_NE(rendered.output.find("warm on, limit -3.00 dB"), std::string::npos) << rendered.output;
}

TEST_F(RenderCli, PresetOfAnotherPluginIsRefusedAndChangesNothing) {
    ASSERT_EQ(runRender("--save-preset " + path("a.fxp")).code, 0);
    std::vector<uint8_t> foreign = bytesOf("a.fxp");
    foreign[16] = 'Z', foreign[17] = 'M', foreign[18] = 'X', foreign[19] = '2';
    std::ofstream(path("foreign.fxp"), std::ios::binary).write(reinterpret_cast<const char*>(foreign.data()),
                                                             static_cast<std::streamsize>(foreign.size()));
    CommandResult run = runRender("--preset " + path("foreign.fxp") + " --save-preset " + path("b.fxp"));
    EXPECT_EQ(run.code, 6) << run.output;
    EXPECT_NE(run.output.find("'ZMX2'"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("'oRvL'"), std::string::npos) << run.output;
    EXPECT_EQ(files(), (std::set<std::string>{"a.fxp", "foreign.fxp"}));
}

}  // namespace

namespace {

TEST_F(RenderCli, PresetsThePluginDoesNotTakeAreRefusedBeforeAnythingIsWritten) {
    ASSERT_EQ(runRender("--set limit=-3 --save-preset " + path("a.fxp")).code, 0);
    const std::vector<uint8_t> good = bytesOf("a.fxp");
    writeInput("in.wav", 2, 100);
    auto variant = [&](const std::string& name, const std::function<void(std::vector<uint8_t>&)>& change) {
        std::vector<uint8_t> bytes = good;
        change(bytes);
        std::ofstream(path(name), std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                        static_cast<std::streamsize>(bytes.size()));
    };
    variant("header.fxp", [](std::vector<uint8_t>& b) { b[60] ^= 0xFF; });  // the chunk's own header
    variant("record.fxp", [](std::vector<uint8_t>& b) { b[60 + 8 + 32 + 4 * 2] = 0x09; });  // an unknown record mid-way
    variant("relabelled.fxp", [](std::vector<uint8_t>& b) { b[8] = 'F', b[9] = 'x', b[10] = 'C', b[11] = 'k'; });
    struct Case {
        const char* file;
        const char* message;
    } cases[] = {
        {"header.fxp", "did not take this preset (it said: Orvalt error: Error loading chunk: Invalid header)"},
        {"record.fxp", "Chunk appears corrupted"},
        {"relabelled.fxp", "relabelled.fxp"},
    };
    const std::set<std::string> before = files();
    for (const Case& c : cases) {
        CommandResult run = runRender("--preset " + path(c.file) + " " + path("in.wav") + " " + path("out.wav") +
                                      " --save-preset " + path("b.fxp"));
        EXPECT_EQ(run.code, 6) << c.file << "\n" << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << run.output;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << "one line: " << run.output;
        EXPECT_EQ(files(), before) << c.file;
    }
    // The good one is still taken.
    CommandResult run = runRender("--preset " + path("a.fxp") + " " + path("in.wav") + " " + path("out.wav"));
    EXPECT_EQ(run.code, 0) << run.output;
    EXPECT_NE(run.output.find("limit -3.00 dB"), std::string::npos) << run.output;
}

TEST_F(RenderCli, SettingsAreInForceFromTheFirstSample) {
    // -20 dBFS at 1 kHz, starting away from zero, through +12 dB of input gain.
    writeSignal("sine.wav", 2, 48000, 4800, [](size_t n, int) { return 0.1 * std::sin(2 * pi * 1000.0 * n / 48000.0 + 1.0); });
    CommandResult run = runRender("--set input=12 --set clip=off --compensate --bits float " + path("sine.wav") + " " +
                                  path("gain.wav"));
    ASSERT_EQ(run.code, 0) << run.output;
    SF_INFO info;
    std::vector<float> in = readFrames("sine.wav", info), out = readFrames("gain.wav", info);
    ASSERT_EQ(out.size(), in.size());
    const double gain = std::pow(10.0, 12.0 / 20.0);
    for (size_t i : {size_t(0), size_t(1), size_t(48), size_t(2400), in.size() - 2}) {
        ASSERT_GT(std::fabs(in[i]), 0.01f) << i;
        EXPECT_NEAR(out[i] / in[i], gain, gain * 1e-6) << "sample " << i / 2;
    }

    // Every stage and smoother at once: the output from sample 0 is that of an
    // instance that has run with these settings for ten seconds.
    const std::string settings = "--set input=6 --set drive=-6 --set warm=on --set bass=6 --set limit=-3 --set makeup=on "
                                 "--compensate --bits float ";
    auto music = [](size_t n, int c) {
        double t = double(n) / 48000.0;
        return (0.5 + 0.4 * std::sin(2 * pi * 3 * t)) * std::sin(2 * pi * (c ? 97.0 : 55.0) * t) + 0.2 * std::sin(2 * pi * 1234.0 * t);
    };
    const size_t frames = 24000, lead = 480000;
    writeSignal("music.wav", 2, 48000, frames, music);
    writeSignal("late.wav", 2, 48000, lead + frames, [&](size_t n, int c) { return n < lead ? 0.0 : music(n - lead, c); });
    ASSERT_EQ(runRender(settings + path("music.wav") + " " + path("music-out.wav")).code, 0);
    ASSERT_EQ(runRender(settings + path("late.wav") + " " + path("late-out.wav")).code, 0);
    std::vector<float> early = readFrames("music-out.wav", info), late = readFrames("late-out.wav", info);
    ASSERT_EQ(late.size(), 2 * (lead + frames));
    EXPECT_EQ(early, std::vector<float>(late.begin() + 2 * lead, late.end()));
    EXPECT_NE(*std::max_element(early.begin(), early.end()), 0.0f);
}

TEST_F(RenderCli, IntegerOutputThatClipsIsReportedAsWritten) {
    // +6 dBFS with the clipper off: the plug-in gives levels a 24-bit file cannot hold.
    writeSignal("hot.wav", 2, 48000, 48000, [](size_t n, int) { return 2.0 * std::sin(2 * pi * 441.0 * n / 48000.0); });
    CommandResult run = runRender("--set clip=off --json " + path("hot.json") + " " + path("hot.wav") + " " + path("out.wav"));
    ASSERT_EQ(run.code, 0) << run.output;
    SF_INFO info;
    std::vector<float> out = readFrames("out.wav", info);
    size_t held = 0;
    for (float x : out) held += x >= 8388607.0f / 8388608.0f || x <= -1.0f;
    ASSERT_GT(held, 1000u);
    EXPECT_NE(run.output.find("orvalt-render: warning: the 24-bit format clipped " + std::to_string(held) +
                              " samples at full scale"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("--bits float"), std::string::npos);
    EXPECT_NE(run.output.find("output peak:      +0.00 dBFS sample"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("format clipping:  " + std::to_string(held) + " samples held"), std::string::npos);
    std::ifstream jsonFile(path("hot.json"));
    nlohmann::json report = nlohmann::json::parse(jsonFile);
    EXPECT_EQ(report["output"]["samples_clipped_by_format"], held);
    EXPECT_LE(report["output"]["sample_peak_dbfs"].get<double>(), 0.0);
    EXPECT_GT(report["output"]["plugin_samples_at_or_over_0dbfs"].get<double>(), double(held) * 0.9);

    // In float nothing is held, and the report says +6 dBFS.
    run = runRender("--set clip=off --bits float " + path("hot.wav") + " " + path("float.wav"));
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_EQ(run.output.find("warning"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("output peak:      +6.02 dBFS sample"), std::string::npos) << run.output;
}

// An input that ends before the length its header declares (an interrupted
// copy, a stream broken off, a file shrinking while read) fails with exit 4,
// says both lengths, and neither creates nor replaces any file.
TEST_F(RenderCli, CutShortInputFailsAndWritesNothing) {
    writeSignal("whole.wav", 2, 48000, 10000, [](size_t n, int) { return 0.25 * std::sin(0.01 * n); }, SF_FORMAT_PCM_16);
    ASSERT_EQ(std::system(("cp '" + path("whole.wav") + "' '" + path("cut.wav") + "'").c_str()), 0);
    ASSERT_EQ(truncate(path("cut.wav").c_str(), 44 + 5000 * 4), 0);
    const std::string here = "cd '" + dir + "' && ", render = "'" + renderExe + "' ";
    ASSERT_EQ(runShell(here + render + "--quiet whole.wav whole.flac").code, 0);
    // FLAC tells its end only when read.
    ASSERT_EQ(runShell(here + "head -c $(( $(stat -c %s whole.flac) / 2 )) whole.flac > cut.flac").code, 0);
    ASSERT_EQ(mkfifo(path("fifo.wav").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(path("batch").c_str(), 0755), 0);
    std::ofstream(path("out.wav")) << "the old output";
    const std::string declared = " of the 10000 frames (0.21 s) its header declares";
    struct Case {
        std::string command, message;
    } cases[] = {
        {render + "cut.wav out.wav", "cut.wav is cut short: it holds 5000 frames (0.10 s)" + declared},
        {render + "--target-lufs -20 cut.wav out.wav --svg new.svg", "cut.wav is cut short"},
        {render + "cut.wav new.wav --delta d.wav", "cut.wav is cut short"},
        {render + "--out-dir batch cut.wav", "failed  cut.wav: cut.wav is cut short"},
        {"head -c 20044 whole.wav | " + render + "- out.wav", "standard input ended after 5000 frames (0.10 s)" + declared},
        {"head -c 20044 whole.wav | " + render + "- new.wav --json new.json", "standard input ended after"},
        {"{ head -c 20044 whole.wav > fifo.wav & } >/dev/null 2>&1; " + render + "fifo.wav out.wav", "fifo.wav ended after 5000 frames"},
        {render + "cut.flac out.wav", "cut.flac"},
    };
    const std::set<std::string> before = files();
    for (const Case& c : cases) {
        CommandResult run = runShell(here + c.command + " 2>&1");
        EXPECT_EQ(run.code, 4) << c.command << "\n" << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << c.command << "\n" << run.output;
        EXPECT_EQ(files(), before) << c.command;
        const std::vector<uint8_t> old = bytesOf("out.wav");
        EXPECT_TRUE(std::string(old.begin(), old.end()) == "the old output") << c.command;
    }
    // A whole file renders without a word of it; so does a stream saved to a
    // file, whose header says "length unknown": its end is its length.
    ASSERT_EQ(runShell(here + render + "--quiet whole.wav - --format wav | cat > streamed.wav").code, 0);
    std::vector<uint8_t> flac = bytesOf("whole.flac");  // its STREAMINFO's 36-bit sample count set to 0, "unknown"
    flac[21] &= 0xF0;
    std::fill(flac.begin() + 22, flac.begin() + 26, 0);
    std::ofstream(path("unsized.flac"), std::ios::binary).write(reinterpret_cast<const char*>(flac.data()), long(flac.size()));
    for (const char* name : {"whole.wav", "streamed.wav", "unsized.flac"}) {
        CommandResult whole = runShell(here + render + name + " out.aiff 2>&1");
        EXPECT_EQ(whole.code, 0) << whole.output;
        EXPECT_EQ(whole.output.find("warning"), std::string::npos) << whole.output;
    }
}

TEST_F(RenderCli, JsonReportHoldsTheFiguresForScripts) {
    writeSignal("quiet.wav", 1, 44100, 44100, [](size_t, int) { return 0.0; });
    CommandResult run = runRender("--json - " + path("quiet.wav") + " " + path("out.flac"), false);
    ASSERT_EQ(run.code, 0) << run.output;
    nlohmann::json report = jsonOf(run);  // standard output holds the JSON alone
    for (const char* side : {"input", "output"}) {
        for (const char* key : {"sample_peak_dbfs", "true_peak_dbtp", "integrated_lufs"}) {
            ASSERT_TRUE(report[side].contains(key)) << side << " " << key;
            EXPECT_TRUE(report[side][key].is_null()) << side << " " << key;  // silence: minus infinity
        }
        EXPECT_TRUE(report[side]["loudness_range_lu"].is_number()) << side;
        EXPECT_EQ(report[side]["frames"], 44100) << side;
    }
    EXPECT_EQ(report["input"]["channels"], 1);
    EXPECT_EQ(report["latency_samples"], 1);
    EXPECT_EQ(report["latency_compensated"], true);
    EXPECT_EQ(report["sample_rate"], 44100.0);
    EXPECT_EQ(report["output"]["format"], "24-bit");
    EXPECT_EQ(report["settings"]["limit"]["display"], "0.00 dB");
    EXPECT_EQ(report["settings"]["warm"]["normalized"], 0.0);
    EXPECT_EQ(report["settings"].size(), 7u);
    EXPECT_TRUE(report["seconds"]["end_to_end"].is_number());
}

// ffmpeg's ebur128 filter: integrated loudness, loudness range and true peak.
struct IndependentReading {
    double integrated = NAN, range = NAN, truePeak = NAN;
    double maxMomentary = -INFINITY, maxShortTerm = -INFINITY;  // of the per-100-ms lines
};

IndependentReading ffmpegReading(const std::string& file) {
    IndependentReading r;
    std::string command = "ffmpeg -nostats -hide_banner -i '" + file + "' -af ebur128=peak=true -f null - 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return r;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::sscanf(line, " I: %lf LUFS", &r.integrated);
        std::sscanf(line, " LRA: %lf LU", &r.range);
        std::sscanf(line, " Peak: %lf dBFS", &r.truePeak);
        double momentary, shortTerm;
        const char* m = std::strstr(line, " M:");
        if (m && std::sscanf(m, " M:%lf S:%lf", &momentary, &shortTerm) == 2)
            r.maxMomentary = std::max(r.maxMomentary, momentary), r.maxShortTerm = std::max(r.maxShortTerm, shortTerm);
    }
    pclose(pipe);
    return r;
}

// The loudness target and the ceiling, checked on the written file by ffmpeg;
// the settings found are those in the report; out of reach, nothing is written.
TEST_F(RenderCli, LoudnessTargetIsMetAsAnIndependentMeterReadsIt) {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) SKIP_NOT_INSTALLED("ffmpeg");
    writeSignal("music.wav", 2, 48000, 48000 * 12, [](size_t n, int c) {
        double t = double(n) / 48000.0;
        double swell = 0.03 + 0.1 * (0.5 + 0.5 * std::sin(2 * pi * t / 5.0));
        return swell * (0.6 * std::sin(2 * pi * (c ? 110.0 : 82.0) * t) + 0.3 * std::sin(2 * pi * 2750.0 * t + c) +
                        0.2 * std::sin(2 * pi * 9000.0 * t));
    });
    struct Case {
        const char* options;
        double lufs, ceiling;  // NAN: not asked
    } cases[] = {
        {"--target-lufs -14", -14.0, NAN},
        {"--target-lufs -8 --ceiling-dbtp -2", -8.0, -2.0},
        {"--ceiling-dbtp -1", NAN, -1.0},  // met with the limit at its top: kept there
        {"--ceiling-dbtp -4 --set input=20 --bits 16", NAN, -4.0},
        {"--target-lufs -12 --set warm=on --set limit=-2 --precision double", -12.0, NAN},
    };
    for (const Case& c : cases) {
        CommandResult run = runRender(std::string(c.options) + " --json - " + path("music.wav") + " " + path("out.wav"), false);
        ASSERT_EQ(run.code, 0) << c.options << "\n" << run.output;
        nlohmann::json report = jsonOf(run);
        IndependentReading meter = ffmpegReading(path("out.wav"));
        const nlohmann::json& search = report["search"];
        EXPECT_GE(search["analysis_passes"].get<int>(), 1) << c.options;
        if (!std::isnan(c.lufs)) {
            EXPECT_NEAR(report["output"]["integrated_lufs"].get<double>(), c.lufs, 0.1) << c.options;
            EXPECT_NEAR(meter.integrated, c.lufs, 0.15) << c.options;  // ffmpeg prints one decimal
            EXPECT_EQ(search["target_lufs"], c.lufs);
            EXPECT_EQ(report["settings"]["input"]["display"], search["input"]) << c.options;
        }
        if (!std::isnan(c.ceiling)) {
            EXPECT_LE(report["output"]["true_peak_dbtp"].get<double>(), c.ceiling) << c.options;
            // The highest limit that meets it: within 0.1 dB of the ceiling, or at the top of its range.
            if (search["limit"] != "0.00 dB")
                EXPECT_GT(report["output"]["true_peak_dbtp"].get<double>(), c.ceiling - 0.11) << c.options;
            else
                EXPECT_LT(report["output"]["true_peak_dbtp"].get<double>(), c.ceiling - 0.11) << c.options;
            EXPECT_LE(meter.truePeak, c.ceiling + 0.05) << c.options;
            EXPECT_EQ(report["settings"]["limit"]["display"], search["limit"]) << c.options;
        }
    }
    // Louder than the most input gain can make it, quieter than no gain: exit 8, the nearest result, no file.
    for (const char* options : {"--target-lufs -2 --ceiling-dbtp -1", "--target-lufs -45"}) {
        CommandResult run = runRender(std::string(options) + " " + path("music.wav") + " " + path("no.wav"));
        EXPECT_EQ(run.code, 8) << run.output;
        EXPECT_NE(run.output.find("inside the parameters' ranges; the nearest is "), std::string::npos) << run.output;
        EXPECT_NE(run.output.find("nothing written"), std::string::npos) << run.output;
    }
    EXPECT_EQ(files(), (std::set<std::string>{"music.wav", "out.wav"}));
}

// The true peak reported of Orvalt's own output, hard-clipped with energy up
// to half the rate, against the band-limited signal computed from the
// written samples; a ceiling met by the report is met by that signal too.
TEST_F(RenderCli, TruePeakOfClippedOutputIsTheBandLimitedSignals) {
    struct Case {
        int rate;
        const char* options;
        double ceiling;  // NAN: none asked
    } cases[] = {
        {44100, "--set input=20", NAN},
        {48000, "--set input=12 --set warm=on", NAN},
        {96000, "--set input=20 --set limit=-3", NAN},
        {192000, "--set input=9 --set clip=off --set warm=on", NAN},
        {8000, "--set input=20", NAN},
        {48000, "--target-lufs -8 --ceiling-dbtp -1", -1.0},
    };
    const Reconstruction reference;
    for (const Case& c : cases) {
        const double rate = c.rate;
        writeSignal("mix.wav", 1, c.rate, 24000, [&](size_t n, int) {
            const double t = double(n) / rate;
            return 0.25 * std::sin(2 * pi * 82.0 * t) + 0.15 * std::sin(2 * pi * 1234.5 * t) +
                   0.1 * std::sin(2 * pi * 0.31 * rate * t) + 0.1 * std::sin(2 * pi * 0.47 * rate * t + 1.0);
        });
        CommandResult run = runRender(std::string(c.options) + " --bits float --json - " + path("mix.wav") + " " + path("out.wav"), false);
        ASSERT_EQ(run.code, 0) << c.options << "\n" << run.output;
        const double reported = jsonOf(run)["output"]["true_peak_dbtp"].get<double>();
        SF_INFO info;
        std::vector<float> written = readFrames("out.wav", info);
        const double truth = 20.0 * std::log10(reference.peakOfFile(std::vector<double>(written.begin(), written.end())));
        std::printf("%6d Hz  %-40s reported %+7.3f dBTP  reference %+7.3f\n", c.rate, c.options, reported, truth);
        EXPECT_NEAR(reported, truth, 0.1) << c.rate << " " << c.options;
        if (!std::isnan(c.ceiling)) EXPECT_LE(truth, c.ceiling) << c.options;
    }
}

TEST_F(RenderCli, LoudnessAgreesWithAnIndependentMeter) {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) SKIP_NOT_INSTALLED("ffmpeg");
    // Twenty seconds whose level swells and falls, so the loudness range is not zero,
    // with a burst shorter than the momentary window where it is quietest.
    writeSignal("music.wav", 2, 48000, 48000 * 20, [](size_t n, int c) {
        double t = double(n) / 48000.0;
        double swell = 0.15 + 0.6 * (0.5 + 0.5 * std::sin(2 * pi * t / 9.0));
        double burst = t >= 6.8 && t < 7.05 ? 0.8 * std::sin(2 * pi * 1000.0 * t) : 0.0;
        return burst + swell * (0.5 * std::sin(2 * pi * (c ? 220.0 : 110.0) * t) + 0.3 * std::sin(2 * pi * 3150.0 * t + c));
    });
    CommandResult run = runRender("--set input=9 --json - " + path("music.wav") + " " + path("out.wav"), false);
    ASSERT_EQ(run.code, 0) << run.output;
    nlohmann::json report = jsonOf(run);
    for (const char* side : {"input", "output"}) {
        IndependentReading meter = ffmpegReading(path(side == std::string("input") ? "music.wav" : "out.wav"));
        ASSERT_FALSE(std::isnan(meter.integrated) || std::isnan(meter.range) || std::isnan(meter.truePeak)) << side;
        // ffmpeg prints one decimal: 0.05 of rounding inside the 0.1 LU allowed.
        EXPECT_NEAR(report[side]["integrated_lufs"].get<double>(), meter.integrated, 0.1) << side;
        EXPECT_NEAR(report[side]["loudness_range_lu"].get<double>(), meter.range, 0.1) << side;
        EXPECT_NEAR(report[side]["true_peak_dbtp"].get<double>(), meter.truePeak, 0.3) << side;
        EXPECT_NEAR(report[side]["max_momentary_lufs"].get<double>(), meter.maxMomentary, 0.1) << side;
        EXPECT_NEAR(report[side]["max_short_term_lufs"].get<double>(), meter.maxShortTerm, 0.1) << side;
        EXPECT_GT(report[side]["loudness_range_lu"].get<double>(), 1.0) << side;
    }
}


// RIFF bytes as the test writes and reads them.
std::string le(uint64_t value, int bytes) {
    std::string text;
    for (int i = 0; i < bytes; ++i) text += char(value >> (8 * i));
    return text;
}
std::string riffChunk(const std::string& id, const std::string& bytes) {
    return id + le(bytes.size(), 4) + bytes + std::string(bytes.size() & 1, '\0');
}
std::string padded(const std::string& text, size_t size) { return text + std::string(size - text.size(), '\0'); }

// The chunks of a RIFF WAVE file that lie inside its stated size, by id ("LIST/INFO" for lists).
std::map<std::string, std::string> chunksOf(const std::vector<uint8_t>& file) {
    std::map<std::string, std::string> chunks;
    const std::string bytes(file.begin(), file.end());
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0) return chunks;
    const size_t end = std::min<size_t>(bytes.size(), 8 + uint32_t(uint8_t(bytes[4]) | uint8_t(bytes[5]) << 8 |
                                                                   uint8_t(bytes[6]) << 16 | uint32_t(uint8_t(bytes[7])) << 24));
    for (size_t at = 12; at + 8 <= end;) {
        const size_t size = uint8_t(bytes[at + 4]) | uint8_t(bytes[at + 5]) << 8 | uint8_t(bytes[at + 6]) << 16 |
                            size_t(uint8_t(bytes[at + 7])) << 24;
        if (at + 8 + size > end) break;
        std::string id = bytes.substr(at, 4);
        chunks[id == "LIST" ? "LIST/" + bytes.substr(at + 8, 4) : id] = bytes.substr(at + 8, size);
        at += 8 + size + (size & 1);
    }
    return chunks;
}

// ffprobe's format tags, keys lowercased.
std::map<std::string, std::string> ffprobeTags(const std::string& file) {
    CommandResult run = runShell("ffprobe -v error -show_format -of json '" + file + "'");
    std::map<std::string, std::string> tags;
    const nlohmann::json probed = jsonOf(run)["format"].value("tags", nlohmann::json::object());
    for (const auto& [key, value] : probed.items()) {
        std::string lower = key;
        for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
        tags[lower] = value.get<std::string>();
    }
    return tags;
}

// A WAV input's bext (time reference, coding history), INFO tags, cue points
// with their labels and iXML reach a WAV output, read by ffprobe and by the
// test's own chunk walker; the bext holds the loudness measured on the file
// as written. A kept latency moves the cue points and the time reference by
// it. FLAC takes the INFO tags it has names for; whatever is dropped is said.
TEST_F(RenderCli, MetadataIsCarriedIntoTheOutputOrNamedAsDropped) {
    if (std::system("ffprobe -version >/dev/null 2>&1") != 0) SKIP_NOT_INSTALLED("ffprobe");
    writeSignal("in.wav", 2, 48000, 48000 * 5, [](size_t n, int c) {
        const double t = double(n) / 48000.0;
        return (0.1 + 0.5 * t / 5.0) * std::sin(2 * pi * (c ? 220.0 : 330.0) * t);
    }, SF_FORMAT_PCM_24);
    const uint64_t timeReference = (uint64_t(1) << 32) + 123456789;  // both words in use
    const std::string history = "A=PCM,F=48000,W=24,M=stereo,T=field recorder\r\n";
    const std::string bext = padded("Scene 12 take 3", 256) + padded("Recorder", 32) + padded("REF0001", 32) +
                             "2026-12-0710:20:30" + le(timeReference, 8) + le(1, 2) + std::string(64 + 10 + 180, '\0') + history;
    const std::string info = "INFO" + riffChunk("INAM", std::string("Dawn chorus") + '\0') +
                             riffChunk("IART", std::string("Field team") + '\0') +
                             riffChunk("ICMT", std::string("first light") + '\0') + riffChunk("IENG", std::string("Mo") + '\0');
    auto cueOf = [](int64_t shift) {
        return le(2, 4) + le(1, 4) + le(1000 + shift, 4) + "data" + le(0, 8) + le(1000 + shift, 4) + le(2, 4) +
               le(150001 + shift, 4) + "data" + le(0, 8) + le(150001 + shift, 4);
    };
    const std::string adtl = "adtl" + riffChunk("labl", le(1, 4) + "Intro" + '\0') + riffChunk("labl", le(2, 4) + "Verse" + '\0') +
                             riffChunk("note", le(1, 4) + "check levels" + '\0') +
                             riffChunk("ltxt", le(2, 4) + le(24000, 4) + "rgn " + le(0, 8) + "chorus");
    const std::string ixml = "<?xml version=\"1.0\"?><BWFXML><SCENE>12</SCENE></BWFXML>";  // odd: padded
    std::vector<uint8_t> file = bytesOf("in.wav");
    const std::string extra = riffChunk("bext", bext) + riffChunk("LIST", info) + riffChunk("cue ", cueOf(0)) +
                              riffChunk("LIST", adtl) + riffChunk("iXML", ixml) + riffChunk("smpl", std::string(36, '\0'));
    file.insert(file.end(), extra.begin(), extra.end());
    const std::string riffSize = le(file.size() - 8, 4);
    std::copy(riffSize.begin(), riffSize.end(), file.begin() + 4);
    std::ofstream(path("in.wav"), std::ios::binary).write(reinterpret_cast<const char*>(file.data()), long(file.size()));

    struct Case {
        const char* options;
        const char* output;
        int64_t shift;  // frames the output is later than the input
        std::vector<std::string> dropped;
    } cases[] = {
        {"", "out.wav", 0, {}},
        {"--keep-latency --bits float", "late.wav", 1, {}},  // float: libsndfile adds fact and PEAK chunks
        {"", "out.flac", 0, {"bext chunk (time reference, coding history)", "INFO tags IENG",
                             "cue labels (LIST/adtl)", "iXML chunk"}},
        {"", "out.aiff", 0, {"bext chunk", "INFO tags INAM, IART, ICMT, IENG", "cue points", "iXML chunk"}},
        {"--format wav", "-", 0, {"bext chunk", "INFO tags", "iXML chunk (written as a stream"}},
        {"--format flac", "-", 0, {"bext chunk", "INFO tags IENG (", "cue points (written as a stream"}},
    };
    for (const Case& c : cases) {
        const std::string out = c.output == std::string("-") ? "-" : path(c.output);
        CommandResult run = runRender(std::string(c.options) + " --json " + path("report.json") + " " + path("in.wav") + " " + out);
        ASSERT_EQ(run.code, 0) << c.output << "\n" << run.output;
        EXPECT_NE(run.output.find("not carried from the input: 'smpl' chunk ("), std::string::npos) << run.output;
        for (const std::string& kind : c.dropped)
            EXPECT_NE(run.output.find("not carried from the input: " + kind), std::string::npos) << c.output << ": " << kind << "\n" << run.output;
        if (out == "-" || c.output == std::string("out.aiff")) continue;
        std::map<std::string, std::string> tags = ffprobeTags(out);
        EXPECT_EQ(tags["title"], "Dawn chorus") << c.output;
        EXPECT_EQ(tags["artist"], "Field team") << c.output;
        EXPECT_EQ(tags["comment"], "first light") << c.output;
        if (c.output == std::string("out.flac")) {  // the cue points as the cue sheet's tracks
            nlohmann::json chapters = jsonOf(runShell("ffprobe -v error -show_chapters -of json '" + out + "'"))["chapters"];
            ASSERT_EQ(chapters.size(), 2u) << chapters;
            EXPECT_EQ(chapters[0]["start"], 1000);
            EXPECT_EQ(chapters[1]["start"], 150001);
            EXPECT_EQ(chapters[1]["time_base"], "1/48000");
            SF_INFO flac, wav;  // the audio intact behind it: as the 24-bit WAV holds it
            EXPECT_EQ(readFrames("out.flac", flac), readFrames("out.wav", wav));
        }
        if (!c.dropped.empty()) continue;
        EXPECT_EQ(run.output.find("not carried"), run.output.rfind("not carried")) << run.output;  // smpl alone
        EXPECT_EQ(tags["time_reference"], std::to_string(timeReference - uint64_t(c.shift))) << c.output;
        EXPECT_EQ(tags["coding_history"].substr(0, history.size()), history) << c.output;
        EXPECT_EQ(tags["encoded_by"], "Recorder") << c.output;  // ffprobe's names for the originator and date
        EXPECT_EQ(tags["date"], "2026-12-07") << c.output;
        std::map<std::string, std::string> chunks = chunksOf(bytesOf(c.output));
        EXPECT_EQ(chunks["cue "], cueOf(c.shift)) << c.output;
        EXPECT_EQ(chunks["LIST/adtl"], adtl) << c.output;
        EXPECT_EQ(chunks["LIST/INFO"], info) << c.output;
        EXPECT_EQ(chunks["iXML"], ixml) << c.output;
        // Version 2 and the loudness of the file as written, in hundredths.
        const std::string& written = chunks["bext"];
        ASSERT_GE(written.size(), 602u) << c.output;
        std::ifstream reportFile(path("report.json"));
        const nlohmann::json report = nlohmann::json::parse(reportFile)["output"];
        auto field = [&](size_t at) { return int16_t(uint8_t(written[at]) | uint8_t(written[at + 1]) << 8); };
        EXPECT_EQ(field(346), 2) << c.output;
        EXPECT_EQ(written.substr(0, 338), bext.substr(0, 338)) << c.output;  // description to origination time
        EXPECT_EQ(written.substr(348, 64), bext.substr(348, 64)) << c.output;  // the UMID
        const char* keys[] = {"integrated_lufs", "loudness_range_lu", "true_peak_dbtp", "max_momentary_lufs", "max_short_term_lufs"};
        for (size_t i = 0; i < 5; ++i)
            EXPECT_EQ(field(412 + 2 * i), std::lround(report[keys[i]].get<double>() * 100)) << c.output << " " << keys[i];
    }
}

}  // namespace
