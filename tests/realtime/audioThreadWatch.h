// Watches a thread for the calls an audio thread must never make: heap
// allocation and release, locks and waits, file access and sleeping. The
// test executable defines malloc, operator new, pthread_mutex_lock, open,
// write and their relatives itself (audioThreadWatch.cpp); the dynamic
// linker then binds every library's calls to those definitions, including
// the calls made inside a plug-in loaded with dlopen. Calls are counted only
// on a thread inside a watched section, and only while the watch is armed.
#pragma once

#include <cstddef>
#include <string>

namespace rtwatch {

enum class Sin { allocation, release, lock, wait, file, sleep, kinds };

struct Counts {
    size_t of[static_cast<int>(Sin::kinds)] = {};
    size_t total() const;
    size_t operator[](Sin s) const { return of[static_cast<int>(s)]; }
    // e.g. "3 allocation(s), 1 lock(s); first: malloc"
    std::string describe() const;
};

// [any thread] The calling thread enters or leaves a watched section (a
// plug-in's process call). Sections do not nest.
void enterSection();
void leaveSection();

// [any thread] Counting on or off (off by default, so that start-up and the
// test framework's own work are never counted).
void arm(bool on);

// [any thread] What was counted since the last reset.
Counts counts();
void reset();

}  // namespace rtwatch
