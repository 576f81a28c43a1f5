// Opening the X display in tests that run many after one another on one
// server.
#pragma once

#include <X11/Xlib.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace testsupport {

// A server that just saw many connections come and go refuses one now and
// then: with DISPLAY set, tries again up to `retries` times, waiting 1, 2, 4...
// milliseconds. Null when there is no server.
inline Display* openDisplayRetrying(int retries) {
    Display* display = XOpenDisplay(nullptr);
    for (int attempt = 0; !display && attempt < retries && std::getenv("DISPLAY"); ++attempt) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1 << attempt));
        display = XOpenDisplay(nullptr);
    }
    return display;
}

}  // namespace testsupport
