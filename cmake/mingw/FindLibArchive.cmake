# find_package(LibArchive) for the static libarchive of scripts/windows-deps.sh: CMake's own
# module finds it; this adds what a static libarchive asks of the programs that link it and
# that module does not know. LIBARCHIVE_STATIC, without which archive.h declares every function
# as imported from a DLL; and the libraries libarchive calls: liblzma (xz and 7-Zip data), zlib
# (ZIP deflate) and bcrypt (Windows' CNG, for ZIP encryption and digests).
include(CMakeFindDependencyMacro)
include(${CMAKE_ROOT}/Modules/FindLibArchive.cmake)
if(NOT LibArchive_FOUND)
  return()
endif()
find_dependency(ZLIB)
find_dependency(liblzma CONFIG)

get_target_property(_tessaro_definitions LibArchive::LibArchive INTERFACE_COMPILE_DEFINITIONS)
list(FIND _tessaro_definitions LIBARCHIVE_STATIC _tessaro_index)
if(_tessaro_index EQUAL -1)
  set_property(TARGET LibArchive::LibArchive APPEND PROPERTY
    INTERFACE_COMPILE_DEFINITIONS LIBARCHIVE_STATIC)
  set_property(TARGET LibArchive::LibArchive APPEND PROPERTY
    INTERFACE_LINK_LIBRARIES liblzma::liblzma ZLIB::ZLIB bcrypt)
endif()
unset(_tessaro_definitions)
unset(_tessaro_index)
list(APPEND LibArchive_LIBRARIES liblzma::liblzma ZLIB::ZLIB bcrypt)
