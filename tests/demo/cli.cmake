# The demo area's test program writes frames as PNG when a golden frame
# differs, and runs the demo program itself, so it needs both.
find_package(PNG REQUIRED)
target_link_libraries(test_demo PRIVATE PNG::PNG)
add_dependencies(test_demo zapcobbles)
# In a cross build the program is started through its emulator script.
zap_program_command(zapcobbles demo_command)
target_compile_definitions(test_demo PRIVATE ZAP_DEMO_BINARY="${demo_command}")

# The whole demo on the shipped data, headless and silent, faster than real time.
add_test(NAME demo_cli_whole_song COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/demo_cli.sh ${demo_command} ${CMAKE_SOURCE_DIR})
set_tests_properties(demo_cli_whole_song PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 180)

# No sound device: the silent timer runs the music, and a termination signal stops it cleanly.
add_test(NAME demo_cli_stop_without_sound
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/demo_cli.sh ${demo_command} ${CMAKE_SOURCE_DIR} stop_without_sound)
set_tests_properties(demo_cli_stop_without_sound PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 60)
add_test(NAME demo_cli_hangup_without_sound
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/demo_cli.sh ${demo_command} ${CMAKE_SOURCE_DIR} hangup_without_sound)
set_tests_properties(demo_cli_hangup_without_sound PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 60)

# The song-end checks (song_end_test.cpp) render whole songs with zapmod.
if(TARGET zapmod)
  add_dependencies(test_demo zapmod)
  zap_program_command(zapmod zapmod_command)
  target_compile_definitions(test_demo PRIVATE ZAP_ZAPMOD_COMMAND="${zapmod_command}")
endif()
