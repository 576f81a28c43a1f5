// Skipping a test because something the test command installs is missing:
// SKIP_NOT_INSTALLED("ffmpeg"). The program then ends as skipped (skipReport.cpp).
#pragma once

#include <gtest/gtest.h>

constexpr const char* kNotInstalled = "not installed: ";
constexpr int kSkipExitCode = 77;  // ctest's SKIP_RETURN_CODE for every test program

#define SKIP_NOT_INSTALLED(what) GTEST_SKIP() << kNotInstalled << what
