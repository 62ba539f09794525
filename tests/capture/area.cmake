# The flash analysis is zapcapture's own module (tools/zapcapture/flash.cpp),
# pure arithmetic on frames and palettes: its tests compile it here.
target_sources(test_capture PRIVATE ${CMAKE_SOURCE_DIR}/tools/zapcapture/flash.cpp)
target_include_directories(test_capture PRIVATE ${CMAKE_SOURCE_DIR}/tools/zapcapture)
