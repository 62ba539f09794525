# The generator reproduces the shipped pictures and line drawings byte for
# byte, and refuses bad arguments (tests/content/regen.sh holds the cases).
if(TARGET picgen)
  foreach(case regenerate errors)
    add_test(NAME picgen_${case}
      COMMAND bash ${CMAKE_SOURCE_DIR}/tests/content/regen.sh $<TARGET_FILE:picgen> ${CMAKE_SOURCE_DIR}
              ${CMAKE_BINARY_DIR}/picgen_cli/${case} ${case})
  endforeach()
endif()
