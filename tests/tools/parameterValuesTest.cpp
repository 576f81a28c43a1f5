// Display-text values turned into normalized ones by asking real plug-ins.
#include "tests/tools/pluginPaths.h"
#include "tools/render/parameterValues.h"
#include "tools/render/renderError.h"

#include <gtest/gtest.h>

namespace {

std::unique_ptr<vsthost::Plugin> create(const std::string& path) {
    std::string error;
    auto library = vsthost::Library::load(path, error);
    if (!library) return nullptr;
    return vsthost::Plugin::create(library, nullptr, error);
}

int exitCodeOf(vsthost::Plugin& plugin, const std::string& name, const std::string& text) {
    try {
        render::valueForText(plugin, render::findParameter(plugin, name), text);
    } catch (const render::RenderError& e) {
        return e.code();
    }
    return 0;
}

TEST(ParameterValues, NumbersLandInTheMiddleOfTheirDisplayedValue) {
    REQUIRE_PLUGIN(toolstest::orvaltPlugin());
    auto plugin = create(toolstest::orvaltPlugin());
    ASSERT_TRUE(plugin);
    int limit = render::findParameter(*plugin, "limit");
    EXPECT_EQ(limit, 2);
    EXPECT_NEAR(render::valueForText(*plugin, limit, "-3"), 0.7f, 1e-6);
    EXPECT_EQ(plugin->parameterDisplay(limit), "-3.00");
    EXPECT_NEAR(render::valueForText(*plugin, limit, "-3 dB"), 0.7f, 1e-6);  // the label may follow
    EXPECT_EQ(render::valueForText(*plugin, limit, "0"), 1.0f);             // range ends are exact
    EXPECT_EQ(render::valueForText(*plugin, limit, "-10"), 0.0f);
    int input = render::findParameter(*plugin, "INPUT");  // names ignore case
    EXPECT_NEAR(render::valueForText(*plugin, input, "6"), 0.3f, 1e-6);
    EXPECT_NEAR(render::valueForText(*plugin, input, "+10.00"), 0.5f, 1e-6);
    EXPECT_NEAR(render::valueForText(*plugin, render::findParameter(*plugin, "drive"), "-10"), 0.5f, 1e-6);
}

TEST(ParameterValues, SwitchesTakeTheirTextsAtZeroAndOne) {
    REQUIRE_PLUGIN(toolstest::orvaltPlugin());
    auto plugin = create(toolstest::orvaltPlugin());
    ASSERT_TRUE(plugin);
    int warm = render::findParameter(*plugin, "warm");
    EXPECT_EQ(render::valueForText(*plugin, warm, "on"), 1.0f);
    EXPECT_EQ(plugin->getParameter(warm), 1.0f);  // left at the result
    EXPECT_EQ(render::valueForText(*plugin, warm, "OFF"), 0.0f);
    EXPECT_EQ(render::findParameter(*plugin, "6"), 6);  // an index works too
}

TEST(ParameterValues, RejectsUnknownNamesTextsAndOutOfRangeNumbers) {
    REQUIRE_PLUGIN(toolstest::orvaltPlugin());
    auto plugin = create(toolstest::orvaltPlugin());
    ASSERT_TRUE(plugin);
    EXPECT_EQ(exitCodeOf(*plugin, "volume", "1"), render::exitParameter);
    EXPECT_EQ(exitCodeOf(*plugin, "7", "1"), render::exitParameter);
    EXPECT_EQ(exitCodeOf(*plugin, "limit", "-30"), render::exitParameter);
    EXPECT_EQ(exitCodeOf(*plugin, "limit", "0.5"), render::exitParameter);
    EXPECT_EQ(exitCodeOf(*plugin, "input", "25"), render::exitParameter);
    EXPECT_EQ(exitCodeOf(*plugin, "warm", "maybe"), render::exitParameter);
    EXPECT_EQ(exitCodeOf(*plugin, "warm", "1"), render::exitParameter);  // a switch shows on/off, not numbers
    EXPECT_EQ(exitCodeOf(*plugin, "limit", "-3 Hz"), render::exitParameter);
    EXPECT_EQ(exitCodeOf(*plugin, "limit", "loud"), render::exitParameter);
    try {
        render::findParameter(*plugin, "volume");
    } catch (const render::RenderError& e) {
        EXPECT_NE(std::string(e.what()).find("input, warm, limit, bass, clip, drive, makeup"), std::string::npos);
    }
}

TEST(ParameterValues, WorksOnAThirdPartyPluginsOwnDisplays) {
    REQUIRE_PLUGIN(toolstest::lspLimiter());
    ThirdPartyLeakScope ignoreTheirLeaks;
    auto plugin = create(toolstest::lspLimiter());
    ASSERT_TRUE(plugin);
    int gain = render::findParameter(*plugin, "g_in");
    render::valueForText(*plugin, gain, "-6");
    double shown = std::stod(plugin->parameterDisplay(gain));
    EXPECT_NEAR(shown, -6.0, 0.01);
    int bypass = render::findParameter(*plugin, "bypass");
    EXPECT_EQ(render::valueForText(*plugin, bypass, "on"), 1.0f);
}

TEST(ParameterValues, SplitsAssignments) {
    std::string name, value;
    EXPECT_TRUE(render::splitAssignment("limit=-3", name, value));
    EXPECT_EQ(name, "limit");
    EXPECT_EQ(value, "-3");
    EXPECT_FALSE(render::splitAssignment("limit", name, value));
    EXPECT_FALSE(render::splitAssignment("=3", name, value));
    EXPECT_FALSE(render::splitAssignment("limit=", name, value));
}

}  // namespace
