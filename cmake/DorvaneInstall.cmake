# What `cmake --install` puts in place: the core's headers and library, the C
# library and its header, the Qt view when it is built, a CMake package giving
# Dorvane::core, Dorvane::capi and Dorvane::qt, and a pkg-config file for C.
include(CMakePackageConfigHelpers)

set(DORVANE_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Dorvane)

install(TARGETS dorvane_core EXPORT DorvaneTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/core/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/dorvane
  FILES_MATCHING PATTERN "*.h")

# The scenario library goes along: the Qt view records sessions with it.
install(TARGETS dorvane_script EXPORT DorvaneTargets
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
set_target_properties(dorvane_script PROPERTIES EXPORT_NAME script)

set(DORVANE_PACKAGE_HAS_QT OFF)
if(DORVANE_QT AND TARGET dorvane_qt)
  set(DORVANE_PACKAGE_HAS_QT ON)
  target_include_directories(dorvane_qt PUBLIC
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/dorvane/qt>)
  install(TARGETS dorvane_qt EXPORT DorvaneTargets
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/qt/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/dorvane/qt
    FILES_MATCHING PATTERN "*.h")
endif()

install(EXPORT DorvaneTargets NAMESPACE Dorvane:: DESTINATION ${DORVANE_CMAKE_DIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/DorvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/DorvaneConfig.cmake INSTALL_DESTINATION ${DORVANE_CMAKE_DIR})
# Before 1.0 a minor version may change the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/DorvaneConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/DorvaneConfig.cmake
  ${PROJECT_BINARY_DIR}/DorvaneConfigVersion.cmake DESTINATION ${DORVANE_CMAKE_DIR})

if(TARGET dorvane)
  # The pkg-config file finds its prefix from where it lies, so that an
  # install into any prefix (cmake --install --prefix) works unchanged.
  file(RELATIVE_PATH DORVANE_PC_TO_PREFIX /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
  string(REGEX REPLACE "/$" "" DORVANE_PC_TO_PREFIX "${DORVANE_PC_TO_PREFIX}")
  configure_file(${CMAKE_CURRENT_LIST_DIR}/dorvane.pc.in ${PROJECT_BINARY_DIR}/dorvane.pc @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/dorvane.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()
