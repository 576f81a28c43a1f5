#include "tests/plugcore/stateTestSupport.h"

#include <cstdlib>
#include <filesystem>

namespace statetest {

namespace {

// Every test instance reads the defaults file while it is constructed; keep a
// developer's own file out of the tests by pointing the settings folder at a
// private one before any instance exists.
struct SettingsSandbox {
    std::filesystem::path folder;
    SettingsSandbox() {
#ifndef _WIN32
        std::string pattern = (std::filesystem::temp_directory_path() / "orvalt-state-XXXXXX").string();
        if (char* made = mkdtemp(pattern.data())) {
            folder = made;
            setenv("XDG_CONFIG_HOME", made, 1);
        }
#endif
    }
    ~SettingsSandbox() {
        std::error_code ignored;
        if (!folder.empty()) std::filesystem::remove_all(folder, ignored);
    }
};
SettingsSandbox sandbox;

}  // namespace

DialogRecorder::DialogRecorder(bool yes) : answerYes(yes), previous(platform::setDialogHandler(this)) {}
DialogRecorder::~DialogRecorder() { platform::setDialogHandler(previous); }

void DialogRecorder::showError(const char* caption, const char* text) { shown.push_back({"error", caption, text}); }

bool DialogRecorder::askYesNo(const char* caption, const char* text) {
    shown.push_back({"question", caption, text});
    return answerYes;
}

bool DialogRecorder::askOkCancel(const char* caption, const char* text) {
    shown.push_back({"confirm", caption, text});
    return false;
}

std::vector<uint8_t> chunkOf(PlugCore::Plug& plug, bool isPreset) {
    void* data = nullptr;
    VstInt32 size = plug.getChunk(&data, isPreset);
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    return std::vector<uint8_t>(bytes, bytes + size);
}

std::vector<uint8_t> header(uint16_t version, uint16_t upper) {
    return {0x75, 0x3D, 0x8C, 0x28, static_cast<uint8_t>(version & 0xFF), static_cast<uint8_t>(version >> 8),
            static_cast<uint8_t>(upper & 0xFF), static_cast<uint8_t>(upper >> 8)};
}

void appendName(std::vector<uint8_t>& chunk, const std::string& name) {
    chunk.push_back(4);
    for (size_t i = 0; i < 31; ++i) chunk.push_back(i < name.size() ? static_cast<uint8_t>(name[i]) : 0);
}

void appendValue(std::vector<uint8_t>& chunk, uint8_t index, uint16_t number) {
    chunk.insert(chunk.end(), {0, index, static_cast<uint8_t>(number & 0xFF), static_cast<uint8_t>(number >> 8)});
}

void appendMapping(std::vector<uint8_t>& chunk, uint8_t index, uint16_t key) {
    chunk.insert(chunk.end(), {1, index, static_cast<uint8_t>(key & 0xFF), static_cast<uint8_t>(key >> 8)});
}

void load(PlugCore::Plug& plug, const std::vector<uint8_t>& chunk) {
    plug.setChunk(const_cast<uint8_t*>(chunk.data()), static_cast<VstInt32>(chunk.size()), false);
}

std::string defaultsFilePath() {
    std::string settings;
    if (!platform::settingsFolder(settings)) return {};
    return platform::joinPath(platform::joinPath(settings, "Quillmarsh"), "Orvalt.defaults");
}

}  // namespace statetest
