# The browser test (tests/web/run.sh) runs outside ctest: it needs Chromium and
# the web build. Its reference, a replay of the page's frame log through the
# timeline, is built here with the other test programs.
add_executable(web_replay ${CMAKE_CURRENT_LIST_DIR}/replay/replay.cpp)
target_link_libraries(web_replay PRIVATE zap)
