# Binary packages made by CPack from the install components:
#   cpack -G DEB  one Debian package per component: libdorvane<soname>
#                 (runtime), libdorvane-dev (development), dorvane-tools
#                 (tools);
#   cpack -G ZIP  one archive holding all three, for systems without a
#                 package manager.
# Run from the build folder, or with --config <build>/CPackConfig.cmake.
set(CPACK_PACKAGE_NAME dorvane)
set(CPACK_PACKAGE_VENDOR "Dorvane")
set(CPACK_PACKAGE_CONTACT "Dorvane developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Fuel-forecourt simulator control")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
set(CPACK_PACKAGE_INSTALL_DIRECTORY dorvane)
set(CPACK_PACKAGE_FILE_NAME dorvane-${PROJECT_VERSION}-${CMAKE_SYSTEM_NAME})
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL runtime development tools)
if(NOT CPACK_GENERATOR)
  set(CPACK_GENERATOR DEB)
endif()

# The runtime package is named after the C library's soname, as Debian names
# shared libraries, so that two interface revisions can be installed side by
# side; the development files belong to exactly this version of it.
set(dorvane_runtime_package libdorvane${DORVANE_ABI_VERSION})
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME ${dorvane_runtime_package})
set(CPACK_DEBIAN_RUNTIME_PACKAGE_SECTION libs)

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME libdorvane-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(dorvane_dev_depends "${dorvane_runtime_package} (= ${PROJECT_VERSION})")
if(DORVANE_PACKAGE_HAS_QT)
  # Dorvane::qt is a static library: its users build against Qt themselves.
  string(APPEND dorvane_dev_depends ", qt6-base-dev")
endif()
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS ${dorvane_dev_depends})

set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME dorvane-tools)

include(CPack)

cpack_add_component(runtime DISPLAY_NAME "Runtime library"
  DESCRIPTION "The C library libdorvane and its Python binding")
cpack_add_component(development DISPLAY_NAME "Development files"
  DESCRIPTION "Headers, static C++ libraries, CMake package and pkg-config file"
  DEPENDS runtime)
cpack_add_component(tools DISPLAY_NAME "Tools"
  DESCRIPTION "dorvane-run, the scenario runner, and dorvane-demo")
