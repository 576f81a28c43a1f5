// The audio processing frame: precision conversion, input cleaning, host timing,
// sub-blocks cut at MIDI event positions, the cook step before each sub-block.
// A block longer than the announced block size is processed in consecutive
// pieces of at most that size, so hosts that send longer blocks (offline
// bounces) get exactly what announced-size blocks would give.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <new>

#include "plugcore/Plug.h"
#include "plugcore/sampleConvert.h"

namespace PlugCore {

namespace {

constexpr VstInt32 kTimeFilter = kVstTempoValid | kVstPpqPosValid | kVstTransportPlaying;  // 0x602

}  // namespace

void Plug::setSampleRate(float rate) {
    sampleRate = rate;
    sampleRateDirty = true;
}

void Plug::setBlockSize(VstInt32 size) {
    blockSize = size;
    if (size > 0) {
        allocateBuffers(size);
        lazyAllocationSpent = true;  // this size was just tried; the audio thread need not try it again
    }
}

void Plug::allocateBuffers(VstInt32 frames) {
    planarBlock.reset();
    bufferFrames = 0;
    const uint64_t count = static_cast<uint64_t>(2 * kChannels) * static_cast<uint64_t>(frames);
    if (frames <= 0 || count * sizeof(double) > UINT32_MAX) return;  // treated as allocation failure
    planarBlock.reset(new (std::nothrow) double[static_cast<size_t>(count)]);
    if (!planarBlock) return;
    bufferFrames = frames;
    const size_t stride = static_cast<size_t>(frames);
    for (VstInt32 k = 0; k < kChannels; ++k) {
        inputBuffers[k] = planarBlock.get() + k * stride;
        outputBuffers[k] = planarBlock.get() + (kChannels + k) * stride;
    }
}

// One attempt only: an allocation that failed would fail again, and trying on
// every audio-thread call would make each call a trip into the heap.
bool Plug::ensureBuffers() {
    if (!planarBlock && !lazyAllocationSpent) {
        lazyAllocationSpent = true;
        allocateBuffers(blockSize > 0 ? blockSize : 1024);
    }
    return planarBlock != nullptr;
}

void Plug::resume() {
    if (sampleRateDirty) {
        sampleRateChanged();
        sampleRateDirty = false;
    }
    for (uint32_t i = 0; i < params.count; ++i) params.params[i].cooked = -1.0f;
    cookEverything = true;
    lazyAllocationSpent = false;  // switching on again may find the memory that was missing
    resetState();
    setInitialDelay(getLatency());
}

void Plug::switchOn() {
    resume();
    settle();
}

void Plug::settle() {
    // The slowest smoother reaches its target to the last bit within 3.7 s at any
    // rate the chain runs at; below 1 kHz it keeps 1 kHz's coefficients, hence
    // the floor, and above 10 MHz those of 10 MHz, hence the ceiling. A rate that
    // is no rate is run as 44.1 kHz.
    constexpr double kMinimumFrames = 5000.0, kMaximumFrames = 5.0e7;
    const double rate = sampleRate > 0.0f && sampleRate <= 1.0e12f ? sampleRate : 44100.0;
    const auto total = static_cast<uint64_t>(std::clamp(std::ceil(kSettleSeconds * rate), kMinimumFrames, kMaximumFrames));
    if (!planarBlock) allocateBuffers(blockSize > 0 ? blockSize : 1024);
    if (!planarBlock) return;  // no memory: the chain glides from its cleared state
    for (VstInt32 k = 0; k < kChannels; ++k) std::fill(inputBuffers[k], inputBuffers[k] + bufferFrames, 0.0);
    for (uint64_t done = 0; done < total; done += static_cast<uint64_t>(bufferFrames)) {
        cookPending = true;
        runSubBlock(outputBuffers, 0, static_cast<VstInt32>(std::min<uint64_t>(bufferFrames, total - done)));
    }
    beatPosition = 0.0;
}

VstInt32 Plug::processEvents(VstEvents* events) {
    pendingEvents = events;
    return 1;
}

void Plug::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    runFrame(inputs, outputs, sampleFrames, false);
}

void Plug::process(float** inputs, float** outputs, VstInt32 sampleFrames) {
    runFrame(inputs, outputs, sampleFrames, true);
}

void Plug::processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) {
    runFrame(inputs, outputs, sampleFrames, false);
}

void Plug::fetchTiming() {
    VstTimeInfo* time = getTimeInfo(kTimeFilter);
    frameTempo = (time && (time->flags & kVstTempoValid)) ? static_cast<float>(time->tempo) : 120.0f;
    framePlaying = time && (time->flags & kVstTransportPlaying);
    if (framePlaying && (time->flags & kVstPpqPosValid)) beatPosition = time->ppqPos;
}

template <typename T>
bool Plug::channelsPresent(T** inputs, T** outputs) const {
    if (!inputs || !outputs) return false;
    for (VstInt32 k = 0; k < kChannels; ++k)
        if (!inputs[k] || !outputs[k]) return false;
    return true;
}

