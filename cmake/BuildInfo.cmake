# Build constants: the source commit (40 hex digits, fixed at build time) and the resources
# carried inside the executable.
set(SCF_GENERATED_DIR ${CMAKE_BINARY_DIR}/generated)
file(MAKE_DIRECTORY ${SCF_GENERATED_DIR})

find_package(Git QUIET)
set(SCF_SOURCE_COMMIT "")
if(GIT_FOUND AND EXISTS ${CMAKE_SOURCE_DIR}/.git)
  execute_process(COMMAND ${GIT_EXECUTABLE} rev-parse HEAD WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}
    OUTPUT_VARIABLE SCF_SOURCE_COMMIT OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  # A new commit re-runs the configure step, so the constant always names HEAD.
  foreach(f HEAD packed-refs refs/heads/main refs/heads/master)
    if(EXISTS ${CMAKE_SOURCE_DIR}/.git/${f})
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/.git/${f})
    endif()
  endforeach()
endif()
if(NOT SCF_SOURCE_COMMIT MATCHES "^[0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f][0-9a-f]$")
  set(SCF_SOURCE_COMMIT "0000000000000000000000000000000000000000")
endif()
# The launcher's own version: the project's, unless a build of another release sets it.
set(SCF_LAUNCHER_VERSION "${PROJECT_VERSION}" CACHE STRING "The version the launcher reports")
if(NOT SCF_LAUNCHER_VERSION MATCHES "^[0-9A-Za-z][0-9A-Za-z.+_-]*$")
  message(FATAL_ERROR "SCF_LAUNCHER_VERSION: \"${SCF_LAUNCHER_VERSION}\" is not a version.")
endif()
set(SCF_VERSION "${SCF_LAUNCHER_VERSION}")
set(SCF_BUILD_INFO_SOURCE ${SCF_GENERATED_DIR}/build_info.cpp)
configure_file(${CMAKE_SOURCE_DIR}/cmake/build_info.cpp.in ${SCF_BUILD_INFO_SOURCE} @ONLY)

set(SCF_RESOURCE_SOURCES ${SCF_GENERATED_DIR}/embedded_resources.S)
configure_file(${CMAKE_SOURCE_DIR}/resources/embedded_resources.S.in ${SCF_RESOURCE_SOURCES} @ONLY)
set_property(SOURCE ${SCF_RESOURCE_SOURCES} APPEND PROPERTY OBJECT_DEPENDS ${SCF_FONT_FILE} ${SCF_FONT_LICENCE})
