# Which tools load SDL (cases in sdl_load.sh): none while working offline,
# zapmod play when it opens the sound device.
if(TARGET zapmod AND TARGET zapcgm AND TARGET zapcapture)
  zap_program_command(zapmod zapmod_cmd)
  zap_program_command(zapcgm zapcgm_cmd)
  zap_program_command(zapcapture zapcapture_cmd)
  foreach(c offline video play)
    add_test(NAME tools_sdl_${c}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/sdl_load.sh ${zapmod_cmd} ${zapcgm_cmd} ${zapcapture_cmd}
              ${CMAKE_SOURCE_DIR} ${c})
    set_tests_properties(tools_sdl_${c} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120
      ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy")
  endforeach()
  # The video goes through the build machine's ffmpeg.
  zap_host_only(tools_sdl_video)
endif()
