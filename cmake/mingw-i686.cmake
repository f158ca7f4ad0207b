# Toolchain for 32-bit Windows (i686-w64-mingw32); see mingw-common.cmake. Its programs are
# linked only: Wine on these machines has no 32-bit loader, so there is no emulator to run
# them (and nothing that needs to run them at build time, such as test discovery, can work).
set(TESSARO_MINGW_ARCH i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
