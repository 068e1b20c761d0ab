# The game-run GUI tests start the real demo game.
if(TARGET test_game_gui)
  add_dependencies(test_game_gui scf_demo_game)
  target_compile_definitions(test_game_gui PRIVATE SCF_DEMO_GAME="$<TARGET_FILE:scf_demo_game>")
endif()
