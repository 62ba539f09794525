# Command-line checks of zapcgm on the golden picture and on files that are
# missing or not pictures (tests/cgm/cli.sh holds the cases).
if(TARGET zapcgm)
  zap_program_command(zapcgm zapcgm_cmd)
  foreach(case dump info render missing notpicture stdout_full usage)
    add_test(NAME zapcgm_${case}
      COMMAND bash ${CMAKE_SOURCE_DIR}/tests/cgm/cli.sh ${zapcgm_cmd} ${CMAKE_SOURCE_DIR}
              ${CMAKE_BINARY_DIR}/zapcgm_cli/${case} ${case})
  endforeach()
endif()
