# The tools' shared output files (outfile_test.cpp): tools/common, with the
# C library's mkostemp wrapped (outfile_test.cpp) so that a test can send a
# signal the moment a temporary file has been made.
target_link_libraries(test_tools PRIVATE zap_tools_common)
target_link_options(test_tools PRIVATE -Wl,--wrap=mkostemp)
