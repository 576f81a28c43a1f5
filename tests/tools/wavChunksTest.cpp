// Chunks appended to finished WAV files as libsndfile writes them (RIFF, RF64
// and RF64 downgraded to RIFF), read back by ffprobe and libsndfile.
#include "tests/support/skip.h"
#include "tools/render/wavChunks.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string ffprobeTitle(const std::string& path) {
    std::string title;
    if (FILE* pipe = popen(("ffprobe -v error -show_entries format_tags=title -of default=nw=1:nk=1 '" + path + "'").c_str(), "r")) {
        char line[256];
        if (std::fgets(line, sizeof line, pipe)) title = line;
        pclose(pipe);
    }
    return title;
}

TEST(WavChunks, AppendedChunksAreInsideTheStatedSizeOfEveryLayout) {
    if (std::system("ffprobe -version >/dev/null 2>&1") != 0) SKIP_NOT_INSTALLED("ffprobe");
    struct Case {
        int container;
        bool downgrade;
        const char* magic;
        bool padCut;  // a writer that leaves out the pad byte after odd data
    } cases[] = {{SF_FORMAT_WAV, false, "RIFF", false}, {SF_FORMAT_WAV, false, "RIFF", true},
                 {SF_FORMAT_RF64, false, "RF64", false}, {SF_FORMAT_RF64, true, "RIFF", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.magic + std::string(c.downgrade ? " downgraded" : "") + (c.padCut ? " without pad" : ""));
        char path[] = "/tmp/orvalt-wavchunks-XXXXXX";
        const int fd = mkstemp(path);
        ASSERT_GE(fd, 0);
        SF_INFO info{};
        info.samplerate = 48000, info.channels = 1, info.format = c.container | SF_FORMAT_PCM_24;
        SNDFILE* file = sf_open(path, SFM_WRITE, &info);
        ASSERT_TRUE(file);
        sf_command(file, SFC_RF64_AUTO_DOWNGRADE, nullptr, c.downgrade);
        const int samples[3] = {1 << 20, 2 << 20, 3 << 20};  // 9 bytes of data: a pad byte follows
        sf_writef_int(file, samples, 3);
        sf_close(file);
        if (c.padCut) ASSERT_EQ(ftruncate(fd, lseek(fd, 0, SEEK_END) - 1), 0);

        render::WavLayout layout;
        ASSERT_TRUE(render::readWavLayout(fd, layout));
        const std::string info8 = std::string("INFOINAM\6\0\0\0Title\0", 18);
        const std::vector<render::NewChunk> chunks{{"iXML", {'<', 'x', '/', '>', ' '}},
                                                   {"LIST", std::vector<uint8_t>(info8.begin(), info8.end())}};
        ASSERT_EQ(render::appendChunks(fd, layout, chunks), render::Appended::done);
        const off_t size = lseek(fd, 0, SEEK_END);
        uint8_t head[28];
        ASSERT_EQ(pread(fd, head, sizeof head, 0), ssize_t(sizeof head));
        close(fd);
        EXPECT_EQ(std::string(reinterpret_cast<char*>(head), 4), c.magic);
        // RIFF states its size after the magic; RF64 in ds64, first after the WAVE form.
        const uint64_t stated = std::string(c.magic) == "RIFF" ? render::readLe32(head + 4)
                                                               : render::readLe32(head + 20) | uint64_t(render::readLe32(head + 24)) << 32;
        EXPECT_EQ(stated, uint64_t(size) - 8);
        EXPECT_EQ(size % 2, 0);
        EXPECT_EQ(ffprobeTitle(path), "Title\n");
        SF_INFO back{};
        SNDFILE* reread = sf_open(path, SFM_READ, &back);
        ASSERT_TRUE(reread);
        int got[4] = {};
        EXPECT_EQ(sf_readf_int(reread, got, 4), 3);
        EXPECT_EQ(got[2], samples[2]);
        sf_close(reread);
        unlink(path);
    }
}

}  // namespace
