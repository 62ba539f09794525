# Command-line checks of fontgen (tests/content/fontgen_cli.sh holds the
# cases): the shipped font image regenerates byte for byte, the preview sheet
# is written, and bad input fails with a message.
if(TARGET fontgen)
  zap_program_command(fontgen fontgen_cmd)
  foreach(case regenerate sheet errors)
    add_test(NAME fontgen_${case}
      COMMAND bash ${CMAKE_SOURCE_DIR}/tests/content/fontgen_cli.sh ${fontgen_cmd} ${CMAKE_SOURCE_DIR}
              ${CMAKE_BINARY_DIR}/fontgen_cli/${case} ${case})
  endforeach()
endif()
