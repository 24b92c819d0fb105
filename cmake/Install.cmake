# SPDX-License-Identifier: GPL-3.0-or-later
# What makes an installed Crawlix a proper desktop game: the desktop entry, the icon in the
# hicolor theme, the AppStream metainfo and the manual page. The program, its sound module,
# sounds, songs and the songs' soundfont are installed by CMakeLists.txt.

set(CRAWLIX_APP_ID "io.github.crawlix.Crawlix")
set(CRAWLIX_ICON_SIZES 16 32 48 64 128 256)

# Every folder the install puts something in. Before anything is copied, the install notes
# in its manifest (as a line ending in a slash) each of these folders and each folder above
# them that it is about to make, or that the last install from this build folder made, so
# that the uninstall target removes them again once they are empty.
set(crawlix_install_dirs "${CMAKE_INSTALL_BINDIR}" "${CRAWLIX_DATA_DIR}" "${CRAWLIX_LIBRARY_DIR}"
    "${CMAKE_INSTALL_DATAROOTDIR}/applications" "${CMAKE_INSTALL_DATAROOTDIR}/metainfo"
    "${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps" "${CMAKE_INSTALL_MANDIR}/man6")
foreach(size ${CRAWLIX_ICON_SIZES})
  list(APPEND crawlix_install_dirs "${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps")
endforeach()
install(CODE "set(crawlix_install_dirs [[${crawlix_install_dirs}]])
              set(crawlix_last_manifest [[${CMAKE_BINARY_DIR}/install_manifest.txt]])")
install(CODE [[
  set(crawlix_made_before "")
  if(EXISTS "${crawlix_last_manifest}")
    file(STRINGS "${crawlix_last_manifest}" crawlix_made_before REGEX "/$")
  endif()
  foreach(folder IN LISTS crawlix_install_dirs)
    if(NOT IS_ABSOLUTE "${folder}")
      set(folder "${CMAKE_INSTALL_PREFIX}/${folder}")
    endif()
    set(folder "$ENV{DESTDIR}${folder}")
    while(NOT folder STREQUAL "")
      list(FIND crawlix_made_before "${folder}/" made_before)
      if(EXISTS "${folder}" AND made_before EQUAL -1)
        break()
      endif()
      list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${folder}/")
      get_filename_component(folder "${folder}" DIRECTORY)
    endwhile()
  endforeach()
  list(REMOVE_DUPLICATES CMAKE_INSTALL_MANIFEST_FILES)
]])

set(crawlix_desktop_dir "${CMAKE_CURRENT_SOURCE_DIR}/assets/desktop")
install(FILES "${crawlix_desktop_dir}/${CRAWLIX_APP_ID}.desktop"
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(FILES "${crawlix_desktop_dir}/${CRAWLIX_APP_ID}.metainfo.xml"
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/metainfo)

set(crawlix_icon_dir "${CMAKE_CURRENT_SOURCE_DIR}/assets/icons")
foreach(size ${CRAWLIX_ICON_SIZES})
  set(icon "${crawlix_icon_dir}/crawlix-${size}.png")
  if(EXISTS "${icon}")
    install(FILES "${icon}" RENAME "${CRAWLIX_APP_ID}.png"
            DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/${size}x${size}/apps)
  endif()
endforeach()
if(EXISTS "${crawlix_icon_dir}/crawlix.svg")
  install(FILES "${crawlix_icon_dir}/crawlix.svg" RENAME "${CRAWLIX_APP_ID}.svg"
          DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons/hicolor/scalable/apps)
endif()

# The manual page, in section 6 (games).
install(FILES "${CMAKE_CURRENT_SOURCE_DIR}/docs/crawlix.6"
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)

# `cmake --build build --target uninstall` removes what the last install put in place,
# as listed in the build folder's manifest, then the folders it made once they are empty.
add_custom_target(uninstall
  COMMAND ${CMAKE_COMMAND}
          "-DCRAWLIX_MANIFEST=${CMAKE_BINARY_DIR}/install_manifest.txt"
          -P "${CMAKE_CURRENT_SOURCE_DIR}/cmake/Uninstall.cmake"
  COMMENT "Uninstalling Crawlix"
  VERBATIM)
