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

# What every tool does the same way: --help on every subcommand, --version,
# the shape of a usage error, Ctrl-C, no partial file (cases in conventions.sh).
set(zap_tool_list zapmod zapcgm zapcapture fontgen picgen picsheet modcompose)
set(zap_tool_commands)
foreach(tool ${zap_tool_list})
  if(TARGET ${tool})
    zap_program_command(${tool} tool_cmd)
    list(APPEND zap_tool_commands ${tool_cmd})
  endif()
endforeach()
list(LENGTH zap_tool_commands zap_tool_count)
if(zap_tool_count EQUAL 7)
  foreach(c help version usage sigint partial tty)
    add_test(NAME tools_cli_${c}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/conventions.sh ${CMAKE_SOURCE_DIR} ${c} ${zap_tool_commands})
    set_tests_properties(tools_cli_${c} PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120
      ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy")
  endforeach()
endif()

# The one command-line rule over the demo and the tools users run: --help and
# --version win wherever they stand, one error shape, exit 2, strict numbers
# (one table in cli_rule.sh).
if(TARGET zapcobbles AND TARGET zapmod AND TARGET zapcgm AND TARGET zapcapture)
  zap_program_command(zapcobbles zapcobbles_cmd)
  add_test(NAME cli_rule
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/cli_rule.sh ${CMAKE_SOURCE_DIR} ${zapcobbles_cmd} ${zapmod_cmd} ${zapcgm_cmd}
            ${zapcapture_cmd})
  set_tests_properties(cli_rule PROPERTIES TIMEOUT 120)
endif()
