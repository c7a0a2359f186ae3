# The browser pages: served by dorvane-server from its web folder, which lies
# beside the program in the build tree and under the package's share folder
# when installed.
target_sources(dorvane_server PRIVATE ${CMAKE_CURRENT_LIST_DIR}/static_files.cpp
                                      ${CMAKE_CURRENT_LIST_DIR}/static_files.h)
file(RELATIVE_PATH web_from_program ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}
     ${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/dorvane/web)
target_compile_definitions(dorvane_server PRIVATE DORVANE_WEB_FROM_PROGRAM="${web_from_program}")
file(GLOB web_files CONFIGURE_DEPENDS ${CMAKE_CURRENT_LIST_DIR}/web/*)
# Beside the program: where the build puts programs, if it gathers them.
set(web_copy_dir ${CMAKE_CURRENT_BINARY_DIR}/web)
if(CMAKE_RUNTIME_OUTPUT_DIRECTORY)
  set(web_copy_dir ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/web)
endif()
set(web_copies)
foreach(file ${web_files})
  get_filename_component(name ${file} NAME)
  add_custom_command(OUTPUT ${web_copy_dir}/${name}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${file} ${web_copy_dir}/${name}
    DEPENDS ${file})
  list(APPEND web_copies ${web_copy_dir}/${name})
endforeach()
add_custom_target(dorvane_server_web ALL DEPENDS ${web_copies})
add_dependencies(dorvane-server dorvane_server_web)
install(FILES ${web_files} DESTINATION ${CMAKE_INSTALL_DATADIR}/dorvane/web)
