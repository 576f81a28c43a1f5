// Tear-down through effClose, and the product's construction.
#include <gtest/gtest.h>

#include "product/Orvalt.h"
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
    EXPECT_EQ(o.layout().width, 410);
    EXPECT_EQ(o.layout().height, 100);
    EXPECT_EQ(o.layout().controlCount, 7u);
    EXPECT_EQ(o.layout().backgroundId, 101);
    EXPECT_EQ(o.layout().sharedSize, 8u);
    EXPECT_EQ(o.layout().captionColour, 0x00378DEEu);
    EXPECT_EQ(o.getLearnTarget(), -1);
    EXPECT_EQ(o.getBendRange(), 256);
}

}  // namespace
