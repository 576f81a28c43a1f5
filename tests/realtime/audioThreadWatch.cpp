// The interposed functions. Allocation goes straight to glibc's own entry
// points (__libc_malloc and friends); everything else is forwarded to the
// next definition found with dlsym(RTLD_NEXT), resolved once at start-up.
#include "tests/realtime/audioThreadWatch.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <semaphore.h>
#include <stdarg.h>
#include <stdio.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <new>

extern "C" {
void* __libc_malloc(size_t);
void __libc_free(void*);
void* __libc_calloc(size_t, size_t);
void* __libc_realloc(void*, size_t);
void* __libc_memalign(size_t, size_t);
}

namespace rtwatch {
namespace {

// Plain thread-local storage of the executable: reading it never allocates.
thread_local bool insideSection = false;
std::atomic<bool> armed{false};
std::atomic<size_t> tally[static_cast<int>(Sin::kinds)];
std::atomic<const char*> firstName{nullptr};

inline void note(Sin sin, const char* name) {
    if (!insideSection || !armed.load(std::memory_order_relaxed)) return;
    tally[static_cast<int>(sin)].fetch_add(1, std::memory_order_relaxed);
    const char* none = nullptr;
    firstName.compare_exchange_strong(none, name);
}

template <typename F>
F next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

}  // namespace

size_t Counts::total() const {
    size_t n = 0;
    for (size_t c : of) n += c;
    return n;
}

std::string Counts::describe() const {
    static const char* names[] = {"allocation", "release", "lock", "wait", "file access", "sleep"};
    std::string text;
    for (int i = 0; i < static_cast<int>(Sin::kinds); ++i)
        if (of[i]) text += (text.empty() ? "" : ", ") + std::to_string(of[i]) + " " + names[i] + "(s)";
    if (text.empty()) return "none";
    const char* first = firstName.load();
    return text + "; first: " + (first ? first : "?");
}

void enterSection() { insideSection = true; }
void leaveSection() { insideSection = false; }
void arm(bool on) { armed.store(on); }

Counts counts() {
    Counts c;
    for (int i = 0; i < static_cast<int>(Sin::kinds); ++i) c.of[i] = tally[i].load();
    return c;
}

void reset() {
    for (auto& t : tally) t.store(0);
    firstName.store(nullptr);
}

}  // namespace rtwatch

using rtwatch::Sin;
using rtwatch::note;

// ---- heap -----------------------------------------------------------------
extern "C" {
void* malloc(size_t size) {
    note(Sin::allocation, "malloc");
    return __libc_malloc(size);
}
void free(void* p) {
    if (p) note(Sin::release, "free");
    __libc_free(p);
}
void* calloc(size_t n, size_t size) {
    note(Sin::allocation, "calloc");
    return __libc_calloc(n, size);
}
void* realloc(void* p, size_t size) {
    note(Sin::allocation, "realloc");
    return __libc_realloc(p, size);
}
void* memalign(size_t alignment, size_t size) {
    note(Sin::allocation, "memalign");
    return __libc_memalign(alignment, size);
}
void* aligned_alloc(size_t alignment, size_t size) {
    note(Sin::allocation, "aligned_alloc");
    return __libc_memalign(alignment, size);
}
int posix_memalign(void** out, size_t alignment, size_t size) {
    note(Sin::allocation, "posix_memalign");
    void* p = __libc_memalign(alignment, size);
    if (!p) return ENOMEM;
    *out = p;
    return 0;
}
}

static void* newOrThrow(size_t size, size_t alignment, const char* name) {
    note(Sin::allocation, name);
    void* p = alignment ? __libc_memalign(alignment, size ? size : 1) : __libc_malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    return p;
}
static void* newOrNull(size_t size, size_t alignment, const char* name) noexcept {
    note(Sin::allocation, name);
    return alignment ? __libc_memalign(alignment, size ? size : 1) : __libc_malloc(size ? size : 1);
}
static void release(void* p, const char* name) noexcept {
    if (p) note(Sin::release, name);
    __libc_free(p);
}

