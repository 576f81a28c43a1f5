# Cross compilation for the 32-bit Windows plug-in and its test executables.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(mingwTriple i686-w64-mingw32)
set(mingwWineArch win32)
include(${CMAKE_CURRENT_LIST_DIR}/mingwCommon.cmake)
# Doubles in SSE2, never in the x87 unit's extended precision.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
