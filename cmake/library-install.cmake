# Installs libkestrav as a package for other projects: the static and the
# shared library, the public headers, a CMake package (find_package(kestrav)
# gives kestrav::kestrav, the shared library, and kestrav::kestrav_static)
# and kestrav.pc for pkg-config. Every installed file finds the others
# relative to its own place, so the prefix can be moved after installing.
include(CMakePackageConfigHelpers)

set(kestrav_cmake_dir ${CMAKE_INSTALL_LIBDIR}/cmake/kestrav)
set(kestrav_pkgconfig_dir ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

set_target_properties(kestrav_shared PROPERTIES EXPORT_NAME kestrav)
set_target_properties(kestrav_static PROPERTIES EXPORT_NAME kestrav_static)
install(TARGETS kestrav_shared kestrav_static EXPORT kestravTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# Every header of include/kestrav/ as it is at install time, and the
# generated version.hpp beside them (not its template).
install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/kestrav/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kestrav
  FILES_MATCHING PATTERN "*.hpp" PATTERN "*.h")
install(FILES ${CMAKE_BINARY_DIR}/include/kestrav/version.hpp
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/kestrav)

install(EXPORT kestravTargets NAMESPACE kestrav:: DESTINATION ${kestrav_cmake_dir})
configure_package_config_file(${CMAKE_SOURCE_DIR}/cmake/kestravConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/kestravConfig.cmake
  INSTALL_DESTINATION ${kestrav_cmake_dir})
# A program written against 1.x builds against any later 1.y.
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/kestravConfigVersion.cmake
  VERSION ${PROJECT_VERSION}
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kestravConfig.cmake
  ${CMAKE_CURRENT_BINARY_DIR}/kestravConfigVersion.cmake
  DESTINATION ${kestrav_cmake_dir})

# kestrav.pc names the prefix from its own directory (pcfiledir), "../.."
# for lib/pkgconfig; a directory given as an absolute path stays one.
file(RELATIVE_PATH kestrav_pc_prefix /${kestrav_pkgconfig_dir} /)
string(REGEX REPLACE "/$" "" kestrav_pc_prefix "${kestrav_pc_prefix}")
foreach(kind IN ITEMS LIBDIR INCLUDEDIR)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_${kind}}")
    set(kestrav_pc_${kind} "${CMAKE_INSTALL_${kind}}")
  else()
    set(kestrav_pc_${kind} "\${prefix}/${CMAKE_INSTALL_${kind}}")
  endif()
endforeach()
configure_file(${CMAKE_SOURCE_DIR}/cmake/kestrav.pc.in ${CMAKE_CURRENT_BINARY_DIR}/kestrav.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/kestrav.pc DESTINATION ${kestrav_pkgconfig_dir})