void* operator new(size_t n) { return newOrThrow(n, 0, "operator new"); }
void* operator new[](size_t n) { return newOrThrow(n, 0, "operator new[]"); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return newOrNull(n, 0, "operator new"); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return newOrNull(n, 0, "operator new[]"); }
void* operator new(size_t n, std::align_val_t a) { return newOrThrow(n, size_t(a), "aligned operator new"); }
void* operator new[](size_t n, std::align_val_t a) { return newOrThrow(n, size_t(a), "aligned operator new[]"); }
void* operator new(size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return newOrNull(n, size_t(a), "aligned operator new");
}
void* operator new[](size_t n, std::align_val_t a, const std::nothrow_t&) noexcept {
    return newOrNull(n, size_t(a), "aligned operator new[]");
}
void operator delete(void* p) noexcept { release(p, "operator delete"); }
void operator delete[](void* p) noexcept { release(p, "operator delete[]"); }
void operator delete(void* p, size_t) noexcept { release(p, "operator delete"); }
void operator delete[](void* p, size_t) noexcept { release(p, "operator delete[]"); }
void operator delete(void* p, std::align_val_t) noexcept { release(p, "aligned operator delete"); }
void operator delete[](void* p, std::align_val_t) noexcept { release(p, "aligned operator delete[]"); }
void operator delete(void* p, size_t, std::align_val_t) noexcept { release(p, "aligned operator delete"); }
void operator delete[](void* p, size_t, std::align_val_t) noexcept { release(p, "aligned operator delete[]"); }
void operator delete(void* p, const std::nothrow_t&) noexcept { release(p, "operator delete"); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { release(p, "operator delete[]"); }

// ---- locks, waits, files, sleeping ------------------------------------------
// Each forwards to the real function, looked up on first use.
#define FORWARD(ret, name, params, args, sin)                             \
    extern "C" ret name params {                                        \
        using Fn = ret(*) params;                                       \
        static Fn real = rtwatch::next<Fn>(#name);                      \
        note(sin, #name);                                               \
        return real args;                                               \
    }

FORWARD(int, pthread_mutex_lock, (pthread_mutex_t * m), (m), Sin::lock)
FORWARD(int, pthread_rwlock_rdlock, (pthread_rwlock_t * l), (l), Sin::lock)
FORWARD(int, pthread_rwlock_wrlock, (pthread_rwlock_t * l), (l), Sin::lock)
FORWARD(int, pthread_spin_lock, (pthread_spinlock_t * l), (l), Sin::lock)
FORWARD(int, pthread_cond_wait, (pthread_cond_t * c, pthread_mutex_t* m), (c, m), Sin::wait)
FORWARD(int, pthread_cond_timedwait, (pthread_cond_t * c, pthread_mutex_t* m, const struct timespec* t), (c, m, t),
        Sin::wait)
FORWARD(int, pthread_join, (pthread_t t, void** r), (t, r), Sin::wait)
FORWARD(int, sem_wait, (sem_t * s), (s), Sin::wait)
FORWARD(int, sem_timedwait, (sem_t * s, const struct timespec* t), (s, t), Sin::wait)
FORWARD(FILE*, fopen, (const char* path, const char* mode), (path, mode), Sin::file)
FORWARD(FILE*, fopen64, (const char* path, const char* mode), (path, mode), Sin::file)
FORWARD(ssize_t, read, (int fd, void* buffer, size_t n), (fd, buffer, n), Sin::file)
FORWARD(ssize_t, write, (int fd, const void* buffer, size_t n), (fd, buffer, n), Sin::file)
FORWARD(int, close, (int fd), (fd), Sin::file)
FORWARD(int, fflush, (FILE * f), (f), Sin::file)
FORWARD(int, nanosleep, (const struct timespec* t, struct timespec* rest), (t, rest), Sin::sleep)
FORWARD(int, usleep, (useconds_t us), (us), Sin::sleep)
FORWARD(unsigned, sleep, (unsigned s), (s), Sin::sleep)

// open and its relatives take a mode only when they create.
#define FORWARD_OPEN(name, params, args)                                \
    extern "C" int name params {                                        \
        using Fn = int (*)(...);                                        \
        static Fn real = rtwatch::next<Fn>(#name);                      \
        note(Sin::file, #name);                                         \
        va_list list;                                                   \
        va_start(list, flags);                                          \
        mode_t mode = (flags & (O_CREAT | O_TMPFILE)) ? va_arg(list, mode_t) : 0; \
        va_end(list);                                                   \
        return real args;                                               \
    }

FORWARD_OPEN(open, (const char* path, int flags, ...), (path, flags, mode))
FORWARD_OPEN(open64, (const char* path, int flags, ...), (path, flags, mode))
FORWARD_OPEN(openat, (int dir, const char* path, int flags, ...), (dir, path, flags, mode))
