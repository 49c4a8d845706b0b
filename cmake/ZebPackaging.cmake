# The release archive of this build (make dist): zeb_c, a README and the
# example in one top folder; on POSIX also the toolchain stand-in as
# mingw/bin/gcc. Windows: a zip with a README and register-zebc.cmd (running
# scripts by name) in Windows line ends.
if(WIN32)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(ZEB_DIST_HOST windows-x86)
  else()
    set(ZEB_DIST_HOST windows-x64)
  endif()
  set(CPACK_GENERATOR ZIP)
  set(readme_template ${PROJECT_SOURCE_DIR}/packaging/README-windows.txt)
else()
  string(TOLOWER "${CMAKE_SYSTEM_NAME}-${CMAKE_SYSTEM_PROCESSOR}" ZEB_DIST_HOST)
  set(CPACK_GENERATOR TGZ)
  set(readme_template ${PROJECT_SOURCE_DIR}/packaging/README-linux.txt)
endif()

configure_file(${readme_template} ${CMAKE_BINARY_DIR}/packaging/README.txt @ONLY)
if(WIN32)
  # cmd reads a batch file with LF line ends wrongly (labels and gotos
  # misfire), and Notepad of old shows such a README as one line.
  set(register_script ${PROJECT_SOURCE_DIR}/packaging/register-zebc.cmd)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${register_script})
  foreach(text IN ITEMS ${CMAKE_BINARY_DIR}/packaging/README.txt ${register_script})
    file(READ ${text} content)
    string(REPLACE "\r\n" "\n" content "${content}")
    string(REPLACE "\n" "\r\n" content "${content}")
    get_filename_component(name ${text} NAME)
    file(WRITE ${CMAKE_BINARY_DIR}/packaging/${name} "${content}")
  endforeach()
endif()

install(TARGETS zeb_c RUNTIME DESTINATION . COMPONENT zeb_c)
if(TARGET gcc_standin AND NOT WIN32)
  install(TARGETS gcc_standin RUNTIME DESTINATION mingw/bin COMPONENT zeb_c)
endif()
install(FILES ${CMAKE_BINARY_DIR}/packaging/README.txt DESTINATION . COMPONENT zeb_c)
if(WIN32)
  install(PROGRAMS ${CMAKE_BINARY_DIR}/packaging/register-zebc.cmd DESTINATION . COMPONENT zeb_c)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/examples/hello.zebc DESTINATION . RENAME example.zebc
        COMPONENT zeb_c)

set(CPACK_PACKAGE_NAME zeb_c)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME zeb_c-${PROJECT_VERSION}-${ZEB_DIST_HOST})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/dist)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
# Only zeb_c's own files: nothing that a dependency's install rules add.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};zeb_c;zeb_c;/")
include(CPack)
