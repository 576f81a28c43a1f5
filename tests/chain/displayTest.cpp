// Names, labels and display texts of the seven parameters.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "tests/chain/chainTestSupport.h"

namespace {

std::string display(Orvalt& plugin, int index, float value) {
    char text[64] = "unwritten";
    plugin.formatParameter(index, text, sizeof text, value);
    return text;
}

}  // namespace

TEST(Display, NamesAndLabels) {
    auto plugin = makeOrvalt();
    const char* names[] = {"input", "warm", "limit", "bass", "clip", "drive", "makeup"};
    const char* labels[] = {"dB", "", "dB", "dB", "", "db", ""};
    for (int p = 0; p < Orvalt::kNumParams; ++p) {
        char text[64] = "unwritten";
        plugin->getParameterName(p, text);
        EXPECT_STREQ(text, names[p]);
        std::strcpy(text, "unwritten");
        plugin->getParameterLabel(p, text);
        EXPECT_STREQ(text, labels[p]) << names[p];
    }
}

TEST(Display, TextsAtZeroHalfAndOne) {
    auto plugin = makeOrvalt();
    const char* atZero[] = {"+0.00", "off", "-10.00", "+0.00", "off", "-20.00", "off"};
    const char* atHalf[] = {"+10.00", "off", "-5.00", "+5.00", "off", "-10.00", "off"};
    const char* atOne[] = {"+20.00", "on", "0.00", "+10.00", "on", "+0.00", "on"};
    for (int p = 0; p < Orvalt::kNumParams; ++p) {
        EXPECT_EQ(display(*plugin, p, 0.0f), atZero[p]) << p;
        EXPECT_EQ(display(*plugin, p, 0.5f), atHalf[p]) << p;
        EXPECT_EQ(display(*plugin, p, 1.0f), atOne[p]) << p;
    }
    EXPECT_EQ(display(*plugin, Orvalt::kWarm, NAN), "off");
}

TEST(Display, DefaultsThroughTheHostCall) {
    auto plugin = makeOrvalt();
    const char* defaults[] = {"+0.00", "off", "0.00", "+0.00", "on", "+0.00", "off"};
    for (int p = 0; p < Orvalt::kNumParams; ++p) {
        char text[64] = "unwritten";
        plugin->getParameterDisplay(p, text);
        EXPECT_STREQ(text, defaults[p]) << p;
    }
}

// The product writes no further than the size it is given, terminator
// included; the host call gives the interface's display-text limit.
TEST(Display, TextsStayInsideTheGivenBuffer) {
    auto plugin = makeOrvalt();
    const char* cutToFour[] = {"+0.", "off", "-10", "+0.", "off", "-20", "off"};
    for (int p = 0; p < Orvalt::kNumParams; ++p) {
        char text[16];
        std::memset(text, '#', sizeof text);
        plugin->formatParameter(p, text, 4, 0.0f);
        EXPECT_STREQ(text, cutToFour[p]) << p;
        for (size_t i = 4; i < sizeof text; ++i) EXPECT_EQ(text[i], '#') << p << " byte " << i;
        std::memset(text, '#', sizeof text);
        plugin->formatParameter(p, text, 0, 0.0f);
        EXPECT_EQ(text[0], '#') << p << ": nothing fits in no room";
        std::memset(text, '#', sizeof text);
        plugin->getParameterDisplay(p, text);
        for (size_t i = kVstMaxParamStrLen; i < sizeof text; ++i) EXPECT_EQ(text[i], '#') << p << " byte " << i;
    }
}
