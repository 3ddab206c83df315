# The desktop install: `cmake --install <build> --prefix <prefix>` lays out
#   lib/cobblevale/cobblevale, lib/cobblevale/data/   the game, with its data beside it as it expects
#   bin/cobblevale                                    launcher: runs the game from the player's
#                                                     state directory
#   share/applications/<id>.desktop, share/metainfo/<id>.metainfo.xml,
#   share/icons/hicolor/<n>x<n>/apps/<id>.png, share/man/man6/cobblevale.6
# The game is found by its absolute path, written into the launcher at install time so that
# --prefix chooses it; DESTDIR only stages the files and is not part of that path.
# A distribution package moves the pieces where its policy wants them (see debian/rules):
# CMAKE_INSTALL_BINDIR for the launcher, KT_INSTALL_GAMEDIR for the executable, and
# KT_INSTALL_DATADIR for the data, which the game then reaches through a relative symbolic link
# at <gamedir>/data (the game looks for its data beside its own resolved path).
if(NOT TARGET cobblevale OR NOT TARGET kt_assetgen)
  return()
endif()
include(GNUInstallDirs)

set(KT_APP_ID io.github.cobblevale.cobblevale)

# The release's version and date live in one place, the newest entry of debian/changelog, which
# the package build also reads; the manual page and the AppStream metadata are made from them.
file(STRINGS ${PROJECT_SOURCE_DIR}/debian/changelog changelog)
list(GET changelog 0 newest)
string(REGEX MATCH "^cobblevale \\(([^)]+)\\)" _ "${newest}")
set(KT_VERSION ${CMAKE_MATCH_1})
foreach(line ${changelog})
  if(line MATCHES "^ -- .*>  [A-Z][a-z][a-z], ([0-9][0-9]) ([A-Z][a-z][a-z]) ([0-9][0-9][0-9][0-9]) ")
    set(day ${CMAKE_MATCH_1})
    set(year ${CMAKE_MATCH_3})
    set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
    list(FIND months ${CMAKE_MATCH_2} month)
    math(EXPR month "${month} + 1" OUTPUT_FORMAT DECIMAL)
    if(month LESS 10)
      set(month 0${month})
    endif()
    set(KT_RELEASE_DATE ${year}-${month}-${day})
    break()
  endif()
endforeach()
if(NOT KT_VERSION OR NOT KT_RELEASE_DATE)
  message(FATAL_ERROR "debian/changelog: its newest entry must start \"cobblevale (<version>)\" and "
                      "end with a \" -- name <mail>  Day, DD Mon YYYY ...\" trailer")
endif()
set(KT_METAINFO ${CMAKE_BINARY_DIR}/packaging/${KT_APP_ID}.metainfo.xml)
set(KT_MANPAGE ${CMAKE_BINARY_DIR}/packaging/cobblevale.6)
configure_file(${PROJECT_SOURCE_DIR}/packaging/${KT_APP_ID}.metainfo.xml.in ${KT_METAINFO} @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/packaging/cobblevale.6.in ${KT_MANPAGE} @ONLY)
set(KT_INSTALL_GAMEDIR lib/cobblevale CACHE STRING
    "Directory, relative to the prefix, that holds the game's executable and its data directory")
set(KT_INSTALL_DATADIR "" CACHE STRING
    "Directory, relative to the prefix, for the game's data; empty keeps it in <gamedir>/data")
set(KT_ICON_DIR ${CMAKE_BINARY_DIR}/icons)
set(KT_ICON_SIZES 16 32 48 64 128 256)

# The icons are drawn by the asset generator into their own directory, never into data/.
set(icon_files "")
foreach(size ${KT_ICON_SIZES})
  list(APPEND icon_files ${KT_ICON_DIR}/${size}.png)
endforeach()
add_custom_command(
  OUTPUT ${icon_files}
  COMMAND kt_assetgen --icons ${KT_ICON_DIR} ${KT_ICON_SIZES}
  DEPENDS kt_assetgen
  COMMENT "Drawing the desktop icon into ${KT_ICON_DIR}"
  VERBATIM)
add_custom_target(kt_icons ALL DEPENDS ${icon_files})

install(TARGETS cobblevale RUNTIME DESTINATION ${KT_INSTALL_GAMEDIR})
if(KT_INSTALL_DATADIR STREQUAL "")
  install(DIRECTORY ${KT_DATA_DIR}/ DESTINATION ${KT_INSTALL_GAMEDIR}/data)
else()
  install(DIRECTORY ${KT_DATA_DIR}/ DESTINATION ${KT_INSTALL_DATADIR})
  file(RELATIVE_PATH data_link_target /${KT_INSTALL_GAMEDIR} /${KT_INSTALL_DATADIR})
  install(CODE "
    set(link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${KT_INSTALL_GAMEDIR}/data\")
    message(STATUS \"Installing: \${link} -> ${data_link_target}\")
    file(REMOVE \"\${link}\")
    file(CREATE_LINK \"${data_link_target}\" \"\${link}\" SYMBOLIC)
  ")
endif()

set(launcher_in ${PROJECT_SOURCE_DIR}/packaging/cobblevale.sh.in)
set(launcher_out ${CMAKE_BINARY_DIR}/packaging/cobblevale)
install(CODE "
  # A relative --prefix is taken from the directory cmake --install runs in, as for every file.
  get_filename_component(prefix \"\${CMAKE_INSTALL_PREFIX}\" ABSOLUTE)
  set(KT_GAME_EXE \"\${prefix}/${KT_INSTALL_GAMEDIR}/cobblevale\")
  configure_file(\"${launcher_in}\" \"${launcher_out}\" @ONLY)
  file(INSTALL \"${launcher_out}\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                        WORLD_READ WORLD_EXECUTE)
")

install(FILES ${PROJECT_SOURCE_DIR}/packaging/${KT_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KT_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${KT_MANPAGE}
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
foreach(size ${KT_ICON_SIZES})
  install(FILES ${KT_ICON_DIR}/${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${KT_APP_ID}.png)
endforeach()
