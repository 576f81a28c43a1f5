#include "tools/render/flacCueSheet.h"

#include "tools/render/wavChunks.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace render {
namespace {

constexpr uint8_t cueSheetType = 5, lastBlockFlag = 0x80;
constexpr uint8_t leadOutTrack = 255;  // not a CD's 170
constexpr size_t moveBlockBytes = 1 << 20;

void appendBigEndian(std::vector<uint8_t>& bytes, uint64_t value, int count) {
    for (int i = count - 1; i >= 0; --i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A track: its offset, number, no ISRC, audio without pre-emphasis, and one
// index point (number 1) at its start, or none for the lead-out.
void appendTrack(std::vector<uint8_t>& sheet, uint64_t offset, uint8_t number) {
    appendBigEndian(sheet, offset, 8);
    sheet.push_back(number);
    sheet.insert(sheet.end(), 12 + 1 + 13, 0);  // ISRC, type and pre-emphasis, reserved
    const bool leadOut = number == leadOutTrack;
    sheet.push_back(leadOut ? 0 : 1);
    if (!leadOut) {
        appendBigEndian(sheet, 0, 8);
        sheet.push_back(1);
        sheet.insert(sheet.end(), 3, 0);
    }
}

bool readAt(int fd, uint64_t offset, uint8_t* bytes, size_t count) {
    return pread(fd, bytes, count, static_cast<off_t>(offset)) == static_cast<ssize_t>(count);
}

}  // namespace

bool insertFlacCueSheet(int fd, const std::vector<uint64_t>& frames, uint64_t totalFrames) {
    uint8_t head[4];
    if (!readAt(fd, 0, head, 4) || std::memcmp(head, "fLaC", 4) != 0) return false;
    uint64_t lastHeader = 4;  // the metadata blocks: the last one says so in its header
    for (;;) {
        if (!readAt(fd, lastHeader, head, 4)) return false;
        if (head[0] & lastBlockFlag) break;
        lastHeader += 4 + (uint64_t(head[1]) << 16 | uint64_t(head[2]) << 8 | head[3]);
    }
    const uint64_t audioStart = lastHeader + 4 + (uint64_t(head[1]) << 16 | uint64_t(head[2]) << 8 | head[3]);

    std::vector<uint8_t> sheet(128 + 8 + 259, 0);  // catalog number, lead-in, not a CD, reserved
    sheet.push_back(static_cast<uint8_t>(frames.size() + 1));
    for (size_t i = 0; i < frames.size(); ++i) appendTrack(sheet, frames[i], static_cast<uint8_t>(i + 1));
    appendTrack(sheet, totalFrames, leadOutTrack);
    std::vector<uint8_t> block{static_cast<uint8_t>(lastBlockFlag | cueSheetType)};
    appendBigEndian(block, sheet.size(), 3);
    block.insert(block.end(), sheet.begin(), sheet.end());

    // The audio moves up by the block's size, from its end backwards.
    struct stat status {};
    if (fstat(fd, &status) != 0) return false;
    std::vector<uint8_t> buffer(moveBlockBytes);
    for (uint64_t end = static_cast<uint64_t>(status.st_size); end > audioStart;) {
        const size_t n = static_cast<size_t>(std::min<uint64_t>(moveBlockBytes, end - audioStart));
        end -= n;
        if (!readAt(fd, end, buffer.data(), n) || !writeAt(fd, end + block.size(), buffer.data(), n)) return false;
    }
    const uint8_t notLast = static_cast<uint8_t>(head[0] & ~lastBlockFlag);
    return writeAt(fd, audioStart, block.data(), block.size()) && writeAt(fd, lastHeader, &notLast, 1);
}

}  // namespace render
