# scripts/package's copy of the checkout, with stand-ins for the Debian
# tools (sources.sh); the package itself is tests/package/run.sh's, in CI.
add_test(NAME package_sources COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/sources.sh ${CMAKE_SOURCE_DIR})
