# Third-party pieces: installed by scripts/setup-deps.sh into .deps/ (or found on the system).
set(SCF_DEPS_DIR ${CMAKE_SOURCE_DIR}/.deps)
set(SCF_SETUP_HINT "run ./scripts/setup-deps.sh first")

find_package(Threads REQUIRED)

if(WIN32)
  # Cross-built by setup-deps.sh --windows; named explicitly, since the toolchain only searches
  # the mingw root.
  set(SCF_SETUP_HINT "run ./scripts/setup-deps.sh --windows first")
  set(SDL3_DIR ${SCF_DEPS_DIR}/win64/sdl3/lib/cmake/SDL3)
  set(GTest_DIR ${SCF_DEPS_DIR}/win64/googletest/lib/cmake/GTest)
  find_package(SDL3 CONFIG QUIET NO_CMAKE_FIND_ROOT_PATH)
else()
  find_package(SDL3 CONFIG QUIET PATHS ${SCF_DEPS_DIR}/sdl3 NO_DEFAULT_PATH)
endif()
if(NOT SDL3_FOUND)
  find_package(SDL3 CONFIG QUIET)
endif()
if(NOT SDL3_FOUND)
  message(FATAL_ERROR "SDL 3 is missing: ${SCF_SETUP_HINT}.")
endif()

if(NOT WIN32)
  find_package(CURL QUIET)
  if(NOT CURL_FOUND)
    message(FATAL_ERROR "libcurl's development files are missing: ${SCF_SETUP_HINT}.")
  endif()
endif()

set(SCF_IMGUI_DIR ${SCF_DEPS_DIR}/imgui)
if(NOT EXISTS ${SCF_IMGUI_DIR}/imgui.h OR NOT EXISTS ${SCF_IMGUI_DIR}/backends/imgui_impl_sdl3.cpp)
  message(FATAL_ERROR "Dear ImGui 1.92 is missing: ${SCF_SETUP_HINT}.")
endif()
add_library(scf_imgui STATIC
  ${SCF_IMGUI_DIR}/imgui.cpp ${SCF_IMGUI_DIR}/imgui_draw.cpp ${SCF_IMGUI_DIR}/imgui_tables.cpp
  ${SCF_IMGUI_DIR}/imgui_widgets.cpp
  ${SCF_IMGUI_DIR}/backends/imgui_impl_sdl3.cpp ${SCF_IMGUI_DIR}/backends/imgui_impl_opengl3.cpp)
target_include_directories(scf_imgui SYSTEM PUBLIC ${SCF_IMGUI_DIR} ${SCF_IMGUI_DIR}/backends)
# No settings file and no log file, ever; the demo window is not built.
target_compile_definitions(scf_imgui PUBLIC IMGUI_DISABLE_DEMO_WINDOWS IMGUI_DISABLE_DEBUG_TOOLS)
target_link_libraries(scf_imgui PUBLIC SDL3::SDL3)
set_target_properties(scf_imgui PROPERTIES POSITION_INDEPENDENT_CODE ON)

set(SCF_FONT_FILE ${SCF_DEPS_DIR}/fonts/Exo2-Medium.ttf)
set(SCF_FONT_LICENCE ${SCF_DEPS_DIR}/fonts/LICENSE_FONT)
if(NOT EXISTS ${SCF_FONT_FILE} OR NOT EXISTS ${SCF_FONT_LICENCE})
  message(FATAL_ERROR "The Exo 2 typeface is missing: ${SCF_SETUP_HINT}.")
endif()
