# Toolchain for 64-bit Windows (x86_64-w64-mingw32); see mingw-common.cmake. Programs built
# with it run on this machine through Wine, which is how the tests run.
set(TESSARO_MINGW_ARCH x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Debian's wine64 package installs its loader here and no /usr/bin/wine64.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64 CACHE FILEPATH
  "Runs the Windows programs built here")
