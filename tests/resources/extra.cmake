# The writer of the launcher's Windows icon (tools/windows), run at build time by the Windows
# build, is tested here on every system.
target_sources(test_resources PRIVATE ${CMAKE_SOURCE_DIR}/tools/windows/ico_file.cpp)
target_include_directories(test_resources PRIVATE ${CMAKE_SOURCE_DIR}/tools/windows)
