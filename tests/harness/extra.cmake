# The play and crash steps start the stand-in game of the game-run tests.
add_dependencies(test_harness stand_in_game)
target_compile_definitions(test_harness PRIVATE SCF_STAND_IN_GAME="$<TARGET_FILE:stand_in_game>")

# The self-test and the self-check run for real on the demo release (made by scf_demo_release in
# <build>/demo): Python scripts that start the launcher and check its log, pictures and output.
# The GUI runs start their own Xvfb when there is no display. They drive the Linux launcher; the
# Windows build has its own runs under wine (tests/wine).
if(WIN32)
  return()
endif()
find_package(Python3 REQUIRED COMPONENTS Interpreter)
function(scf_harness_run test_name script filter labels)
  add_test(NAME ${test_name}
    COMMAND ${Python3_EXECUTABLE} -B -I -X utf8 -m unittest discover -v -s ${dir}
      -p ${script}.py -k ${filter})
  set_tests_properties(${test_name} PROPERTIES
    LABELS "${labels}"
    ENVIRONMENT "SCF_DEMO_DIR=${CMAKE_BINARY_DIR}/demo;LIBGL_ALWAYS_SOFTWARE=1"
    TIMEOUT 290)
endfunction()
scf_harness_run(harness_self_check_py self_check_run_test SelfCheckRunTest "harness;python")
scf_harness_run(harness_selftest_full_py selftest_run_test FullScenarioTest "harness;python;gui")
# The same run drawn natively on Wayland, on a headless Weston the test starts itself.
scf_harness_run(harness_selftest_wayland_py selftest_run_test FullScenarioOnWaylandTest
  "harness;python;gui")
scf_harness_run(harness_selftest_wayland_scale_py selftest_run_test ScaledWaylandTest
  "harness;python;gui")
scf_harness_run(harness_selftest_gamepad_py selftest_run_test GamepadScenarioTest
  "harness;python;gui")
scf_harness_run(harness_selftest_keyboard_py selftest_run_test KeyboardScenarioTest
  "harness;python;gui")
scf_harness_run(harness_selftest_error_demo_py selftest_run_test ErrorDemoTest "harness;python;gui")
scf_harness_run(harness_selftest_screens_py selftest_run_test ScreensAndTextureTest
  "harness;python;gui")
scf_harness_run(harness_session_end_py session_end_run_test SessionEndTest "harness;python;gui")
