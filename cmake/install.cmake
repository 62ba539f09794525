# What `cmake --install` puts under the prefix: the demo and the tools users
# run, the data the demo reads, the manual pages, the desktop entry with its
# icons and AppStream metainfo, and the licence and credits.
#
#   cmake --install build/release --prefix /opt/zapcobbles
#
# The generators (fontgen, picgen, modcompose, picsheet) stay in the build
# tree: they remake files committed under data/ and docs/ from fonts and
# scores in the source tree, which only a developer of the demo needs.
#
# Debian's layout for games: -DCMAKE_INSTALL_BINDIR=games
# -DZAP_INSTALL_DATA_SUBDIR=share/games/zapcobbles -DZAP_INSTALL_TOOLS_DIR=bin
# (debian/rules), the demo in /usr/games, the tools in /usr/bin.

set(ZAP_INSTALL_TOOLS_DIR "${CMAKE_INSTALL_BINDIR}" CACHE STRING
  "Directory below the prefix for zapmod, zapcgm and zapcapture (Debian: bin, beside the demo's games)")
option(ZAP_INSTALL_TOOLS "Install zapmod, zapcgm and zapcapture with the demo" ON)

install(TARGETS zapcobbles RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
set(zap_user_tools zapmod zapcgm zapcapture)
if(ZAP_INSTALL_TOOLS)
  install(TARGETS ${zap_user_tools} RUNTIME DESTINATION ${ZAP_INSTALL_TOOLS_DIR})
endif()

# The data the demo reads (data/music holds the score the module is made
# from; the credits and the font's licence go with the documentation).
file(GLOB zap_data_files CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/data/*.cgm ${CMAKE_SOURCE_DIR}/data/*.txt ${CMAKE_SOURCE_DIR}/data/*.raw
  ${CMAKE_SOURCE_DIR}/data/*.mod)
list(FILTER zap_data_files EXCLUDE REGEX "/data/fontti-OFL\\.txt$")
install(FILES ${zap_data_files} DESTINATION ${ZAP_INSTALL_DATA_SUBDIR}/data)

# The manual pages name the installed places: @ZAP_BIN_DIR@ and @ZAP_DATA_DIR@
# in docs/man become the program's and the data's directories under the
# prefix of this installation, taken when it runs (cmake --install --prefix P
# wins over the configured prefix), so a page installed under /opt names /opt
# and the Debian package's names /usr/games and /usr/share/games/zapcobbles.
# A prefix that will not be the final place (scripts/release installs into a
# scratch directory that becomes an archive) is shown as $ZAP_MAN_PREFIX
# instead when that is set.
set(zap_man_pages zapcobbles.6)
if(ZAP_INSTALL_TOOLS)
  foreach(tool ${zap_user_tools})
    list(APPEND zap_man_pages ${tool}.1)
  endforeach()
endif()
install(CODE "
  cmake_policy(SET CMP0053 NEW)  # @NAME@ in a string is text, not a variable
  set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
  if(DEFINED ENV{ZAP_MAN_PREFIX})
    set(prefix \"\$ENV{ZAP_MAN_PREFIX}\")
  endif()
  set(bin_dir \"${CMAKE_INSTALL_BINDIR}\")
  set(data_dir \"${ZAP_INSTALL_DATA_SUBDIR}\")
  if(NOT IS_ABSOLUTE \"\${bin_dir}\")
    set(bin_dir \"\${prefix}/\${bin_dir}\")
  endif()
  if(NOT IS_ABSOLUTE \"\${data_dir}\")
    set(data_dir \"\${prefix}/\${data_dir}\")
  endif()
  foreach(page ${zap_man_pages})
    file(READ \"${CMAKE_SOURCE_DIR}/docs/man/\${page}\" text)
    string(REPLACE \"@ZAP_BIN_DIR@\" \"\${bin_dir}\" text \"\${text}\")
    string(REPLACE \"@ZAP_DATA_DIR@\" \"\${data_dir}\" text \"\${text}\")
    file(WRITE \"${CMAKE_BINARY_DIR}/man/\${page}\" \"\${text}\")
  endforeach()
")
install(FILES ${CMAKE_BINARY_DIR}/man/zapcobbles.6 DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
if(ZAP_INSTALL_TOOLS)
  foreach(tool ${zap_user_tools})
    install(FILES ${CMAKE_BINARY_DIR}/man/${tool}.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  endforeach()
endif()

install(FILES ${CMAKE_SOURCE_DIR}/desktop/zapcobbles.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_SOURCE_DIR}/desktop/io.github.bongosquad.zapcobbles.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 48x48 128x128 256x256)
  install(FILES ${CMAKE_SOURCE_DIR}/desktop/icons/${size}/zapcobbles.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}/apps)
endforeach()

install(FILES ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/data/CREDITS.md ${CMAKE_SOURCE_DIR}/data/fontti-OFL.txt
  DESTINATION ${CMAKE_INSTALL_DOCDIR})
