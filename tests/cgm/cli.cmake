# Command-line checks of zapcgm on the golden picture and on files that are
# missing or not pictures (tests/cgm/cli.sh holds the cases).
if(TARGET zapcgm)
  foreach(case dump info render missing notpicture stdout_full usage)
    add_test(NAME zapcgm_${case}
      COMMAND bash ${CMAKE_SOURCE_DIR}/tests/cgm/cli.sh $<TARGET_FILE:zapcgm> ${CMAKE_SOURCE_DIR}
              ${CMAKE_BINARY_DIR}/zapcgm_cli/${case} ${case})
  endforeach()
endif()
