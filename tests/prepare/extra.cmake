# The build tests run the demo kit on a demo release, which carries the demo game; a small
# program stands in for the launcher so a test can kill it with SIGKILL during a build.
add_dependencies(test_prepare scf_demo_game)
add_executable(prepare_build_launcher_helper ${dir}/helpers/build_launcher.cpp)
target_link_libraries(prepare_build_launcher_helper PRIVATE scf_core)
add_dependencies(test_prepare prepare_build_launcher_helper)
target_compile_definitions(test_prepare PRIVATE
  SCF_DEMO_GAME="$<TARGET_FILE:scf_demo_game>"
  SCF_BUILD_LAUNCHER_HELPER="$<TARGET_FILE:prepare_build_launcher_helper>")
