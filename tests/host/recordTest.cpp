// The effect record a host receives from the real entry of the built library.
#include <cstdint>
#include <cstring>

#include "pluginFixture.h"

using RecordTest = BuiltPlugin;

TEST_F(RecordTest, FreshRecordHoldsTheProductIdentity) {
    auto plugin = create();
    ASSERT_TRUE(plugin);
    const AEffect* e = plugin->effect();
    EXPECT_EQ(e->magic, 0x56737450);
    EXPECT_EQ(e->numPrograms, 8);
    EXPECT_EQ(e->numParams, 7);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, kExpectedFlags);
    EXPECT_EQ(e->uniqueID, 0x6F52764C);
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_EQ(e->realQualities, 0);
    EXPECT_EQ(e->offQualities, 0);
    EXPECT_EQ(e->resvd1, 0);
    EXPECT_EQ(e->resvd2, 0);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->user, nullptr);
    EXPECT_NE(e->object, nullptr);
    EXPECT_NE(e->dispatcher, nullptr);
    EXPECT_NE(e->process, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
    EXPECT_NE(e->processDoubleReplacing, nullptr);
    EXPECT_NE(e->setParameter, nullptr);
    EXPECT_NE(e->getParameter, nullptr);
    for (char c : e->future) EXPECT_EQ(c, 0);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(e->object) % 16, 0u) << "object must sit on a 16-byte boundary";
}

TEST_F(RecordTest, ResumeReportsOneSampleOfLatency) {
    auto plugin = create();
    ASSERT_TRUE(plugin);
    plugin->open();
    plugin->prepare(44100.0f, 512);
    EXPECT_EQ(plugin->effect()->initialDelay, 1);
}

TEST_F(RecordTest, TwoEntriesGiveTwoIndependentInstances) {
    auto a = create();
    auto b = create();
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->effect(), b->effect());
    EXPECT_NE(a->effect()->object, b->effect()->object);
    a->setParameter(0, 0.75f);
    EXPECT_FLOAT_EQ(a->getParameter(0), 0.75f);
    EXPECT_FLOAT_EQ(b->getParameter(0), 0.0f);
    a->close();
    // b is untouched by a's destruction
    EXPECT_EQ(b->dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(b->effectName(), "Orvalt");
}

TEST_F(RecordTest, HostAnsweringZeroToVersionGetsNoInstance) {
    vsthost::HostOptions options;
    options.versionAnswer = 0;
    auto host = std::make_shared<vsthost::Host>(options);
    std::string error;
    auto plugin = vsthost::Plugin::create(library, host, error);
    EXPECT_FALSE(plugin);
    EXPECT_EQ(library->entry()(nullptr), nullptr) << "a null callback must not crash the entry";
}
