# Command-line checks of zapcapture (cases in capture_cli.sh), and the program
# the script test (script_test.cpp) runs.
if(TARGET zapcapture AND TARGET zapmod)
  zap_program_command(zapcapture zapcapture_cmd)
  zap_program_command(zapmod zapmod_cmd)
  # The flash check of the whole show takes about 4 s in an optimised build;
  # under the sanitizers, unoptimised or emulated, the demo and the analysis
  # run ten to thirty times slower, so there the check measures the bounce
  # and the seconds around it (110..150 s), where the default show fails.
  set(flash_span "")
  if(ZAP_SANITIZE OR ZAP_TSAN OR CMAKE_CROSSCOMPILING OR CMAKE_BUILD_TYPE STREQUAL "Debug")
    set(flash_span "110:150")
  endif()
  foreach(c span warning errors video outputs flashes flashes_default gentle)
    add_test(NAME capture_cli_${c}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/capture_cli.sh ${zapcapture_cmd} ${zapmod_cmd} ${CMAKE_SOURCE_DIR} ${c})
    set_tests_properties(capture_cli_${c} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300
      ENVIRONMENT "ZAP_GOLDEN_FRAMES=${CMAKE_BINARY_DIR}/golden-frames;ZAP_FLASH_SPAN=${flash_span}")
  endforeach()
  # The video needs the build machine's ffmpeg.
  zap_host_only(capture_cli_video)
endif()
if(TARGET test_capture AND TARGET zapcapture)
  add_dependencies(test_capture zapcapture)
  target_compile_definitions(test_capture PRIVATE ZAP_CAPTURE_COMMAND="${zapcapture_cmd}")
endif()
