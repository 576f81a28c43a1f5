// Compares two sequences and, when they differ, says where: the sizes, the
// first differing index with both values, and how many elements differ. A
// plain == on a picture of thousands of pixels would print only "false".
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <type_traits>

template <typename A, typename B>
::testing::AssertionResult sameElements(const A& expected, const B& actual) {
    if (expected.size() != actual.size())
        return ::testing::AssertionFailure() << "sizes differ: expected " << expected.size() << ", actual "
                                             << actual.size();
    size_t first = expected.size(), count = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        if (expected[i] == actual[i]) continue;
        if (count++ == 0) first = i;
    }
    if (count == 0) return ::testing::AssertionSuccess();
    // Bytes print as numbers, not characters.
    using Value = std::decay_t<decltype(expected[0])>;
    using Printed = std::conditional_t<(sizeof(Value) == 1 && std::is_integral<Value>::value), unsigned, Value>;
    return ::testing::AssertionFailure() << count << " of " << expected.size() << " elements differ; first at "
                                         << first << ": expected " << static_cast<Printed>(expected[first])
                                         << ", actual " << static_cast<Printed>(actual[first]);
}
