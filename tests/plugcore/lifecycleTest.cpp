// Tear-down through effClose, and the product's construction.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/platform.h"
#include "plugcore/SharedBlock.h"
#include "product/Orvalt.h"
#include "testPlug.h"
#include "tests/support/testHosts.h"

namespace {

using testhosts::quietHost;

int destroyed = 0;

class CountedOrvalt : public Orvalt {
public:
    using Orvalt::Orvalt;
    ~CountedOrvalt() override { ++destroyed; }
};

TEST(Lifecycle, CloseAnswersOneAndDestroysTheInstanceOnce) {
    destroyed = 0;
    auto* plugin = new CountedOrvalt(quietHost);
    AEffect* e = plugin->getAeffect();
    EXPECT_EQ(e->object, plugin);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(plugin) % 16, 0u);
    EXPECT_EQ(e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(destroyed, 1);
}

int editorsAlive = 0;

struct CountedEditor : AEffEditor, PlugCore::SharedBlock {
    CountedEditor() : SharedBlock(8) { ++editorsAlive; }
    ~CountedEditor() override { --editorsAlive; }
};

// An editor attaches itself from its constructor and its creator attaches it
// again: one owner, one delete. Another editor replaces (and deletes) it, and
// the chain always gets the meter block of the editor attached now.
TEST(Lifecycle, TheEffectOwnsItsEditorOnceHoweverOftenItIsAttached) {
    editorsAlive = 0;
    {
        TestPlug plug;
        auto* first = new CountedEditor;
        plug.setEditor(first);
        plug.setEditor(first);
        EXPECT_EQ(editorsAlive, 1);
        EXPECT_EQ(plug.getEditor(), first);
        EXPECT_EQ(plug.sharedBlock(), static_cast<PlugCore::SharedBlock*>(first));
        EXPECT_TRUE(plug.getAeffect()->flags & effFlagsHasEditor);

        auto* plain = new AEffEditor;
        plug.setEditor(plain);
        EXPECT_EQ(editorsAlive, 0) << "the replaced editor is deleted";
        EXPECT_EQ(plug.sharedBlock(), nullptr) << "an editor without a meter block gets no hand-over";

        plug.setEditor(nullptr);
        EXPECT_FALSE(plug.getAeffect()->flags & effFlagsHasEditor);
        plug.setEditor(new CountedEditor);
        EXPECT_EQ(editorsAlive, 1);
    }
    EXPECT_EQ(editorsAlive, 0) << "the plug-in deletes the editor it holds";
}

TEST(Lifecycle, ProductStartsFromItsDefaults) {
    Orvalt o(quietHost);
    const float defaults[] = {0, 0, 1, 0, 1, 1, 0};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(o.getParameter(i), defaults[i]);
        EXPECT_EQ(o.parameterTable().params[i].defaultValue, defaults[i]);
        EXPECT_EQ(o.parameterTable().params[i].midiKey.load(), -1);
    }
    for (int p = 0; p < 8; ++p) {
        EXPECT_EQ(std::string(o.program(p).name), "Init " + std::to_string(p + 1));
        for (int i = 0; i < 7; ++i) EXPECT_EQ(o.program(p).values[i], defaults[i]);
    }
    const PlugCore::ProductInfo& product = o.productInfo();
    EXPECT_STREQ(product.name, "Orvalt");
    EXPECT_STREQ(product.maker, "Quillmarsh");
    EXPECT_STREQ(product.webHost, "www.quillmarsh.com");
    EXPECT_EQ(product.uniqueId, 0x6F52764C);  // 'oRvL'
    EXPECT_EQ(product.version, 1);
    EXPECT_EQ(product.programCount, 8);
    EXPECT_EQ(product.paramCount, 7);
    EXPECT_EQ(product.editor.width, 410);
    EXPECT_EQ(product.editor.height, 100);
    EXPECT_EQ(product.editor.controlCount, 7u);
    EXPECT_EQ(product.editor.backgroundId, 101);
    EXPECT_EQ(product.editor.sharedSize, 8u);
    EXPECT_EQ(product.editor.captionColour, 0x00378DEEu);
    EXPECT_EQ(o.getLearnTarget(), -1);
    EXPECT_EQ(o.getBendRange(), 256);
}

// The framework speaks for the product it was given: another maker's product
// names that maker to the host and keeps its defaults in that maker's folder.
TEST(Lifecycle, AnotherProductKeepsItsOwnMakerAndIdentity) {
    namespace fs = std::filesystem;
    TestPlug plug;
    char text[kVstMaxProductStrLen + 1] = {};
    ASSERT_TRUE(plug.getVendorString(text));
    EXPECT_STREQ(text, "Fenwright");
    ASSERT_TRUE(plug.getProductString(text));
    EXPECT_STREQ(text, "Fenwright TestPlug");
    ASSERT_TRUE(plug.getEffectName(text));
    EXPECT_STREQ(text, "TestPlug");
    const AEffect* e = plug.getAeffect();
    EXPECT_EQ(e->uniqueID, fourCharCode("tStP"));
    EXPECT_EQ(e->version, 3);
    EXPECT_EQ(e->numPrograms, 2);
    EXPECT_EQ(e->numParams, 3);

    std::string settings;
    ASSERT_TRUE(platform::settingsFolder(settings));
    const fs::path makerFolder = fs::u8path(platform::joinPath(settings, "Fenwright"));
    const fs::path ownFile = makerFolder / "TestPlug.defaults";
    const fs::path orvaltsFolderFile = fs::u8path(settings) / "Quillmarsh" / "TestPlug.defaults";
    ASSERT_FALSE(fs::exists(ownFile)) << "left over from an earlier run";
    plug.setParameter(0, 0.5f);  // 0.5 survives the chunk's 16-bit encoding exactly
    PlugCore::Plug::SaveFailure failure;
    EXPECT_TRUE(plug.saveDefaults(&failure)) << failure.file << ": " << failure.reason;
    EXPECT_TRUE(fs::exists(ownFile));
    EXPECT_FALSE(fs::exists(orvaltsFolderFile));
    TestPlug next;
    next.loadDefaults();
    EXPECT_EQ(next.getParameter(0), 0.5f) << "a new instance reads the file from its maker's folder";

    std::error_code ignored;
    fs::remove(ownFile, ignored);
    fs::remove(makerFolder, ignored);  // only when empty

    // A product that forgot its name and maker gets empty texts and no defaults
    // file, rather than a file in the settings folder itself.
    PlugCore::ProductInfo forgetful = TestPlug::product();
    forgetful.name = nullptr;
    forgetful.maker = nullptr;
    TestPlug nameless(quietHost, true, forgetful);
    ASSERT_TRUE(nameless.getVendorString(text));
    EXPECT_STREQ(text, "");
    ASSERT_TRUE(nameless.getEffectName(text));
    EXPECT_STREQ(text, "");
    EXPECT_FALSE(nameless.saveDefaults(&failure));
    EXPECT_EQ(failure.reason, "the plug-in names no maker or no name");
    EXPECT_FALSE(fs::exists(fs::u8path(settings) / ".defaults"));
    nameless.loadDefaults();
    EXPECT_EQ(nameless.getParameter(0), 0.25f);
}

}  // namespace
