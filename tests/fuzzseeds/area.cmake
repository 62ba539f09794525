# The seeds of the tools' fuzz targets are checked with the tools' own score
# reader and command-line parsers, compiled here from tools/<tool>/.
target_sources(test_fuzzseeds PRIVATE
  ${CMAKE_SOURCE_DIR}/tools/modcompose/score.cpp ${CMAKE_SOURCE_DIR}/tools/modcompose/voices.cpp
  ${CMAKE_SOURCE_DIR}/tools/modcompose/args.cpp ${CMAKE_SOURCE_DIR}/tools/zapmod/args.cpp
  ${CMAKE_SOURCE_DIR}/tools/zapcgm/args.cpp ${CMAKE_SOURCE_DIR}/tools/zapcapture/args.cpp)
target_include_directories(test_fuzzseeds PRIVATE ${CMAKE_SOURCE_DIR}/tools)
target_link_libraries(test_fuzzseeds PRIVATE zap_tools_common)
