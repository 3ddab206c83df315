# The desktop install: `cmake --install <build> --prefix <prefix>` lays out
#   lib/cobblevale/cobblevale, lib/cobblevale/data/   the game, with its data beside it as it expects
#   bin/cobblevale                                    launcher: runs the game from the player's
#                                                     state directory
#   share/applications/<id>.desktop, share/metainfo/<id>.metainfo.xml,
#   share/icons/hicolor/<n>x<n>/apps/<id>.png
# The game is found by its absolute path, written into the launcher at install time so that
# --prefix chooses it; DESTDIR only stages the files and is not part of that path.
if(NOT TARGET cobblevale OR NOT TARGET kt_assetgen)
  return()
endif()
include(GNUInstallDirs)

set(KT_APP_ID io.github.cobblevale.CobbleVale)
set(KT_INSTALL_GAMEDIR lib/cobblevale CACHE STRING
    "Directory, relative to the prefix, that holds the game's executable and its data directory")
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
install(DIRECTORY ${KT_DATA_DIR}/ DESTINATION ${KT_INSTALL_GAMEDIR}/data)

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
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${KT_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size ${KT_ICON_SIZES})
  install(FILES ${KT_ICON_DIR}/${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${KT_APP_ID}.png)
endforeach()
