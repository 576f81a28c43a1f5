// The editor of the shipped Orvalt.dll, loaded like a host loads it: flags,
// window tree, and the window class going away when the library unloads.
#include <gtest/gtest.h>

#include <string>

#include "editorHarness.h"
#include "tests/support/testHosts.h"

using namespace editortest;

namespace {

const std::string dllPath = std::string("Z:") + ORVALT_BINARY_DIR + "/product/Orvalt.dll";

AEffect* createFrom(HMODULE library) {
    using Entry = AEffect*(VSTCALLBACK*)(audioMasterCallback);
    auto entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(library, "VSTPluginMain")));
    return entry ? entry(testhosts::quietHost) : nullptr;
}

bool classRegistered(HMODULE library) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    return GetClassInfoExA(library, "WinControlWrapperWindowClass", &wc) != 0;
}

}  // namespace

TEST(ShippedLibrary, OpensItsEditorAndUnregistersTheClassAtUnload) {
    HMODULE library = LoadLibraryA(dllPath.c_str());
    ASSERT_NE(library, nullptr) << dllPath;
    AEffect* effect = createFrom(library);
    ASSERT_NE(effect, nullptr);
    EXPECT_EQ(effect->flags, 0x1031);

    HWND frame = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 410, 100, topLevelWindow(), nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_EQ(effect->dispatcher(effect, effEditOpen, 0, 0, frame, 0.0f), 1);
    pump(60);
    HWND editor = GetWindow(frame, GW_CHILD);
    ASSERT_NE(editor, nullptr);
    char name[64] = {};
    GetClassNameA(editor, name, sizeof name);
    EXPECT_STREQ(name, "WinControlWrapperWindowClass");
    int widgets = 0;
    for (HWND w = GetWindow(editor, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) ++widgets;
    EXPECT_EQ(widgets, 7);
    EXPECT_TRUE(classRegistered(library));

    effect->dispatcher(effect, effEditClose, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(GetWindow(frame, GW_CHILD), nullptr);
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    DestroyWindow(frame);
    ASSERT_TRUE(FreeLibrary(library));

    HMODULE again = LoadLibraryA(dllPath.c_str());
    ASSERT_NE(again, nullptr);
    EXPECT_FALSE(classRegistered(again));  // the unload took the class with it
    FreeLibrary(again);
}
