# Command-line checks of `zapmod render` and `zapmod play` (cases in zapmod_cli.sh).
if(TARGET zapmod)
  zap_program_command(zapmod zapmod_cmd)
  set(music_cli_cases
    wav44100 wav22050 default_length missing empty truncated not_module unwritable partial_removed
    device_out bad_rate play_seconds play_missing exact_size volume_hz level_report stereo timing loop help
    play_quiet)
  foreach(c ${music_cli_cases})
    add_test(NAME music_cli_${c}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/zapmod_cli.sh ${zapmod_cmd} ${ZAP_MODULE_DIR} ${c})
    set_tests_properties(music_cli_${c} PROPERTIES
      SKIP_RETURN_CODE 77
      ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy")
  endforeach()
endif()
