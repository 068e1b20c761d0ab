# The game-run GUI tests start the real demo game.
if(TARGET test_game_gui)
  add_dependencies(test_game_gui scf_demo_game)
  target_compile_definitions(test_game_gui PRIVATE SCF_DEMO_GAME="$<TARGET_FILE:scf_demo_game>")
endif()
# A small program that stands in for the built game in the game-run tests (and the self-test's
# play and crash steps), the same on every system.
add_executable(stand_in_game ${dir}/helpers/stand_in_game.cpp)
target_link_libraries(stand_in_game PRIVATE scf_core)
add_dependencies(test_game stand_in_game)
target_compile_definitions(test_game PRIVATE SCF_STAND_IN_GAME="$<TARGET_FILE:stand_in_game>")
