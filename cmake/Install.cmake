# Where an installed Hourwright puts its files (the FHS layout), and the
# desktop entry, AppStream metainfo, icons and man pages. The program finds
# its shared files in the build tree and, installed, in ../share/hourwright.
include(GNUInstallDirs)

set(HW_APP_ID org.hourwright.Hourwright)
# The project's home, as the package and the metainfo name it; the metainfo's
# screenshots are the repository's resources/screenshots/ under it.
set(HW_HOMEPAGE "https://hourwright.org/")
set(HW_DESKTOP_EXEC hourwright)
set(HW_INSTALL_SHARED ${CMAKE_INSTALL_DATADIR}/hourwright)
# Directories as Debian expects them, whatever the umask of the build.
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

install(TARGETS hourwright hourwright-cli hourwright-db RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(FILES ${HW_SOURCE_ROOT}/resources/Hourwright.xlsx DESTINATION ${HW_INSTALL_SHARED}/Reports)
install(FILES ${HW_SOURCE_ROOT}/resources/schema-sqlite.sql ${HW_SOURCE_ROOT}/resources/schema-sqlserver.sql
              ${HW_SOURCE_ROOT}/resources/schema-postgres.sql
        DESTINATION ${HW_INSTALL_SHARED})

set(_generated ${CMAKE_BINARY_DIR}/share)
configure_file(${HW_SOURCE_ROOT}/resources/${HW_APP_ID}.desktop.in ${_generated}/${HW_APP_ID}.desktop @ONLY)
configure_file(${HW_SOURCE_ROOT}/resources/${HW_APP_ID}.metainfo.xml.in ${_generated}/${HW_APP_ID}.metainfo.xml @ONLY)
install(FILES ${_generated}/${HW_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_generated}/${HW_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# Icons: the SVG as drawn, and the PNGs rendered from it (components/).
install(FILES ${HW_SOURCE_ROOT}/resources/icons/hourwright.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME ${HW_APP_ID}.svg)
foreach(_size ${HW_ICON_SIZES})
  install(FILES ${HW_ICON_DIR}/idle/${_size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${_size}x${_size}/apps RENAME ${HW_APP_ID}.png)
endforeach()

# Man pages and the Debian changelog, compressed as Debian wants them.
find_program(HW_GZIP gzip REQUIRED)
set(_compressed)
foreach(_page hourwright hourwright-cli hourwright-db)
  configure_file(${HW_SOURCE_ROOT}/resources/man/${_page}.1 ${_generated}/man/${_page}.1 @ONLY)
  add_custom_command(OUTPUT ${_generated}/man/${_page}.1.gz
    COMMAND ${HW_GZIP} -9nf -k ${_generated}/man/${_page}.1
    DEPENDS ${_generated}/man/${_page}.1 VERBATIM)
  list(APPEND _compressed ${_generated}/man/${_page}.1.gz)
  install(FILES ${_generated}/man/${_page}.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
configure_file(${HW_SOURCE_ROOT}/resources/debian/changelog ${_generated}/doc/changelog @ONLY)
add_custom_command(OUTPUT ${_generated}/doc/changelog.gz
  COMMAND ${HW_GZIP} -9nf -k ${_generated}/doc/changelog
  DEPENDS ${_generated}/doc/changelog VERBATIM)
list(APPEND _compressed ${_generated}/doc/changelog.gz)
add_custom_target(hw_install_files ALL DEPENDS ${_compressed})
install(FILES ${_generated}/doc/changelog.gz ${HW_SOURCE_ROOT}/resources/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
