#include "tools/render/metadataCarry.h"

#include "tools/render/atomicOutput.h"
#include "tools/render/audioFile.h"
#include "tools/render/flacCueSheet.h"
#include "tools/render/renderError.h"
#include "tools/render/signalMeasures.h"
#include "tools/render/wavChunks.h"

#include <sndfile.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <memory>

namespace render {
namespace {

// The bext chunk's fields (byte offsets).
constexpr size_t bextTimeReference = 338, bextVersion = 346, bextUmid = 348, bextLoudness = 412,
                 bextCodingHistory = 602;
constexpr size_t bextHistoryRoom = 16384 - 256;  // libsndfile keeps 16 KiB and adds its own line
constexpr size_t chunkLimit = 16u << 20;         // larger metadata chunks are not metadata
constexpr int16_t loudnessUnknown = 0x7FFF;
constexpr size_t cueEntryBytes = 24;              // id, position, chunk, chunk start, block start, sample offset
constexpr size_t cuePosition = 4, cueSampleOffset = 20;

using BroadcastInfo = SF_BROADCAST_INFO_VAR(16384);

// Vorbis comments libsndfile writes into FLAC, by the INFO tag they carry.
struct TagName {
    const char* info;
    int sfString;
};
constexpr TagName flacTags[] = {
    {"INAM", SF_STR_TITLE},   {"IART", SF_STR_ARTIST}, {"ICMT", SF_STR_COMMENT},
    {"ICOP", SF_STR_COPYRIGHT}, {"ICRD", SF_STR_DATE},  {"IPRD", SF_STR_ALBUM},
    {"IGNR", SF_STR_GENRE},   {"ISFT", SF_STR_SOFTWARE}, {"ITRK", SF_STR_TRACKNUMBER},
    {"IPRT", SF_STR_TRACKNUMBER},
};

// The chunks libsndfile writes itself or that only lay out the file.
bool isLayoutChunk(const std::string& id) {
    for (const char* known : {"fmt ", "data", "fact", "PEAK", "JUNK", "junk", "ds64", "pad ", "FLLR", "PAD "})
        if (id == known) return true;
    return false;
}

struct Descriptor {
    int fd;
    explicit Descriptor(int f) : fd(f) {}
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// Each INFO entry: its four-character id and its text.
std::vector<std::pair<std::string, std::string>> infoEntries(const std::vector<uint8_t>& list) {
    std::vector<std::pair<std::string, std::string>> entries;
    for (size_t at = 4; at + 8 <= list.size();) {
        const size_t size = readLe32(&list[at + 4]);
        if (size > list.size() - at - 8) break;
        std::string text(reinterpret_cast<const char*>(&list[at + 8]), size);
        text.resize(std::strlen(text.c_str()));
        entries.emplace_back(std::string(reinterpret_cast<const char*>(&list[at]), 4), text);
        at += 8 + size + (size & 1);
    }
    return entries;
}

std::string textField(const std::vector<uint8_t>& bytes, size_t from, size_t length) {
    std::string text(reinterpret_cast<const char*>(bytes.data() + from), length);
    return text.substr(0, std::strlen(text.c_str()));
}

// A loudness field: hundredths, 0x7FFF when the figure is unknown (silence).
uint16_t hundredths(double value) {
    if (!std::isfinite(value)) return static_cast<uint16_t>(loudnessUnknown);
    return static_cast<uint16_t>(static_cast<int16_t>(std::clamp(std::lround(value * 100.0), -32768L, 32766L)));
}

const char* containerName(int container) {
    switch (container) {
    case SF_FORMAT_FLAC: return "a FLAC file";
    case SF_FORMAT_AIFF: return "an AIFF file";
    case SF_FORMAT_W64: return "a W64 file";
    case SF_FORMAT_CAF: return "a CAF file";
    default: return "this output";
    }
}

}  // namespace

MetadataCarry::MetadataCarry(const std::string& inputPath, int64_t shift) : frameShift(shift) {
    if (inputPath.empty() || inputPath == "-") return;
    // A named pipe or a device is read once, by the audio reader: only a regular file is opened again.
    Descriptor file(open(inputPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat status {};
    WavLayout layout;
    if (file.fd < 0 || fstat(file.fd, &status) != 0 || !S_ISREG(status.st_mode) || !readWavLayout(file.fd, layout)) return;
    for (const WavChunk& chunk : layout.chunks) {
        if (isLayoutChunk(chunk.id)) continue;
        std::vector<uint8_t> bytes;
        if (chunk.size > chunkLimit || !readChunk(file.fd, chunk, bytes)) {
            otherChunks.push_back("'" + chunk.id + "' chunk");
            continue;
        }
        const std::string list = chunk.id == "LIST" && bytes.size() >= 4 ? std::string(bytes.begin(), bytes.begin() + 4) : "";
        if (chunk.id == "bext" && bytes.size() >= bextCodingHistory && bext.empty()) bext = std::move(bytes);
        else if (list == "INFO" && info.empty()) info = std::move(bytes);
        else if (list == "adtl" && adtl.empty()) adtl = std::move(bytes);
        else if (chunk.id == "cue " && cue.empty() && bytes.size() >= 4 &&
                 readLe32(bytes.data()) <= (bytes.size() - 4) / cueEntryBytes)
            cue = std::move(bytes);
        else if (chunk.id == "iXML" && ixml.empty()) ixml = std::move(bytes);
        else otherChunks.push_back(list.empty() ? "'" + chunk.id + "' chunk" : "LIST/" + list + " chunk");
    }
}

void MetadataCarry::dropped(const std::string& what, const std::string& why) const {
    std::fprintf(stderr, "orvalt-render: warning: %s: not carried from the input: %s (%s)\n", targetName.c_str(),
                 what.c_str(), why.c_str());
}

void MetadataCarry::beforeAudio(AudioWriter& writer, const AtomicOutput& output) {
    targetName = output.target();
    const int container = writer.container();
    const bool wav = container == SF_FORMAT_WAV || container == SF_FORMAT_WAVEX || container == SF_FORMAT_RF64;
    // A pipe or a device is written straight, as a stream: nothing can follow the audio's end.
    const bool stream = writer.intoPipe() || output.temporaryPath().empty();
    const std::string afterwards = "written as a stream, which cannot take it after the audio";
    std::string why = wav ? "" : std::string(containerName(container)) + " has no place for it";
    if (wav && stream) why = afterwards;
    else if (wav) appendTo = output.temporaryPath();
    for (const std::string& kind : otherChunks) dropped(kind, "not a kind of metadata the renderer carries");

    if (!bext.empty() && why.empty()) {
        auto b = std::make_unique<BroadcastInfo>();
        std::memset(b.get(), 0, sizeof *b);
        std::memcpy(b->description, &bext[0], bextTimeReference);  // description to origination time
        uint64_t reference = readLe32(&bext[bextTimeReference]) | uint64_t(readLe32(&bext[bextTimeReference + 4])) << 32;
        reference = frameShift > 0 && reference < uint64_t(frameShift) ? 0 : reference - uint64_t(frameShift);
        b->time_reference_low = static_cast<uint32_t>(reference);
        b->time_reference_high = static_cast<uint32_t>(reference >> 32);
        b->version = 2;
        std::memcpy(b->umid, &bext[bextUmid], sizeof b->umid);
        std::string history = textField(bext, bextCodingHistory, bext.size() - bextCodingHistory);
        if (history.size() > bextHistoryRoom) {
            dropped("coding history beyond " + std::to_string(bextHistoryRoom) + " bytes", "libsndfile keeps no more");
            history.resize(bextHistoryRoom);
        }
        std::memcpy(b->coding_history, history.data(), history.size());
        b->coding_history_size = static_cast<uint32_t>(history.size());
        // The size given covers the history alone: libsndfile refuses a struct of a full 16 KiB.
        bextWritten = writer.headerCommand(SFC_SET_BROADCAST_INFO, b.get(),
                                           static_cast<int>(offsetof(BroadcastInfo, coding_history) + history.size()));
        if (!bextWritten) dropped("bext chunk (time reference, coding history)", "libsndfile refused it");
    } else if (!bext.empty()) {
        dropped("bext chunk (time reference, coding history)", why);
    }
    if (!info.empty() && !why.empty()) carryStrings(writer, why);
    const bool flac = container == SF_FORMAT_FLAC;
    if (!cue.empty() && flac && !stream) cueSheetInto = output.temporaryPath();
    else if (!cue.empty() && !why.empty()) dropped("cue points", flac ? afterwards : why);
    if (!adtl.empty() && !why.empty()) dropped("cue labels (LIST/adtl)", why);
    if (!ixml.empty() && !why.empty()) dropped("iXML chunk", why);
}

// INFO tags into a FLAC file's Vorbis comments; into any other format none.
void MetadataCarry::carryStrings(AudioWriter& writer, const std::string& why) {
    std::string left;
    for (const auto& [id, text] : infoEntries(info)) {
        bool carried = false;
        if (writer.container() == SF_FORMAT_FLAC)
            for (const TagName& tag : flacTags)
                if (id == tag.info && !text.empty()) carried = writer.setString(tag.sfString, text);
        if (!carried) left += (left.empty() ? "" : ", ") + id;
    }
    if (!left.empty()) dropped("INFO tags " + left, why);
}

// The cue points as a FLAC cue sheet: their frames in order, each once.
void MetadataCarry::writeCueSheet(uint64_t totalFrames) {
    std::vector<uint64_t> frames;
    const size_t count = readLe32(cue.data());
    for (size_t i = 0; i < count; ++i) {
        const int64_t frame = int64_t(readLe32(&cue[4 + i * cueEntryBytes + cueSampleOffset])) + frameShift;
        if (frame < int64_t(totalFrames)) frames.push_back(uint64_t(frame));
    }
    std::sort(frames.begin(), frames.end());
    frames.erase(std::unique(frames.begin(), frames.end()), frames.end());
    if (frames.size() < count) dropped("cue points at or past the end or at one frame twice", "a cue sheet holds each frame once");
    if (frames.size() > flacCueSheetTracks) {
        dropped("cue points beyond the " + std::to_string(flacCueSheetTracks) + "th", "a cue sheet holds no more");
        frames.resize(flacCueSheetTracks);
    }
    Descriptor file(open(cueSheetInto.c_str(), O_RDWR | O_CLOEXEC));
    if (file.fd < 0 || !insertFlacCueSheet(file.fd, frames, totalFrames))
        throw RenderError(exitOutput, "cannot write the cue sheet into " + targetName + ": " + std::strerror(errno));
}

// The cue chunk with every position moved by the shift.
std::vector<uint8_t> MetadataCarry::shiftedCue() const {
    std::vector<uint8_t> moved = cue;
    const size_t count = readLe32(moved.data());
    for (size_t i = 0; i < count; ++i)
        for (size_t field : {cuePosition, cueSampleOffset}) {
            uint8_t* p = &moved[4 + i * cueEntryBytes + field];
            writeLe32(p, static_cast<uint32_t>(int64_t(readLe32(p)) + frameShift));
        }
    return moved;
}

void MetadataCarry::afterAudio(const LevelFigures& output) {
    std::vector<NewChunk> chunks;
    if (!cue.empty()) chunks.push_back({"cue ", shiftedCue()});
    if (!adtl.empty()) chunks.push_back({"LIST", adtl});
    if (!info.empty()) chunks.push_back({"LIST", info});
    if (!ixml.empty()) chunks.push_back({"iXML", ixml});
    if (!cueSheetInto.empty()) writeCueSheet(output.frames);
    if (appendTo.empty() || (chunks.empty() && !bextWritten)) return;

    const std::string failure = "cannot write the metadata into " + targetName + ": ";
    Descriptor file(open(appendTo.c_str(), O_RDWR | O_CLOEXEC));
    WavLayout layout;
    if (file.fd < 0 || !readWavLayout(file.fd, layout)) throw RenderError(exitOutput, failure + "not a WAV file as written");
    const Appended appended = chunks.empty() ? Appended::done : appendChunks(file.fd, layout, chunks);
    if (appended == Appended::failed) throw RenderError(exitOutput, failure + std::strerror(errno));
    if (appended == Appended::tooLarge)
        dropped("cue points, labels, INFO and iXML", "they would take the file past the 4 GiB RIFF can state");
    const WavChunk* written = layout.find("bext");
    if (!bextWritten) return;
    if (!written || written->size < bextCodingHistory) throw RenderError(exitOutput, failure + "libsndfile wrote no bext");
    uint8_t version[2], loudness[10];
    writeLe16(version, 2);
    const double figures[] = {output.integratedLufs, output.loudnessRange, toDecibels(output.truePeak),
                              output.maxMomentaryLufs, output.maxShortTermLufs};
    for (size_t i = 0; i < 5; ++i) writeLe16(loudness + 2 * i, hundredths(figures[i]));
    if (!writeAt(file.fd, written->payload + bextVersion, version, 2) ||
        !writeAt(file.fd, written->payload + bextLoudness, loudness, sizeof loudness))
        throw RenderError(exitOutput, failure + std::strerror(errno));
}

}  // namespace render
