# Cross-compiling for Windows with Debian's mingw-w64 (posix thread model), shared by
# mingw-x86_64.cmake and mingw-i686.cmake, which set TESSARO_MINGW_ARCH before including it.
#
# Libraries and headers come from two roots, searched in this order: the prefix of static
# libraries that scripts/windows-deps.sh builds (TESSARO_WINDOWS_DEPS, given as a cache variable
# or as an environment variable), then the toolchain's own root /usr/<triple>, which holds the
# Windows import libraries and Debian's static zlib. Host programs (pkg-config, perl) are never
# looked for in those roots. Everything links with -static, so the programs and the engine DLL
# import only Windows' own DLLs: no libstdc++, libgcc or winpthread DLL to ship beside them.
#
# Users of the static libraries see them as plain find_package() results: the find modules in
# cmake/mingw/ add what the static builds need from their users (definitions, the libraries
# they call).

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${TESSARO_MINGW_ARCH})
set(TESSARO_MINGW_TRIPLE ${TESSARO_MINGW_ARCH}-w64-mingw32)

# The -posix compilers give std::thread, std::mutex and std::jthread (through winpthreads).
set(CMAKE_C_COMPILER ${TESSARO_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TESSARO_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TESSARO_MINGW_TRIPLE}-windres)

# The dependency prefix. CMake reads this file again for every try_compile project, where only
# the environment carries the value over: keep it there too.
set(_tessaro_deps "${TESSARO_WINDOWS_DEPS}")
if(NOT _tessaro_deps)
  set(_tessaro_deps "$ENV{TESSARO_WINDOWS_DEPS}")
endif()
if(NOT _tessaro_deps OR NOT IS_DIRECTORY "${_tessaro_deps}")
  message(FATAL_ERROR "TESSARO_WINDOWS_DEPS must name the prefix built by "
    "scripts/windows-deps.sh ${TESSARO_MINGW_ARCH} (got \"${_tessaro_deps}\"); for example "
    "-DTESSARO_WINDOWS_DEPS=$(scripts/windows-deps.sh ${TESSARO_MINGW_ARCH})")
endif()
set(TESSARO_WINDOWS_DEPS "${_tessaro_deps}" CACHE PATH
  "Prefix of the static Windows libraries built by scripts/windows-deps.sh")
set(ENV{TESSARO_WINDOWS_DEPS} "${_tessaro_deps}")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TESSARO_WINDOWS_DEPS)
unset(_tessaro_deps)

set(CMAKE_FIND_ROOT_PATH "${TESSARO_WINDOWS_DEPS}" /usr/${TESSARO_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config sees only the prefix's .pc files, never the host's.
set(ENV{PKG_CONFIG_LIBDIR} "${TESSARO_WINDOWS_DEPS}/lib/pkgconfig")
unset(ENV{PKG_CONFIG_PATH})
unset(ENV{PKG_CONFIG_SYSROOT_DIR})

# /usr/<triple>/lib holds both libz.a and the import library libz.dll.a: take the static one.
set(ZLIB_USE_STATIC_LIBS ON)

set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -static)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -static)

# (No if(IN_LIST) here: this file also runs under the old policies of the libraries' builds.)
list(FIND CMAKE_MODULE_PATH "${CMAKE_CURRENT_LIST_DIR}/mingw" _tessaro_index)
if(_tessaro_index EQUAL -1)
  list(PREPEND CMAKE_MODULE_PATH "${CMAKE_CURRENT_LIST_DIR}/mingw")
endif()
unset(_tessaro_index)
