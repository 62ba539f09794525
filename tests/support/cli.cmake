# The suite's own plumbing (cases in support_cli.sh): a skip's reason reaches
# ctest's own output, and scripts/record-goldens runs every golden test.
add_test(NAME support_cli_skip_reason
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/support_cli.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR} skip_reason)
add_test(NAME support_cli_record_list
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/support_cli.sh ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR} record_list)
