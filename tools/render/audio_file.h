// Reading and writing audio files (WAV, FLAC, AIFF) through libsndfile.
#pragma once

#include "tools/render/audio_data.h"

#include <string>

namespace render {

enum class SampleFormat { pcm16, pcm24, pcm32, float32 };

// "16", "24", "32" or "float"; false for anything else.
bool parseSampleFormat(const std::string& text, SampleFormat& format);
const char* sampleFormatName(SampleFormat format);

// Reads a mono or stereo file; mono is placed on both channels.
// Throws RenderError(exitInput) with the reason.
AudioData readAudioFile(const std::string& path);

// Checks that the file name's extension (.wav, .flac, .aif, .aiff) can hold
// the sample format at this rate. Throws RenderError(exitOutput).
void checkOutputFormat(const std::string& path, SampleFormat format, double sampleRate);

// Writes stereo audio; the file appears only when complete. Integer formats
// saturate samples beyond full scale instead of wrapping.
// Throws RenderError(exitOutput).
void writeAudioFile(const std::string& path, const AudioData& audio, SampleFormat format);

}  // namespace render
