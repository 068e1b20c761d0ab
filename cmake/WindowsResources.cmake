# The launcher's Windows resources (SCF_WINDOWS_RESOURCE, compiled into scf-launcher): its
# manifest, its version record and its icon. The icon is drawn in code (windowIconPixels), so
# the .ico is written at build time by a small program run on the build machine: a cross build
# compiles it with the build machine's own C++ compiler.
if(NOT WIN32)
  return()
endif()

set(SCF_MANIFEST_FILE ${CMAKE_SOURCE_DIR}/resources/windows/scf-launcher.manifest)
set(SCF_ICON_FILE ${SCF_GENERATED_DIR}/scf-launcher.ico)
set(SCF_ICON_SOURCES
  ${CMAKE_SOURCE_DIR}/tools/windows/make_icon.cpp
  ${CMAKE_SOURCE_DIR}/tools/windows/ico_file.cpp
  ${CMAKE_SOURCE_DIR}/src/platform/icon_image.cpp)

if(CMAKE_CROSSCOMPILING)
  find_program(SCF_HOST_CXX NAMES c++ g++ clang++ REQUIRED
    DOC "the build machine's C++ compiler, for the icon writer")
  set(SCF_MAKE_ICON ${CMAKE_BINARY_DIR}/host/make_icon)
  add_custom_command(
    OUTPUT ${SCF_MAKE_ICON}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/host
    COMMAND ${SCF_HOST_CXX} -std=c++20 -O2 -I${CMAKE_SOURCE_DIR}/src
      -I${CMAKE_SOURCE_DIR}/tools/windows ${SCF_ICON_SOURCES} -o ${SCF_MAKE_ICON}
    DEPENDS ${SCF_ICON_SOURCES} ${CMAKE_SOURCE_DIR}/tools/windows/ico_file.h
      ${CMAKE_SOURCE_DIR}/src/platform/icon.h
    COMMENT "Building the icon writer for the build machine"
    VERBATIM)
  set(SCF_MAKE_ICON_COMMAND ${SCF_MAKE_ICON})
  set(SCF_MAKE_ICON_DEPENDS ${SCF_MAKE_ICON})
else()
  add_executable(scf_make_icon ${SCF_ICON_SOURCES})
  target_include_directories(scf_make_icon PRIVATE ${CMAKE_SOURCE_DIR}/src
    ${CMAKE_SOURCE_DIR}/tools/windows)
  set(SCF_MAKE_ICON_COMMAND $<TARGET_FILE:scf_make_icon>)
  set(SCF_MAKE_ICON_DEPENDS scf_make_icon)
endif()

add_custom_command(
  OUTPUT ${SCF_ICON_FILE}
  COMMAND ${SCF_MAKE_ICON_COMMAND} ${SCF_ICON_FILE}
  DEPENDS ${SCF_MAKE_ICON_DEPENDS}
  COMMENT "Writing the launcher's icon as scf-launcher.ico"
  VERBATIM)

set(SCF_WINDOWS_RC ${SCF_GENERATED_DIR}/scf-launcher.rc)
configure_file(${CMAKE_SOURCE_DIR}/resources/windows/scf-launcher.rc.in ${SCF_WINDOWS_RC} @ONLY)
set_property(SOURCE ${SCF_WINDOWS_RC} APPEND PROPERTY OBJECT_DEPENDS
  ${SCF_ICON_FILE} ${SCF_MANIFEST_FILE})
# The .ico is listed too, so the command that writes it belongs to the launcher's target.
set(SCF_WINDOWS_RESOURCE ${SCF_WINDOWS_RC} ${SCF_ICON_FILE})
