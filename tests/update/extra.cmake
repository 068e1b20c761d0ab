# An update from end to end on a copy of the demo release, against the local release host; the
# launcher restarts itself, so the whole test runs under its own X display. Linux only: the
# stand-in installer is run by the release's Python, which a Windows launcher under wine cannot
# start with its output (the Windows HTTP client and update check run in test_update there).
if(NOT WIN32)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  add_test(NAME update_run_py
    COMMAND xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp"
      ${Python3_EXECUTABLE} -B -I -X utf8 -m unittest discover -v -s ${dir} -p update_run_test.py)
  set_tests_properties(update_run_py PROPERTIES
    LABELS "update;python;gui"
    ENVIRONMENT "SCF_DEMO_DIR=${CMAKE_BINARY_DIR}/demo;LIBGL_ALWAYS_SOFTWARE=1"
    TIMEOUT 290)
endif()
