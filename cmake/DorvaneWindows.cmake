# What only a Windows build needs: every program and the DLL in one folder,
# as Windows finds a DLL beside the program that loads it, and a zip of the
# programs, the library and its header (`cpack -G ZIP` in the build folder).
if(NOT WIN32)
  return()
endif()

set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
# <windows.h> without its drawing part, whose macros (ERROR among them) would
# replace names of the control wherever both are seen.
add_compile_definitions(NOGDI)

# The HTTP side (the site server, dorvane-run --site) uses nlohmann-json and
# cpp-httplib. nlohmann-json is headers only and serves any target; cpp-httplib
# is packaged by Debian as a library built for Linux, so a Windows build takes
# the library's single-header form from Debian's source package of it
# (scripts/test-windows.sh fetches it) and passes its folder in
# DORVANE_HTTPLIB_DIR. Both are offered to the build from a small root of our
# own, so the folders that use them find them as they do on Linux: through
# find_package and through a pkg-config file.
set(DORVANE_HTTPLIB_DIR "" CACHE PATH "folder of cpp-httplib's single-header httplib.h")
set(target_root ${PROJECT_BINARY_DIR}/target-root)
file(MAKE_DIRECTORY ${target_root}/usr/include ${target_root}/usr/share/cmake
     ${target_root}/usr/lib/pkgconfig)
if(EXISTS /usr/share/cmake/nlohmann_json AND NOT EXISTS ${target_root}/usr/include/nlohmann)
  file(CREATE_LINK /usr/include/nlohmann ${target_root}/usr/include/nlohmann SYMBOLIC)
  file(CREATE_LINK /usr/share/cmake/nlohmann_json ${target_root}/usr/share/cmake/nlohmann_json
       SYMBOLIC)
endif()
if(DORVANE_HTTPLIB_DIR)
  if(NOT EXISTS ${DORVANE_HTTPLIB_DIR}/httplib.h)
    message(FATAL_ERROR "DORVANE_HTTPLIB_DIR=${DORVANE_HTTPLIB_DIR} holds no httplib.h")
  endif()
  # The single header carries the whole library; Windows sockets are ws2_32.
  file(WRITE ${target_root}/usr/lib/pkgconfig/cpp-httplib.pc
       "Name: cpp-httplib\nDescription: cpp-httplib, single header\nVersion: 0.11\n"
       "Cflags: -I${DORVANE_HTTPLIB_DIR}\nLibs: -lws2_32\n")
elseif(EXISTS ${PROJECT_SOURCE_DIR}/server/CMakeLists.txt)
  message(FATAL_ERROR "The Windows build of the site server and of dorvane-run --site needs "
    "cpp-httplib's single-header form: pass -DDORVANE_HTTPLIB_DIR=<folder of httplib.h>, "
    "as scripts/test-windows.sh does with Debian's source package of cpp-httplib.")
endif()
list(APPEND CMAKE_FIND_ROOT_PATH ${target_root})
set(ENV{PKG_CONFIG_LIBDIR} ${target_root}/usr/lib/pkgconfig)

# The C and C# examples travel with the library they show.
install(FILES ${PROJECT_SOURCE_DIR}/tests/capi/examples/embed.c
  ${PROJECT_SOURCE_DIR}/examples/csharp/Pos.cs DESTINATION ${CMAKE_INSTALL_DATADIR}/dorvane/examples
  COMPONENT development)

# The zip. Where the project's own packaging is present it includes CPack
# itself (with these settings); otherwise this does.
set(CPACK_GENERATOR ZIP)
set(CPACK_SYSTEM_NAME win64)
if(NOT EXISTS ${CMAKE_CURRENT_LIST_DIR}/DorvanePackaging.cmake)
  set(CPACK_PACKAGE_NAME dorvane)
  set(CPACK_PACKAGE_VENDOR Dorvane)
  set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Fuel-forecourt simulator control: library, runner and site server")
  set(CPACK_RESOURCE_FILE_README ${PROJECT_SOURCE_DIR}/README.md)
  include(CPack)
endif()
