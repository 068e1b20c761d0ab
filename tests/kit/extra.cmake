# The kit's tests: the demo release test (C++) needs the demo game; the Python tests run the
# disc tools, the build kit, the release assembly and the demo game.
add_dependencies(test_kit scf_demo_game)
target_compile_definitions(test_kit PRIVATE SCF_DEMO_GAME="$<TARGET_FILE:scf_demo_game>")

# The Python tests run on the build machine and start the demo game built here: a cross build's
# game is a Windows program they cannot run, so they stay with the native build.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  foreach(script disc_image disc_check build release game update update_recovery enhance)
    add_test(NAME kit_${script}_py
      COMMAND ${Python3_EXECUTABLE} -B -I -X utf8 -m unittest discover -s ${dir} -p ${script}_test.py -v)
    set_tests_properties(kit_${script}_py PROPERTIES
      LABELS "kit;python"
      ENVIRONMENT "SCF_DEMO_GAME=$<TARGET_FILE:scf_demo_game>;LIBGL_ALWAYS_SOFTWARE=1"
      # A test class skipped as a whole (no display for the game) is reported as skipped.
      SKIP_REGULAR_EXPRESSION "OK \\(skipped=[0-9]+\\)")
  endforeach()
  set_tests_properties(kit_game_py PROPERTIES LABELS "kit;python;gui")
endif()

# The demo game's window plan is tested directly.
target_sources(test_kit PRIVATE ${CMAKE_SOURCE_DIR}/kit/game/window_plan.cpp)
target_include_directories(test_kit PRIVATE ${CMAKE_SOURCE_DIR}/kit/game)
