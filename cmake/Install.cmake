# The installed form: `cmake --install` puts the program into bin/, its data
# into share/zelmora/ (country data, flags, map picture fallback, sample
# profiles, weapon and vehicle lists), a desktop entry, icons (scalable and
# PNG pictures drawn from it) and AppStream metadata where desktops look for
# them, a manual page and the package's copyright and changelog. Installed,
# the program keeps the operator's files in a folder per user
# (core/datafolder.h). CPack builds a .deb from it (scripts/package.sh).
#
# Every file made here goes into install-data/ of the build folder; each
# command makes its folder first, since only Ninja makes the folders of a
# command's outputs by itself.
include(GNUInstallDirs)

set(ZELMORA_APP_ID de.zelmora.Zelmora)
set(ZELMORA_SHARE ${CMAKE_INSTALL_DATADIR}/zelmora)
set(ZELMORA_INSTALL_DATA ${CMAKE_BINARY_DIR}/install-data)

install(TARGETS zelmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The map picture fallback, drawn at build time.
set(ZELMORA_NO_MAP ${ZELMORA_INSTALL_DATA}/mapimgs/no_map.jpg)
add_custom_command(OUTPUT ${ZELMORA_NO_MAP}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ZELMORA_INSTALL_DATA}/mapimgs
  COMMAND ${CMAKE_COMMAND} -E env ASAN_OPTIONS=detect_leaks=0
    $<TARGET_FILE:zelmora-mkpicture> ${ZELMORA_NO_MAP}
  DEPENDS zelmora-mkpicture
  COMMENT "Drawing the map picture fallback")
add_custom_target(zelmora-install-data ALL DEPENDS ${ZELMORA_NO_MAP})

if(TARGET zelmora-data)
  install(FILES ${CMAKE_BINARY_DIR}/data/Ranges.dat DESTINATION ${ZELMORA_SHARE})
  install(DIRECTORY ${CMAKE_BINARY_DIR}/data/flags DESTINATION ${ZELMORA_SHARE})
endif()
install(FILES ${ZELMORA_NO_MAP} DESTINATION ${ZELMORA_SHARE}/mapimgs)
install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/rconcfg DESTINATION ${ZELMORA_SHARE})
install(FILES ${PROJECT_SOURCE_DIR}/data/weaponcfg.txt ${PROJECT_SOURCE_DIR}/data/vehiclecfg.txt
  DESTINATION ${ZELMORA_SHARE})

install(FILES ${PROJECT_SOURCE_DIR}/packaging/${ZELMORA_APP_ID}.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The icon: the drawing itself and PNG pictures of the sizes desktops and
# software centres ask for, drawn from it by rsvg-convert (librsvg2-bin).
set(ZELMORA_SVG ${PROJECT_SOURCE_DIR}/packaging/${ZELMORA_APP_ID}.svg)
install(FILES ${ZELMORA_SVG} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
find_program(ZELMORA_RSVG_CONVERT rsvg-convert REQUIRED)
set(ZELMORA_ICON_PNGS)
foreach(size 16 32 48 64 128 256)
  set(dir ${ZELMORA_INSTALL_DATA}/icons/${size}x${size})
  set(png ${dir}/${ZELMORA_APP_ID}.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
    COMMAND ${ZELMORA_RSVG_CONVERT} --width ${size} --height ${size} --format png
      --output ${png} ${ZELMORA_SVG}
    DEPENDS ${ZELMORA_SVG}
    COMMENT "Drawing the ${size} px icon" VERBATIM)
  list(APPEND ZELMORA_ICON_PNGS ${png})
  install(FILES ${png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
add_custom_target(zelmora-icons ALL DEPENDS ${ZELMORA_ICON_PNGS})

# The AppStream metadata and the manual page carry the version.
set(ZELMORA_METAINFO ${ZELMORA_INSTALL_DATA}/${ZELMORA_APP_ID}.metainfo.xml)
configure_file(${PROJECT_SOURCE_DIR}/packaging/${ZELMORA_APP_ID}.metainfo.xml.in
  ${ZELMORA_METAINFO} @ONLY)
install(FILES ${ZELMORA_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
configure_file(${PROJECT_SOURCE_DIR}/packaging/zelmora.1.in ${ZELMORA_INSTALL_DATA}/zelmora.1
  @ONLY)

# Debian wants the changelog and the manual page compressed at the highest
# level, without a time stamp, and the copyright beside the changelog.
set(ZELMORA_CHANGELOG_GZ ${ZELMORA_INSTALL_DATA}/changelog.Debian.gz)
add_custom_command(OUTPUT ${ZELMORA_CHANGELOG_GZ}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ZELMORA_INSTALL_DATA}
  COMMAND gzip -9 -n -c ${PROJECT_SOURCE_DIR}/packaging/changelog > ${ZELMORA_CHANGELOG_GZ}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog)
add_custom_target(zelmora-changelog ALL DEPENDS ${ZELMORA_CHANGELOG_GZ})
set(ZELMORA_MAN_GZ ${ZELMORA_INSTALL_DATA}/zelmora.1.gz)
add_custom_command(OUTPUT ${ZELMORA_MAN_GZ}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${ZELMORA_INSTALL_DATA}
  COMMAND gzip -9 -n -c ${ZELMORA_INSTALL_DATA}/zelmora.1 > ${ZELMORA_MAN_GZ}
  DEPENDS ${ZELMORA_INSTALL_DATA}/zelmora.1)
add_custom_target(zelmora-manpage ALL DEPENDS ${ZELMORA_MAN_GZ})
install(FILES ${ZELMORA_MAN_GZ} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/copyright ${ZELMORA_CHANGELOG_GZ}
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/zelmora)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/lintian-overrides
  DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME zelmora)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zelmora)
set(CPACK_PACKAGE_VERSION ${ZELMORA_VERSION})
set(CPACK_DEBIAN_PACKAGE_RELEASE ${ZELMORA_DEBIAN_REVISION})
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGE_VENDOR "Zelmora")
set(CPACK_PACKAGE_CONTACT "Zelmora developers <dev@zelmora.de>")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Zelmora developers <dev@zelmora.de>")
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${ZELMORA_HOMEPAGE})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "administration console for Call of Duty game servers")
# The synopsis comes from the summary; these are the lines below it.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Zelmora watches a list of dedicated servers of Call of Duty, United
Offensive and Call of Duty 2 (names, maps, players, pings, countries, a ping
chart) and administers the selected one over rcon: players, kicks and bans,
maps, game types and their settings, weapons, custom variables, the console,
configurations, a broadcast timer and passwords. It starts the installed
game client to join a server. The user interface is German.")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
include(CPack)
