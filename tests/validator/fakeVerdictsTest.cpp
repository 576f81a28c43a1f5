// The validator against fake plug-ins with one known fault each: it must
// fail exactly the check that covers the fault, and pass the correct build.
#include "tests/validator/validatorRun.h"

#include <gtest/gtest.h>

namespace {

std::string fake(const char* name) { return std::string(FAKE_PLUGIN_DIR) + "/fake_" + name + ".so"; }

ValidatorReport validate(const std::string& plugin, std::vector<std::string> extra = {}) {
    std::vector<std::string> args = buildArguments();
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(plugin);
    return runValidator(args);
}

TEST(FakeVerdicts, CorrectPluginPassesEveryCheckAndReportsTotals) {
    ValidatorReport r = validate(fake("correct"));
    EXPECT_EQ(r.failedChecks(), std::set<std::string>{});
    EXPECT_EQ(r.exitCode, 0);
    ASSERT_FALSE(r.lines.empty());
    int passed = 0;
    for (const auto& [name, verdict] : r.verdicts) passed += verdict == "PASS";
    EXPECT_EQ(r.lines.back(), std::to_string(passed) + " passed, 0 failed");
    EXPECT_EQ(r.verdicts.size() + 1, r.lines.size()) << "one line per check plus the totals";
    EXPECT_EQ(r.verdicts.at("parameter-text-round-trip"), "SKIP");
    EXPECT_EQ(r.verdicts.at("state-restore"), "PASS");
}

struct FaultCase {
    const char* plugin;
    std::set<std::string> failing;
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.plugin; }

class FaultVerdicts : public testing::TestWithParam<FaultCase> {};

TEST_P(FaultVerdicts, FailsExactlyTheCheckThatCoversTheFault) {
    ValidatorReport r = validate(fake(GetParam().plugin));
    EXPECT_EQ(r.failedChecks(), GetParam().failing);
    EXPECT_EQ(r.exitCode, 1);
    ASSERT_FALSE(r.lines.empty());
    EXPECT_NE(r.lines.back().find(std::to_string(GetParam().failing.size()) + " failed"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, FaultVerdicts,
    // Shared state disturbs every check that runs two instances at once; a
    // bank that keeps old names also fails the fuzz check's final good load.
    testing::Values(FaultCase{"shared_state", {"two-instances", "short-blocks", "oversize-blocks", "double-precision"}},
                    FaultCase{"no_input_cleaning", {"hostile-input"}},
                    FaultCase{"crash_on_short_chunk", {"state-fuzz"}},
                    FaultCase{"unwritten_oversize", {"oversize-blocks"}},
                    FaultCase{"writes_before_reading", {"in-place"}},
                    FaultCase{"forgets_program_names", {"state-restore", "state-fuzz"}}),
    [](const testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.plugin); });

TEST(FakeVerdicts, CrashIsReportedWithItsSignalAndTheRunGoesOn) {
    ValidatorReport r = validate(fake("crash_on_short_chunk"), {"--only", "state-fuzz", "--only", "midi-fuzz"});
    // A signal in the plain build; the sanitizers end the process themselves.
    EXPECT_EQ(r.details["state-fuzz"].rfind("crashed (", 0), 0u) << r.details["state-fuzz"];
    EXPECT_EQ(r.verdicts["midi-fuzz"], "PASS");
    EXPECT_EQ(r.lines.back(), "1 passed, 1 failed");
}

TEST(FakeVerdicts, HangFailsAfterTheTimeout) {
    ValidatorReport r = validate(fake("hang_on_infinity"), {"--only", "hostile-input", "--timeout", "3"});
    EXPECT_EQ(r.verdicts["hostile-input"], "FAIL");
    EXPECT_NE(r.details["hostile-input"].find("no answer within 3 s"), std::string::npos);
}

TEST(ValidatorCommandLine, SelectsSkipsAndRejectsChecks) {
    ValidatorReport only = validate(fake("correct"), {"--only", "load", "--only", "texts"});
    EXPECT_EQ(only.verdicts.size(), 2u);
    EXPECT_EQ(only.lines.back(), "2 passed, 0 failed");

    ValidatorReport skip = validate(fake("no_input_cleaning"), {"--skip", "hostile-input"});
    EXPECT_EQ(skip.verdicts.count("hostile-input"), 0u);
    EXPECT_EQ(skip.exitCode, 0);

    EXPECT_EQ(validate(fake("correct"), {"--only", "no-such-check"}).exitCode, 2);
    EXPECT_EQ(runValidator({}).exitCode, 2);
}

TEST(ValidatorCommandLine, UnloadableLibraryFailsEveryCheckThatNeedsIt) {
    ValidatorReport r = validate("/nonexistent/plugin.so", {"--only", "load", "--only", "state-restore"});
    EXPECT_EQ(r.verdicts["load"], "FAIL");
    EXPECT_NE(r.details["load"].find("cannot load /nonexistent/plugin.so"), std::string::npos);
    EXPECT_EQ(r.verdicts["state-restore"], "FAIL");
    EXPECT_EQ(r.exitCode, 1);
}

}  // namespace
