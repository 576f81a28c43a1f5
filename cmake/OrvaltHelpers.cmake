# Shared build helpers: test registration and the signal-chain arithmetic flags.

# GoogleTest: the system's on the native build, built from the packaged sources
# with the cross compiler on the Windows build.
macro(orvalt_setup_gtest)
  if(ORVALT_WINDOWS)
    set(gtest_disable_pthreads OFF CACHE BOOL "" FORCE)
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    if(NOT TARGET GTest::gtest)
      add_library(GTest::gtest ALIAS gtest)
      add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
  else()
    find_package(GTest REQUIRED)
  endif()
endmacro()

# orvalt_add_gtest(<name> SOURCES <files...> [LIBS <targets...>] [LABELS <labels...>])
# One test executable = one CTest test. Labels used by the test command:
#   threads  - also run under ThreadSanitizer
#   display  - needs an X server (Windows tests under Wine)
#   slow     - skipped in the sanitizer build
function(orvalt_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  # skipReport.cpp: a skip for a missing tool ends the program with 77, reported as skipped.
  add_executable(${name} ${T_SOURCES} ${CMAKE_SOURCE_DIR}/tests/support/skipReport.cpp)
  if(ORVALT_WINDOWS)
    # A crash ends the test at once instead of waiting in Wine's crash debugger.
    target_sources(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests/support/win32CrashExit.cpp)
  endif()
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE ORVALT_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
                             ORVALT_BINARY_DIR="${CMAKE_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  set_tests_properties(${name} PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77)
  if(ORVALT_WINDOWS)
    # Under Wine every test program sees the one account folder of the prefix (a
    # native test gets a folder of its own through XDG_CONFIG_HOME): creating the
    # product reads the defaults file there while other tests write it, so these
    # tests take turns.
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine_settings_folder)
  endif()
  if(T_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${T_LABELS}")
  endif()
endfunction()

# Arithmetic flags of the signal chain: it runs under round-toward-zero and must
# give the same bits on every build.
function(orvalt_chain_flags target)
  target_compile_options(${target} PRIVATE -frounding-math -ffp-contract=off -fno-fast-math)
endfunction()

# orvalt_add_fuzzer(<name> SOURCES <files...> [LIBS <targets...>] [SEEDS <dirs...>])
# A libFuzzer executable plus a CTest test that runs it for ORVALT_FUZZ_SECONDS
# from the seed folders; any crash or sanitizer report fails the test.
set(ORVALT_FUZZ_SECONDS 30 CACHE STRING "Seconds each fuzz target runs in the test command")
function(orvalt_add_fuzzer name)
  cmake_parse_arguments(F "" "" "SOURCES;LIBS;SEEDS" ${ARGN})
  add_executable(${name} ${F_SOURCES})
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_compile_definitions(${name} PRIVATE ORVALT_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  set(corpus ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
  file(MAKE_DIRECTORY ${corpus})
  add_test(NAME ${name}
           COMMAND ${name} -max_total_time=${ORVALT_FUZZ_SECONDS} -rss_limit_mb=2048 -timeout=20
                   -print_final_stats=1 ${corpus} ${F_SEEDS})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600 LABELS fuzz)
endfunction()

# Adds the named subfolders of the current folder, in the order given; a missing one is an error.
function(orvalt_add_folders)
  foreach(folder IN LISTS ARGN)
    if(NOT EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/CMakeLists.txt)
      message(FATAL_ERROR "${CMAKE_CURRENT_SOURCE_DIR}/${folder}: listed for the build but has no CMakeLists.txt")
    endif()
    add_subdirectory(${folder})
  endforeach()
endfunction()
