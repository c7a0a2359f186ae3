# What `cmake --install` puts in place, in three components that the Debian
# packages follow:
#   runtime      the C library under its soname and its Python binding;
#   development  the public headers (include/dorvane/...), the static C++
#                libraries, the C library's link name, a CMake package giving
#                Dorvane::core, Dorvane::capi and Dorvane::qt, and a
#                pkg-config file for C;
#   tools        the scenario runner and the demo.
# Only the headers under each library's include/ folder are installed; the
# ones beside the sources are internal.
include(CMakePackageConfigHelpers)

set(DORVANE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Dorvane)

install(TARGETS dorvane_core EXPORT DorvaneTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/core/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
  COMPONENT development)

if(TARGET dorvane)
  # On Windows the DLL is a runtime file and its import library a development one.
  install(TARGETS dorvane EXPORT DorvaneTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT runtime NAMELINK_COMPONENT development
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT runtime
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/capi/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    COMPONENT development)
  install(FILES ${PROJECT_SOURCE_DIR}/capi/python/dorvane.py
    DESTINATION ${CMAKE_INSTALL_DATADIR}/dorvane/python COMPONENT runtime)
endif()

# The scenario library goes along: the Qt view records sessions with it.
install(TARGETS dorvane_script EXPORT DorvaneTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
set_target_properties(dorvane_script PROPERTIES EXPORT_NAME script)

set(DORVANE_PACKAGE_HAS_QT OFF)
if(TARGET dorvane_qt)
  set(DORVANE_PACKAGE_HAS_QT ON)
  install(TARGETS dorvane_qt EXPORT DorvaneTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/qt/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
    COMPONENT development)
endif()

foreach(tool dorvane-run dorvane-demo dorvane-server)
  if(TARGET ${tool})
    install(TARGETS ${tool} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tools)
  endif()
endforeach()

install(EXPORT DorvaneTargets NAMESPACE Dorvane:: DESTINATION ${DORVANE_CMAKE_DIR}
  COMPONENT development)
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/DorvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/DorvaneConfig.cmake INSTALL_DESTINATION ${DORVANE_CMAKE_DIR})
# Before 1.0 a minor version may change the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/DorvaneConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/DorvaneConfig.cmake
  ${PROJECT_BINARY_DIR}/DorvaneConfigVersion.cmake DESTINATION ${DORVANE_CMAKE_DIR}
  COMPONENT development)

if(TARGET dorvane)
  # The pkg-config file finds its prefix from where it lies, so that an
  # install into any prefix (cmake --install --prefix, an unpacked package)
  # works unchanged.
  file(RELATIVE_PATH DORVANE_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
  string(REGEX REPLACE "/$" "" DORVANE_PC_TO_PREFIX "${DORVANE_PC_TO_PREFIX}")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/dorvane.pc.in ${PROJECT_BINARY_DIR}/dorvane.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/dorvane.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
    COMPONENT development)
endif()

include(${CMAKE_CURRENT_LIST_DIR}/DorvanePackaging.cmake)
