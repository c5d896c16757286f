# `make package`: a Debian package of what `cmake --install` puts under /usr
# (both programs, the menu entry, the icon, the README), with the copyright
# and a changelog in its documentation folder, dependencies found by
# dpkg-shlibdeps, stripped binaries. Named quillmer_VERSION_ARCH.deb.
set(QUILLMER_DEBIAN ${PROJECT_SOURCE_DIR}/packaging/debian)
string(TIMESTAMP QUILLMER_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${QUILLMER_DEBIAN}/changelog ${PROJECT_BINARY_DIR}/debian/changelog @ONLY)
# Debian wants it compressed, the same bytes on every build.
add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/debian/changelog.gz
  COMMAND gzip -9nf -k changelog
  WORKING_DIRECTORY ${PROJECT_BINARY_DIR}/debian
  DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog)
add_custom_target(quillmer-changelog ALL DEPENDS ${PROJECT_BINARY_DIR}/debian/changelog.gz)
install(FILES ${QUILLMER_DEBIAN}/copyright ${PROJECT_BINARY_DIR}/debian/changelog.gz
  DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quillmer)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME quillmer)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Quillmer developers")
set(CPACK_PACKAGE_CONTACT "Quillmer developers <quillmer@users.noreply.github.com>")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Times are read in the export's zone from the system's zone database.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "tzdata")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-ipafont-gothic")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "convert Outlook calendar exports (CSV) to vCalendar and iCalendar")
# CPack indents the long description and marks its empty line as Debian wants.
set(CPACK_PACKAGE_DESCRIPTION "Quillmer reads the calendar that Outlook exports as comma-separated text
(Shift-JIS or another code page, Outlook's own export or the ten-column
layout) and writes a vCalendar 1.0 file for an iPod's calendar, or an
iCalendar 2.0 file for desktop and web calendars.

The package holds the desktop program (quillmer, Qt 6) with its menu
entry and the command-line converter (quillmer-convert).")
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
  OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)
