# What only a Windows build needs: every program and the DLL in one folder,
# as Windows finds a DLL beside the program that loads it, and a zip of the
# programs, the library and its header (`cpack -G ZIP` in the build folder).
if(NOT WIN32)
  return()
endif()

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)

# The C and C# examples travel with the library they show.
install(FILES ${PROJECT_SOURCE_DIR}/tests/capi/examples/embed.c
  ${PROJECT_SOURCE_DIR}/examples/csharp/Pos.cs DESTINATION ${CMAKE_INSTALL_DATADIR}/dorvane/examples)

set(CPACK_PACKAGE_NAME dorvane)
set(CPACK_PACKAGE_VENDOR Dorvane)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Fuel-forecourt simulator control: library, runner and site server")
set(CPACK_SYSTEM_NAME win64)
set(CPACK_GENERATOR ZIP)
set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
include(CPack)
