# Helpers of the child-process tests: a child program that behaves the same on every system,
# a program that stands in for the launcher so the tests can kill it, and on Linux a tree
# script and a deep chain of sessions.
add_executable(process_helper ${dir}/helpers/process_helper.cpp)
target_link_libraries(process_helper PRIVATE scf_core)
add_executable(process_launcher_death_helper ${dir}/helpers/process_launcher_death.cpp)
target_link_libraries(process_launcher_death_helper PRIVATE scf_core)
add_dependencies(test_platform process_helper process_launcher_death_helper)
target_compile_definitions(test_platform PRIVATE
  SCF_PROCESS_HELPER="$<TARGET_FILE:process_helper>"
  SCF_LAUNCHER_DEATH_HELPER="$<TARGET_FILE:process_launcher_death_helper>")
if(NOT WIN32)
  # The chain forks hundreds of times; a sanitizer's runtime in each link would only slow it.
  add_executable(process_chain_helper ${dir}/helpers/process_chain.cpp)
  target_compile_options(process_chain_helper PRIVATE -fno-sanitize=all)
  target_link_options(process_chain_helper PRIVATE -fno-sanitize=all)
  add_dependencies(test_platform process_chain_helper)
  target_compile_definitions(test_platform PRIVATE
    SCF_PROCESS_CHAIN_HELPER="$<TARGET_FILE:process_chain_helper>"
    SCF_PROCESS_TREE_SCRIPT="${dir}/helpers/process_tree.sh")
endif()
