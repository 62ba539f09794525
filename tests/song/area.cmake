# The module writer's own test builds its sources from tools/modcompose.
target_sources(test_song PRIVATE ${CMAKE_SOURCE_DIR}/tools/modcompose/modwrite.cpp
                                 ${CMAKE_SOURCE_DIR}/tools/modcompose/voices.cpp)
target_include_directories(test_song PRIVATE ${CMAKE_SOURCE_DIR}/tools/modcompose)
