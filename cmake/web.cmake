# The browser build, with Debian's emscripten (through emcmake; scripts/web
# runs it). The library's sources and the browser entry (src/web) become
# zapcobbles.js and zapcobbles.wasm in ZAP_WEB_OUT; the data files are packed
# beside them into zapcobbles.data, which the page fetches before the program
# starts; the page itself is web/index.html. Emscripten has SDL 1.2 built in.

set(ZAP_WEB_OUT "${CMAKE_BINARY_DIR}/site" CACHE PATH "Directory of the page, the program and its data")

file(GLOB web_lib_srcs CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/src/gfx/*.cpp ${CMAKE_SOURCE_DIR}/src/cgm/*.cpp ${CMAKE_SOURCE_DIR}/src/demo/*.cpp
  ${CMAKE_SOURCE_DIR}/src/effects/*.cpp
  ${CMAKE_SOURCE_DIR}/src/music/*.cpp ${CMAKE_SOURCE_DIR}/src/sound/*.cpp ${CMAKE_SOURCE_DIR}/src/player/*.cpp)
list(FILTER web_lib_srcs EXCLUDE REGEX "/src/demo/main\\.cpp$")
# SDL is built in: the engine's SDL call table is filled from it.
list(APPEND web_lib_srcs ${CMAKE_SOURCE_DIR}/src/sys/sdlcall_linked.cpp)
# The command-line rule, the number parser and the stderr diversion (nothing
# in a browser), as on a desktop.
list(APPEND web_lib_srcs ${CMAKE_SOURCE_DIR}/src/sys/cli.cpp ${CMAKE_SOURCE_DIR}/src/sys/num.cpp
  ${CMAKE_SOURCE_DIR}/src/sys/platform_quiet.cpp)
add_library(zap STATIC ${web_lib_srcs})
target_include_directories(zap PUBLIC ${CMAKE_SOURCE_DIR}/src)
target_include_directories(zap SYSTEM PUBLIC ${EMSCRIPTEN_SYSROOT}/include/SDL)
# Emscripten's libc++ predates std::atomic_ref; this header supplies it.
target_compile_options(zap PUBLIC -include ${CMAKE_SOURCE_DIR}/src/web/atomic_ref_compat.h)

file(GLOB web_srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/web/*.cpp)
add_executable(zapcobbles ${web_srcs})
target_link_libraries(zapcobbles PRIVATE zap)

# The files the program reads at run time, under /data in the browser's file
# system (the program runs in its root, as it runs from the project root).
file(GLOB web_data CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/data/*)
list(FILTER web_data EXCLUDE REGEX "/data/music$")
set(web_pack)
foreach(f ${web_data})
  get_filename_component(name ${f} NAME)
  list(APPEND web_pack "SHELL:--preload-file ${f}@/data/${name}")
endforeach()

set_target_properties(zapcobbles PROPERTIES
  SUFFIX ".js"
  RUNTIME_OUTPUT_DIRECTORY ${ZAP_WEB_OUT}
  LINK_DEPENDS "${web_data}")
target_link_options(zapcobbles PRIVATE
  -sENVIRONMENT=web
  -sALLOW_MEMORY_GROWTH=1
  ${web_pack})

configure_file(${CMAKE_SOURCE_DIR}/web/index.html ${ZAP_WEB_OUT}/index.html COPYONLY)
