# Cross compilation for the 64-bit Windows plug-in and its test executables.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(mingwTriple x86_64-w64-mingw32)
set(mingwWineArch win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingwCommon.cmake)
# x86-64 computes doubles in SSE2 anyway: no flags needed for identical bits.
