# test_realtime replaces the allocator and the pthread lock functions with
# counting ones (probe.cpp): exported, so that shared libraries call them too,
# and dlsym finds the C library's own behind them. --wrap routes the audio
# callback's calls of pt_play() (mangled _Z7pt_playv) through ticks.cpp, which
# notes where in the buffer each tick starts.
target_link_options(test_realtime PRIVATE -rdynamic -Wl,--wrap=_Z7pt_playv)
target_link_libraries(test_realtime PRIVATE ${CMAKE_DL_LIBS})
