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

# Release signatures made with the minisign tool, then tampered with, for the signature tests:
# <build>/tests/signature_cases (made on the build machine, so the Windows build has them too).
find_program(SCF_TEST_MINISIGN minisign REQUIRED)
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(SCF_SIGNATURE_CASES ${CMAKE_BINARY_DIR}/tests/signature_cases)
add_custom_command(
  OUTPUT ${SCF_SIGNATURE_CASES}/cases.txt
  COMMAND ${Python3_EXECUTABLE} -B -I ${dir}/make_signature_cases.py
    --minisign ${SCF_TEST_MINISIGN} --out ${SCF_SIGNATURE_CASES}
  DEPENDS ${dir}/make_signature_cases.py
  COMMENT "Signing the release signature test cases with minisign"
  VERBATIM)
add_custom_target(scf_signature_cases DEPENDS ${SCF_SIGNATURE_CASES}/cases.txt)
add_dependencies(test_update scf_signature_cases)
target_compile_definitions(test_update PRIVATE SCF_SIGNATURE_CASES="${SCF_SIGNATURE_CASES}")
