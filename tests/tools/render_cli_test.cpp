// The orvalt-render command, run as a user runs it, on real files.
#include "tests/tools/plugin_paths.h"
#include "tools/render/audio_data.h"
#include "tools/render/audio_file.h"
#include "tools/render/preset_file.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct CommandResult {
    int code;
    std::string output;  // standard output and error together
};

CommandResult runRender(const std::string& arguments) {
    std::string command = std::string(ORVALT_RENDER_EXE) + " " + arguments + " 2>&1";
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

// A fresh folder per test; the listing shows what a run left behind.
class RenderCli : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_PLUGIN(toolstest::orvaltPlugin());
        char pattern[] = "/tmp/orvalt-render-test-XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        dir_ = pattern;
    }
    void TearDown() override {
        if (!dir_.empty()) std::system(("rm -rf '" + dir_ + "'").c_str());
    }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    std::set<std::string> files() const {
        std::set<std::string> names;
        if (DIR* d = opendir(dir_.c_str())) {
            while (dirent* e = readdir(d))
                if (std::string(e->d_name) != "." && std::string(e->d_name) != "..") names.insert(e->d_name);
            closedir(d);
        }
        return names;
    }
    // A float WAV with a known ramp-and-sine signal.
    void writeInput(const std::string& name, int channels, size_t frames) {
        SF_INFO info{};
        info.samplerate = 48000;
        info.channels = channels;
        info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
        SNDFILE* f = sf_open(path(name).c_str(), SFM_WRITE, &info);
        ASSERT_TRUE(f);
        std::vector<float> data;
        for (size_t n = 0; n < frames; ++n) {
            data.push_back(0.4f * std::sin(0.01f * n));
            if (channels == 2) data.push_back(-0.3f + 0.0005f * static_cast<float>(n % 1000));
        }
        sf_writef_float(f, data.data(), static_cast<sf_count_t>(frames));
        sf_close(f);
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
    std::string dir_;
};

const char* const passThrough = "--set warm=off --set clip=off";

TEST_F(RenderCli, StereoRoundTripIsTheInputDelayedByOneSample) {
    writeInput("in.wav", 2, 3000);
    CommandResult run = runRender(std::string(passThrough) + " --bits float --block 64 " + path("in.wav") + " " + path("out.wav"));
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_NE(run.output.find("latency:          1 sample"), std::string::npos) << run.output;
    SF_INFO in, out;
    std::vector<float> a = readFrames("in.wav", in), b = readFrames("out.wav", out);
    ASSERT_EQ(out.frames, 3000);
    EXPECT_EQ(out.channels, 2);
    EXPECT_EQ(out.samplerate, 48000);
    EXPECT_EQ(out.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(b[0], 0.0f);
    EXPECT_EQ(b[1], 0.0f);
    for (size_t n = 1; n < 3000; ++n) {
        ASSERT_EQ(b[2 * n], a[2 * (n - 1)]) << n;
        ASSERT_EQ(b[2 * n + 1], a[2 * (n - 1) + 1]) << n;
    }
    EXPECT_EQ(files(), (std::set<std::string>{"in.wav", "out.wav"}));
}

TEST_F(RenderCli, MonoPlaysOnBothChannelsAndCompensationRemovesTheDelay) {
    writeInput("mono.wav", 1, 1000);
    CommandResult run = runRender(std::string(passThrough) + " --bits float --precision double --compensate " + path("mono.wav") +
                        " " + path("out.aiff"));
    ASSERT_EQ(run.code, 0) << run.output;
    SF_INFO in, out;
    std::vector<float> a = readFrames("mono.wav", in), b = readFrames("out.aiff", out);
    ASSERT_EQ(out.frames, 1000);
    EXPECT_EQ(out.format & SF_FORMAT_TYPEMASK, SF_FORMAT_AIFF);
    for (size_t n = 0; n < 1000; ++n) {
        ASSERT_EQ(b[2 * n], a[n]) << n;
        ASSERT_EQ(b[2 * n + 1], a[n]) << n;
    }
}

TEST_F(RenderCli, DemoWritesInputBesideOutputAndReportsLevels) {
    CommandResult run = runRender("--bits 16 --svg " + path("demo.svg") + " " + path("demo.flac"));
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_EQ(files(), (std::set<std::string>{"demo.flac", "demo-input.wav", "demo.svg"}));
    SF_INFO out, in;
    readFrames("demo.flac", out);
    readFrames("demo-input.wav", in);
    EXPECT_EQ(out.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    EXPECT_EQ(in.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(out.frames, 8 * 44100);
    for (const char* line : {"input peak:", "output peak:", "output true peak:", "clipped samples:", "speed:"})
        EXPECT_NE(run.output.find(line), std::string::npos) << line;
    std::vector<uint8_t> svg = bytesOf("demo.svg");
    std::string text(svg.begin(), svg.end());
    EXPECT_EQ(text.rfind("<svg", 0), 0u);
    EXPECT_NE(text.find("</svg>"), std::string::npos);
}

TEST_F(RenderCli, FailuresExitWithTheirCodesAndLeaveNoOutput) {
    writeInput("in.wav", 2, 100);
    std::ofstream(path("text.fxp")) << "this is not a preset";
    const std::string in = path("in.wav"), out = path("out.wav");
    struct Case {
        std::string arguments;
        int code;
        const char* message;
    } cases[] = {
        {path("missing.wav") + " " + out, 4, "cannot read"},
        {path("text.fxp") + " " + out, 4, "cannot read"},  // not audio
        {"--set volume=3 " + in + " " + out, 3, "unknown parameter 'volume'"},
        {"--set limit=-30 " + in + " " + out, 3, "out of range"},
        {"--set input=25 " + in + " " + out, 3, "out of range"},
        {"--set warm=maybe " + in + " " + out, 3, "not a value of warm"},
        {"--set-raw 2=1.5 " + in + " " + out, 3, "from 0 to 1"},
        {in + " " + path("out.mp3"), 5, "unsupported output format"},
        {"--bits float " + in + " " + path("out.flac"), 5, "cannot store float"},
        {in + " " + path("no-folder/out.wav"), 5, "cannot write"},
        {"--preset " + path("text.fxp") + " " + in + " " + out, 6, "not a VST preset"},
        {"--preset " + path("absent.fxp") + " " + in + " " + out, 6, "cannot read preset"},
        {"--plugin /no/such.so " + in + " " + out, 7, "cannot load"},
        {"--block 0 " + in + " " + out, 2, "--block"},
        {"--rate 48000 " + in + " " + out, 2, "--rate"},
        {"--precision quad " + in + " " + out, 2, "--precision"},
        {"--frobnicate " + in + " " + out, 2, "unknown option"},
        {"", 2, "no OUTPUT"},
    };
    for (const Case& c : cases) {
        CommandResult run = runRender(c.arguments);
        EXPECT_EQ(run.code, c.code) << c.arguments << "\n" << run.output;
        EXPECT_NE(run.output.find(c.message), std::string::npos) << c.arguments << "\n" << run.output;
        EXPECT_EQ(std::count(run.output.begin(), run.output.end(), '\n'), 1) << "one line: " << run.output;
        EXPECT_EQ(files(), (std::set<std::string>{"in.wav", "text.fxp"})) << c.arguments;
    }
    CommandResult help = runRender("--help");
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.output.find("6 preset file unreadable"), std::string::npos);
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
    CommandResult rendered = runRender("--preset " + path("a.fxp") + " " + path("out.wav"));
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
