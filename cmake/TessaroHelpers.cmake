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

# tessaro_test(NAME SOURCES ... DEPS ... [LABELS ...] [ENVIRONMENT ...])
# The test program lands in build/tests; fixtures are found through TESSARO_TEST_DATA. Every test
# links the platform layer, which the shared test helpers (tests/test_support.h) use.
function(tessaro_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} platform GTest::gtest GTest::gmock
    GTest::gtest_main)
  target_compile_definitions(${name} PRIVATE
    TESSARO_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
    TESSARO_BIN_DIR="${TESSARO_BIN_DIR}")
  tessaro_compile_options(${name})
  add_test(NAME ${name} COMMAND ${name})
  # The engine keeps a record of font names in the user's cache folder, the client its log in
  # the user's state folder: each test program has its own, never the real user's.
  set(env "FONTCONFIG_FILE=${CMAKE_BINARY_DIR}/tests/fonts-empty.conf"
    "XDG_CACHE_HOME=${CMAKE_BINARY_DIR}/tests/cache-home/${name}"
    "XDG_STATE_HOME=${CMAKE_BINARY_DIR}/tests/state-home/${name}" ${ARG_ENVIRONMENT})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "${env}" TIMEOUT 600)
  if(ARG_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${ARG_LABELS}")
  endif()
  if("engine" IN_LIST ARG_LABELS)
    set_property(GLOBAL APPEND PROPERTY TESSARO_ENGINE_TESTS ${name})
  endif()
endfunction()
