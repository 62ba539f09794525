# Command-line checks of `zapmod info` and `zapmod trace` (tests/player/cli_test.sh):
# well-formed modules, and clear errors with exit status 1 on missing, empty,
# truncated and non-module files.
if(TARGET zapmod)
  zap_program_command(zapmod zapmod_cmd)
  foreach(case info_small info_real trace_small trace_real missing empty truncated not_module stdout_full bad_args render_no_end)
    add_test(NAME zapmod_cli_${case}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/cli_test.sh ${zapmod_cmd}
              ${CMAKE_CURRENT_BINARY_DIR}/zapmod_cli ${ZAP_MODULE_DIR} ${case})
  endforeach()
endif()
