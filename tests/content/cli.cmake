# The generator reproduces the shipped pictures and line drawings byte for
# byte (tests/content/regen.sh runs it into a scratch directory).
if(TARGET picgen)
  add_test(NAME content_regenerate
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/content/regen.sh $<TARGET_FILE:picgen> ${CMAKE_SOURCE_DIR}
            ${CMAKE_BINARY_DIR}/content_regen)
endif()
