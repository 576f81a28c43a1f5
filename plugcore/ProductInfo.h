// Who a product is: everything the framework tells hosts, users and the file
// system about the product built on it. The product fills one record and hands
// it to PlugCore::Plug's constructor; the framework keeps its own copy.
#pragma once

#include <cstdint>

#include "host/vst24.h"

namespace PlugCore {

// What a product tells its editor framework: size, background, controls, shared block.
struct EditorLayout {
    int32_t width;
    int32_t height;
    uint32_t controlCount;
    int32_t backgroundId;
    uint32_t sharedSize;
    uint32_t captionColour;  // 0x00BBGGRR
};

struct ProductInfo {
    // Effect name, chunk name record, dialog captions and the defaults file's name.
    const char* name = "";
    // Vendor string, first word of the product string, and the settings folder
    // that holds the defaults file.
    const char* maker = "";
    // The maker's web host, shown and opened by the editor's background menu;
    // null for none.
    const char* webHost = nullptr;
    // The effect record's unique ID and version.
    VstInt32 uniqueId = 0;
    VstInt32 version = 1;
    VstInt32 programCount = 0;
    VstInt32 paramCount = 0;
    EditorLayout editor{};
};

}  // namespace PlugCore
