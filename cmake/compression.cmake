# Result files compressed by their name's suffix: .gz with zlib, .zst with
# libzstd. Each is optional: without its library (AUTO) the build writes no
# such file and refuses the suffix in one line; ON makes its absence an error.
include(CheckCXXSourceCompiles)

# kestrav_compression(NAME VARIABLE PACKAGE LIBRARY HEADER CODE): sets
# KESTRAV_${NAME}_ENABLED and the imported target kestrav::${LIBRARY} when a
# library of the target's architecture links (a cross build may find the
# host's).
function(kestrav_compression name package library header code)
  set(KESTRAV_${name} AUTO CACHE STRING "${name} result files: ON, OFF, or AUTO (when ${package} is found)")
  set_property(CACHE KESTRAV_${name} PROPERTY STRINGS AUTO ON OFF)
  set(enabled OFF)
  if(KESTRAV_${name})
    find_path(KESTRAV_${name}_INCLUDE_DIR ${header})
    find_library(KESTRAV_${name}_LIBRARY ${library})
    if(KESTRAV_${name}_INCLUDE_DIR AND KESTRAV_${name}_LIBRARY)
      set(CMAKE_REQUIRED_INCLUDES ${KESTRAV_${name}_INCLUDE_DIR})
      set(CMAKE_REQUIRED_LIBRARIES ${KESTRAV_${name}_LIBRARY})
      set(CMAKE_REQUIRED_QUIET ON)
      check_cxx_source_compiles("#include <${header}>
        int main() { ${code} }" KESTRAV_${name}_LINKS)
    endif()
    if(KESTRAV_${name}_LINKS)
      set(enabled ON)
      message(STATUS "${name} result files: written (${KESTRAV_${name}_LIBRARY})")
      add_library(kestrav::${library} UNKNOWN IMPORTED)
      set_target_properties(kestrav::${library} PROPERTIES IMPORTED_LOCATION ${KESTRAV_${name}_LIBRARY}
        INTERFACE_INCLUDE_DIRECTORIES ${KESTRAV_${name}_INCLUDE_DIR})
    elseif(NOT KESTRAV_${name} STREQUAL "AUTO")
      message(FATAL_ERROR "KESTRAV_${name} is ${KESTRAV_${name}} but ${library} was not found (Debian: ${package})")
    else()
      message(STATUS "${name} result files: not built, the suffix is refused (Debian: ${package})")
    endif()
  endif()
  set(KESTRAV_${name}_ENABLED ${enabled} PARENT_SCOPE)
endfunction()

kestrav_compression(GZIP zlib1g-dev z zlib.h "return zlibVersion() == nullptr;")
kestrav_compression(ZSTD libzstd-dev zstd zstd.h "return ZSTD_versionNumber() == 0;")
