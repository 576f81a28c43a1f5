// Under Wine a crashing test would start the crash debugger and wait; this
// makes an unhandled fault end the test process at once with a message.
#include <windows.h>

#include <cstdio>

namespace {

LONG WINAPI exitOnFault(EXCEPTION_POINTERS* info) {
    std::fprintf(stderr, "unhandled exception 0x%08lx at %p\n",
                 static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
                 info->ExceptionRecord->ExceptionAddress);
    std::fflush(stderr);
    ExitProcess(3);
}

const int installed = (SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX),
                       SetUnhandledExceptionFilter(exitOnFault), 0);

}  // namespace
