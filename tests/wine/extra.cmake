# The Windows launcher run for real under wine on the Windows test release (<build>/demo, with
# the stand-in python.exe): text mode, the full self-test, the build failure demo, the enhanced
# textures, and the kit's process tree ended with the launcher. Only in a Windows cross build; wine needs an X display (scripts/wine-tests.sh
# gives one, with a persistent wine server).
if(WIN32 AND CMAKE_CROSSCOMPILING)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  foreach(case TextModeTest SelftestTest ErrorDemoTest TextureTest KillOnCloseTest)
    add_test(NAME wine_launcher_${case}
      COMMAND ${Python3_EXECUTABLE} -B -I -X utf8 -m unittest discover -v -s ${dir}
        -p launcher_wine_test.py -k ${case})
    set_tests_properties(wine_launcher_${case} PROPERTIES
      LABELS "wine;python;gui"
      ENVIRONMENT "SCF_DEMO_DIR=${CMAKE_BINARY_DIR}/demo;LIBGL_ALWAYS_SOFTWARE=1;WINEDEBUG=-all"
      TIMEOUT 400)
  endforeach()
endif()
