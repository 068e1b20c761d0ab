# The panel's tests draw it without a window and read back what it shows, with the GUI tests'
# headless host; the run tests assemble a release with tools/make_release.py.
target_sources(test_enhance PRIVATE ${CMAKE_SOURCE_DIR}/tests/ui/headless_gui.cpp
  ${CMAKE_SOURCE_DIR}/tests/ui/drawn_text.cpp)
target_include_directories(test_enhance PRIVATE ${CMAKE_SOURCE_DIR}/tests/ui)
