# find_package(Freetype) for the static FreeType of scripts/windows-deps.sh: CMake's own module
# finds it; this adds zlib, which FreeType calls to read gzip-compressed fonts and which a
# static library cannot bring along by itself.
include(CMakeFindDependencyMacro)
include(${CMAKE_ROOT}/Modules/FindFreetype.cmake)
if(NOT Freetype_FOUND)
  return()
endif()
find_dependency(ZLIB)

get_target_property(_tessaro_libraries Freetype::Freetype INTERFACE_LINK_LIBRARIES)
list(FIND _tessaro_libraries ZLIB::ZLIB _tessaro_index)
if(_tessaro_index EQUAL -1)
  set_property(TARGET Freetype::Freetype APPEND PROPERTY INTERFACE_LINK_LIBRARIES ZLIB::ZLIB)
endif()
unset(_tessaro_libraries)
unset(_tessaro_index)
list(APPEND FREETYPE_LIBRARIES ZLIB::ZLIB)