template <typename T>
void Plug::runFrame(T** inputs, T** outputs, VstInt32 sampleFrames, bool accumulate) {
    constexpr bool isDouble = sizeof(T) == sizeof(double);
    if (sampleFrames < 0) {  // not a block at all: nothing is read, not even the events
        pendingEvents = nullptr;
        return;
    }
    // Hosts deliver events in zero-length calls too (often without buffers):
    // they act as in any other call, there is just no audio to run.
    if (sampleFrames == 0 || !channelsPresent(inputs, outputs) || !ensureBuffers()) {
        handleEventsWithoutAudio();
        // A call that cannot run leaves silence, never what the host's buffers held before.
        if (sampleFrames > 0 && outputs && !accumulate)
            for (VstInt32 j = 0; j < kChannels; ++j)
                if (outputs[j]) std::fill(outputs[j], outputs[j] + sampleFrames, T(0));
        return;
    }
    fetchTiming();
    int nextEvent = 0;
    double* hostOut[kChannels];
    for (VstInt32 offset = 0; offset < sampleFrames; offset += bufferFrames) {
        const VstInt32 frames = std::min(bufferFrames, sampleFrames - offset);
        for (VstInt32 k = 0; k < kChannels; ++k)
            sampleConvert::cleanInto(inputs[k] + offset, inputBuffers[k], frames);
        // The double path writes straight into the host's buffers; the single
        // path goes through ours and is converted below.
        double* const* out = outputBuffers;
        if constexpr (isDouble) {
            for (VstInt32 j = 0; j < kChannels; ++j) hostOut[j] = outputs[j] + offset;
            out = hostOut;
        }
        runPiece(out, offset, frames, offset + frames >= sampleFrames, nextEvent);
        if constexpr (!isDouble) {
            for (VstInt32 j = 0; j < kChannels; ++j) {
                if (accumulate)
                    sampleConvert::storeAccumulating(outputBuffers[j], outputs[j] + offset, frames);
                else
                    sampleConvert::storeReplacing(outputBuffers[j], outputs[j] + offset, frames);
            }
        }
    }
    pendingEvents = nullptr;
}

// The frame's steps for a block of no audio: timing, then every pending event
// in list order, with no sub-block between them.
void Plug::handleEventsWithoutAudio() {
    fetchTiming();
    int nextEvent = 0;
    runPiece(nullptr, 0, 0, true, nextEvent);
    pendingEvents = nullptr;
}

// One piece of at most the announced block size. Event positions are those of
// the whole host block; an event at or beyond this piece's end waits for the
// next piece, except in the last piece, where events at the end act after the
// audio and late ones before the last sub-block.
void Plug::runPiece(double* const* out, VstInt32 offset, VstInt32 frames, bool lastPiece, int& nextEvent) {
    cookPending = true;
    VstInt32 pos = 0;
    const int count = pendingEvents ? std::max(0, pendingEvents->numEvents) : 0;
    while (nextEvent < count) {
        const VstEvent* event = pendingEvents->events[nextEvent];
        VstInt32 e = event ? event->deltaFrames - offset : 0;
        if (e < 0) e = 0;
        if (e >= frames && !lastPiece) break;
        if (e > frames) {
            while (nextEvent < count) nextEvent = dispatchEvents(nextEvent);
            break;
        }
        if (e > pos) {
            runSubBlock(out, pos, e - pos);
            pos = e;
        }
        nextEvent = dispatchEvents(nextEvent);
    }
    if (pos < frames) runSubBlock(out, pos, frames - pos);
}

void Plug::runSubBlock(double* const* out, VstInt32 start, VstInt32 length) {
    for (VstInt32 k = 0; k < kChannels; ++k) {
        inputCursor[k] = inputBuffers[k] + start;
        outputCursor[k] = out[k] + start;
    }
    const bool changed = cookPending && cookStep();
    cookPending = false;
    const double tempo = frameTempo;
    const double rate = sampleRate;
    const double samplesPerMinute = rate * 60.0;
    const BlockTiming timing{tempo, beatPosition, tempo / samplesPerMinute, rate};
    const bool keepsTime = processBlock(changed, &timing, inputCursor, outputCursor, length);
    beatPosition = (keepsTime || framePlaying) ? beatPosition + length * tempo / samplesPerMinute : 0.0;
}

// The cook step, skipped when no parameter was stored since it last ran: then
// every value still equals its cooked copy and it could only answer false.
bool Plug::cookStep() {
    const uint32_t stores = valueStores.load(std::memory_order_acquire);
    if (stores == cookedStores && !cookEverything) return false;
    cookedStores = stores;
    cookEverything = false;
    return cookParameters(params, this);
}

// Handles the events from index on whose position does not exceed that of
// event index; returns the first index not handled.
int Plug::dispatchEvents(int index) {
    const int count = pendingEvents->numEvents;
    const VstEvent* first = pendingEvents->events[index];
    const VstInt32 d = first ? first->deltaFrames : 0;
    for (; index < count; ++index) {
        const VstEvent* event = pendingEvents->events[index];
        if (!event) continue;
        if (event->deltaFrames > d) return index;
        if (event->type == kVstMidiType) handleMidi(*reinterpret_cast<const VstMidiEvent*>(event));
    }
    return count;
}

void Plug::handleMidi(const VstMidiEvent& event) {
    const int status = static_cast<unsigned char>(event.midiData[0]);
    const int data1 = static_cast<unsigned char>(event.midiData[1]) & 0x7F;
    const int data2 = static_cast<unsigned char>(event.midiData[2]) & 0x7F;
    if (status < 0x80 || status > 0xEF) return;
    switch (status & 0xF0) {
        case 0x80: noteOff(data1, data2); break;
        case 0x90:
            if (data2 != 0)
                noteOn(data1, data2);
            else
                noteOff(data1, 100);
            break;
        case 0xB0: handleController(static_cast<int16_t>(0xB000 + data1), data2); break;
        case 0xE0: {
            const double x = (data2 * 128 + data1) / 16383.0;
            pitchBend = ((bendRange & 0x7F) * 0.01 + (bendRange >> 7)) * (2.0 * x - 1.0);
            break;
        }
        default: break;
    }
}

}  // namespace PlugCore
