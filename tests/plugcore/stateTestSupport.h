// Shared helpers of the state tests: the recording host, a dialog
// handler that records every box and answers questions, a probe Orvalt that
// counts the product operations MIDI reaches, and chunk building.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/platform.h"
#include "product/Orvalt.h"
#include "tests/support/testHosts.h"

namespace statetest {

// --- host side: every test instance is created with the recording host ---
using testhosts::countHostCalls;
using testhosts::HostCall;
using testhosts::hostCalls;
using testhosts::recordingHost;

// --- dialogs ---
struct Dialog {
    std::string kind;  // "error" or "question"
    std::string caption;
    std::string text;
};
// Installed for its lifetime; questions get answerYes.
class DialogRecorder : public platform::DialogHandler {
public:
    explicit DialogRecorder(bool answerYes = false);
    ~DialogRecorder() override;
    void showError(const char* caption, const char* text) override;
    bool askYesNo(const char* caption, const char* text) override;
    bool askOkCancel(const char* caption, const char* text) override;

    std::vector<Dialog> shown;
    bool answerYes;

private:
    platform::DialogHandler* previous;
};

// --- an Orvalt whose MIDI-facing product operations are observable ---
class ProbeOrvalt : public Orvalt {
public:
    ProbeOrvalt() : Orvalt(recordingHost) {}
    void noteOff(VstInt32 note, VstInt32 velocity) override { noteOffs.emplace_back(note, velocity); }
    void resetState() override {
        ++resets;
        Orvalt::resetState();
    }
    void controllerChanged(VstInt32 key, float value) override { controllers.emplace_back(key, value); }
    void afterLearnTargetRead(int32_t target) override {
        if (onLearnTargetRead) onLearnTargetRead(target);
    }

    std::vector<std::pair<VstInt32, VstInt32>> noteOffs;
    std::vector<std::pair<VstInt32, float>> controllers;
    int resets = 0;
    std::function<void(int32_t)> onLearnTargetRead;
    float cooked(VstInt32 index) const { return cookedValue(index); }
};

// --- chunks ---
std::vector<uint8_t> chunkOf(PlugCore::Plug& plug, bool isPreset);
// The 8-byte header with the given version and upper half.
std::vector<uint8_t> header(uint16_t version = 5, uint16_t upper = 0);
void appendName(std::vector<uint8_t>& chunk, const std::string& name);
void appendValue(std::vector<uint8_t>& chunk, uint8_t index, uint16_t number);
void appendMapping(std::vector<uint8_t>& chunk, uint8_t index, uint16_t key);
void load(PlugCore::Plug& plug, const std::vector<uint8_t>& chunk);

// Where this build keeps its settings during tests: a private folder off
// Windows (set up before any instance exists), the Wine prefix's APPDATA on Windows.
std::string defaultsFilePath();

}  // namespace statetest
