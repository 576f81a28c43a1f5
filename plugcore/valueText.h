// From a display text to the normalized value that shows it. A parameter is
// reached only through its display (normalized value in, text out), so the
// same search serves any plug-in, hosted through its binary interface or
// composed directly; given the same display, every caller gets the same float.
// No allocation: a format wrapper runs it on its audio thread.
#pragma once

#include <cstddef>

namespace PlugCore {

// One parameter's display: the text shown for a normalized value.
class ParameterDisplay {
public:
    // [any thread] Writes a terminated text of at most size bytes; may move
    // the parameter while answering (a hosted plug-in is asked through its value).
    virtual void text(float value, char* out, size_t size) = 0;

protected:
    ~ParameterDisplay() = default;
};

// The display sampled across 0..1 before the search refines it.
struct DisplaySamples {
    static constexpr int kSteps = 64;
    static constexpr size_t kTextSize = 64;
    char text[kSteps + 1][kTextSize];
};

enum class ValueTextStatus {
    ok,
    unknownText,      // neither a text the display shows nor a number
    wrongUnit,        // a number followed by another unit than the label
    textsNotNumbers,  // a number for a display of texts
    notMonotonic,     // the displayed number does not move one way
    outOfRange,       // a number outside the displayed range
};

// [any thread] Samples the display at k / kSteps for k = 0..kSteps.
void sampleDisplay(ParameterDisplay& display, DisplaySamples& samples);

// [any thread] The normalized value whose display reads text. A text the display
// shows (ignoring case and surrounding blanks) gives the middle of the first run
// of values showing it (exactly 0 or 1 at an end of the range); a number,
// optionally followed by the unit label, gives the middle of the values whose
// displayed number is nearest to it from both sides (an end of the range that
// shows it exactly gives that end). `value` is written only on success.
ValueTextStatus valueForText(ParameterDisplay& display, const DisplaySamples& samples, const char* text,
                             const char* label, float& value);

// The leading number of text, false when text does not start with one; `rest`
// (may be null) points at what follows it, blanks skipped.
bool leadingNumber(const char* text, double& number, const char** rest);

// Equal ignoring case and surrounding blanks.
bool sameText(const char* a, const char* b);

// [any thread] The shortest decimal text that reads back as exactly `value`
// (as a user would type it: 6.1, not 6.0999999); at least 32 bytes of room.
void shortestText(float value, char* out, size_t size);

}  // namespace PlugCore
