# Command-line checks of modcompose (cases in modcompose_cli.sh): the shipped
# module regenerates byte for byte from its score, and bad scores, arguments
# and outputs fail as they should.
if(TARGET modcompose)
  zap_program_command(modcompose modcompose_cmd)
  set(song_cli_cases regenerates bad_scores usage missing_score unwritable)
  foreach(c ${song_cli_cases})
    add_test(NAME song_cli_${c}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/modcompose_cli.sh ${modcompose_cmd} ${CMAKE_SOURCE_DIR} ${c})
  endforeach()
endif()
