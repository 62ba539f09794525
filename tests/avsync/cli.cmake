# The desktop picture against the sound, through a PulseAudio server of the
# test's own (run.sh): zap_avsync writes the song of clicks, records the
# server's null sink and compares the recording with the demo's frame log.
# It needs the client library's headers (libpulse-dev) and runs on the build
# machine only; it plays in real time, so it runs alone. Under ThreadSanitizer
# it is skipped: the sound server's client library in the demo is not
# instrumented, and the timing is the sanitizer's, not the program's.
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
  pkg_check_modules(PULSE QUIET IMPORTED_TARGET libpulse)
endif()
if(ZAP_TSAN)
  add_test(NAME avsync_desktop_pulse COMMAND bash -c
    ". '${CMAKE_SOURCE_DIR}/tests/support/skip.sh'; zap_skip avsync_desktop_pulse 'not in the ThreadSanitizer build'")
elseif(PULSE_FOUND AND TARGET zap_testsupport AND NOT CMAKE_CROSSCOMPILING)
  add_executable(zap_avsync ${CMAKE_CURRENT_LIST_DIR}/tool/avsync_tool.cpp ${CMAKE_CURRENT_LIST_DIR}/avsync_analysis.cpp)
  target_include_directories(zap_avsync PRIVATE ${CMAKE_CURRENT_LIST_DIR})
  target_link_libraries(zap_avsync PRIVATE zap_testsupport PkgConfig::PULSE)
  add_dependencies(zap_avsync zapcobbles)
  zap_program_command(zapcobbles avsync_demo)
  # The handheld build draws as fast as it can: it must not get real-time
  # priority, or it would take a processor for itself.
  if(ZAP_HANDHELD)
    set(avsync_pace unpaced)
  else()
    set(avsync_pace paced)
  endif()
  add_test(NAME avsync_desktop_pulse
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/run.sh ${avsync_demo} $<TARGET_FILE:zap_avsync> ${CMAKE_SOURCE_DIR}
      ${avsync_pace})
else()
  add_test(NAME avsync_desktop_pulse COMMAND bash -c
    ". '${CMAKE_SOURCE_DIR}/tests/support/skip.sh'; zap_skip avsync_desktop_pulse 'no PulseAudio client library (libpulse-dev) at configure time'")
endif()
set_tests_properties(avsync_desktop_pulse PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 90 RUN_SERIAL TRUE)
zap_host_only(avsync_desktop_pulse)
