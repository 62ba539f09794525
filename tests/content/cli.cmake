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

# The generator reproduces the shipped pictures and line drawings byte for
# byte, and refuses bad arguments (tests/content/regen.sh holds the cases).
if(TARGET picgen)
  zap_program_command(picgen picgen_cmd)
  foreach(case regenerate errors)
    add_test(NAME picgen_${case}
      COMMAND bash ${CMAKE_SOURCE_DIR}/tests/content/regen.sh ${picgen_cmd} ${CMAKE_SOURCE_DIR}
              ${CMAKE_BINARY_DIR}/picgen_cli/${case} ${case})
  endforeach()
endif()

# The writer's own tests (picgen_test.cpp) build its two source files into
# test_content.
if(TARGET test_content AND TARGET picgen)
  pkg_check_modules(POLYCLIPPING REQUIRED IMPORTED_TARGET polyclipping)
  target_sources(test_content PRIVATE ${CMAKE_SOURCE_DIR}/tools/picgen/cgmwrite.cpp
                                      ${CMAKE_SOURCE_DIR}/tools/picgen/geom.cpp)
  target_include_directories(test_content PRIVATE ${CMAKE_SOURCE_DIR}/tools/picgen)
  target_link_libraries(test_content PRIVATE PkgConfig::POLYCLIPPING)
endif()
