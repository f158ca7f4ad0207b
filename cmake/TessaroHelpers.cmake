# Small helpers so that every library and test is declared the same way.

function(tessaro_compile_options target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-unused-parameter)
  if(TESSARO_WARNINGS_AS_ERRORS)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  if(TESSARO_SANITIZE)
    target_compile_options(${target} PRIVATE -fsanitize=address,undefined -fno-omit-frame-pointer)
    target_link_options(${target} PRIVATE -fsanitize=address,undefined)
  endif()
endfunction()

# tessaro_library(NAME [STATIC|OBJECT|SHARED] SOURCES ... DEPS ...)
function(tessaro_library name)
  cmake_parse_arguments(ARG "STATIC;OBJECT;SHARED" "" "SOURCES;DEPS;PUBLIC_DEPS" ${ARGN})
  set(kind STATIC)
  if(ARG_OBJECT)
    set(kind OBJECT)
  elseif(ARG_SHARED)
    set(kind SHARED)
  endif()
  add_library(${name} ${kind} ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR})
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} PUBLIC ${ARG_PUBLIC_DEPS})
  tessaro_compile_options(${name})
endfunction()

# tessaro_test(NAME SOURCES ... DEPS ... [LABELS ...] [ENVIRONMENT ...] [INSTALLS_FONTS])
# The test program lands in build/tests; fixtures are found through TESSARO_TEST_DATA. Every test
# links the platform layer, which the shared test helpers (tests/test_support.h) use. A Windows
# test program runs under Wine (the toolchain's emulator) in the prefix of the fixture
# wine_prefix, with the label "wine"; the host paths compiled in name the drive that Wine maps
# the host's root to (TESSARO_HOST_ROOT). ENVIRONMENT comes last: it may replace a variable.
# INSTALLS_FONTS: the program installs fonts for the system or the user (under Wine one such
# program runs at a time).
function(tessaro_test name)
  cmake_parse_arguments(ARG "INSTALLS_FONTS" "" "SOURCES;DEPS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} platform GTest::gtest GTest::gmock
    GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    TESSARO_TEST_DATA="${TESSARO_HOST_ROOT}${CMAKE_SOURCE_DIR}/tests/data"
    TESSARO_BIN_DIR="${TESSARO_HOST_ROOT}${TESSARO_BIN_DIR}"
    TESSARO_HOST_ROOT="${TESSARO_HOST_ROOT}")
  tessaro_compile_options(${name})
  # Programs not yet made to run on Windows are not built there, nor run.
  if(WIN32 AND name IN_LIST TESSARO_WINDOWS_PENDING_TESTS)
    set_target_properties(${name} PROPERTIES EXCLUDE_FROM_ALL ON)
    return()
  endif()
  add_test(NAME ${name} COMMAND ${name})
  # The engine keeps a record of font names in the user's cache folder, the client its log in
  # the user's state folder: each test program has its own, never the real user's.
  set(env "FONTCONFIG_FILE=${CMAKE_BINARY_DIR}/tests/fonts-empty.conf"
    "XDG_CACHE_HOME=${CMAKE_BINARY_DIR}/tests/cache-home/${name}"
    "XDG_STATE_HOME=${CMAKE_BINARY_DIR}/tests/state-home/${name}")
  if(WIN32)
    # Under Wine, in the build's own prefix (its user folders are the test user's).
    list(APPEND env ${TESSARO_WINE_ENVIRONMENT})
    list(APPEND ARG_LABELS wine)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine_prefix)
    # The prefix's font folders and registry are shared: one test program at a time installs.
    if(ARG_INSTALLS_FONTS)
      set_tests_properties(${name} PROPERTIES RESOURCE_LOCK wine_fonts)
    endif()
  endif()
  list(APPEND env ${ARG_ENVIRONMENT})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
  if("engine" IN_LIST ARG_LABELS)
    set_property(GLOBAL APPEND PROPERTY TESSARO_ENGINE_TESTS ${name})
  endif()
endfunction()
