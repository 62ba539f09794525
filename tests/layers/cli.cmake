# The layering of src/ (scripts/check-layers): the tree itself, and the
# checker's self-test, which makes trees with offending includes.
add_test(NAME check_layers COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check-layers ${CMAKE_SOURCE_DIR})
add_test(NAME check_layers_self_test COMMAND bash ${CMAKE_SOURCE_DIR}/scripts/check-layers --self-test)
