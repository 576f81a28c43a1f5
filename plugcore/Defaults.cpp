// The per-user defaults file: the bank form of the state chunk, kept in
// <settings folder>/<maker>/<plug-in name>.defaults, read by every new
// instance and written when the user saves new defaults.
#include <string>
#include <vector>

#include "platform/platform.h"
#include "plugcore/Plug.h"

namespace PlugCore {

namespace {

// Anything this large is not one of ours.
constexpr size_t kMaxDefaultsSize = 1048576;

// The folder that holds the defaults file; null when found, else why not.
const char* makerFolder(const ProductInfo& product, std::string& folder) {
    // Without both names the file would land beside other makers' folders.
    if (!*product.maker || !*product.name) return "the plug-in names no maker or no name";
    std::string settings;
    if (!platform::settingsFolder(settings)) return "no per-user settings folder was found";
    folder = platform::joinPath(settings, product.maker);
    return nullptr;
}

std::string defaultsFile(const std::string& folder, const ProductInfo& product) {
    return platform::joinPath(folder, std::string(product.name) + ".defaults");
}

}  // namespace

// Loading or saving the defaults makes the current values the reset values.
static void adoptCurrentAsDefaults(ParamTable& table) {
    for (uint32_t i = 0; i < table.count; ++i)
        table.params[i].defaultValue = table.params[i].value.load(std::memory_order_relaxed);
}

void Plug::loadDefaults() {
    // Without a file every program starts from the product's own values.
    for (VstInt32 p = 0; p < numPrograms; ++p) snapshotProgram(p);

    std::string folder;
    if (makerFolder(identity, folder)) return;
    std::vector<unsigned char> bytes;
    if (platform::readFile(defaultsFile(folder, identity), bytes, kMaxDefaultsSize) != platform::ReadResult::ok)
        return;
    setChunk(bytes.data(), static_cast<VstInt32>(bytes.size()), false);
    adoptCurrentAsDefaults(params);
}

bool Plug::saveDefaults(SaveFailure* failure) {
    std::vector<uint8_t> bytes;  // the host's chunk buffer stays as the host last saw it
    writeChunk(bytes, false);

    std::string folder;
    if (const char* missing = makerFolder(identity, folder)) {
        if (failure) *failure = {defaultsFile(identity.maker, identity), missing};
        return false;
    }
    platform::createFolder(folder);  // usually there already
    // The old file is replaced only once the new one is complete, so a full
    // disk or a crash mid-write never leaves a damaged file behind.
    const std::string file = defaultsFile(folder, identity);
    std::string reason;
    if (!platform::writeFileReplacing(file, bytes.data(), bytes.size(), &reason)) {
        if (failure) *failure = {file, reason};
        return false;
    }
    adoptCurrentAsDefaults(params);
    return true;
}

}  // namespace PlugCore
