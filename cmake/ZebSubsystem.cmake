# zeb_add_subsystem(name DEPENDS ...)
# One static library per subsystem folder, from every .cpp in it but main.cpp,
# linking the libraries below it that it uses (DEPENDS), never one above.
function(zeb_add_subsystem name)
  cmake_parse_arguments(ARG "" "" "DEPENDS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(sources)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC platform ${ARG_DEPENDS})
  else()
    # A subsystem whose sources have not been written yet.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE platform)
  endif()
endfunction()
