# What `cmake --install` puts under a prefix and `cpack -G DEB` packs. The programs find
# their shipped files relative to themselves (bin/../share/kartovel), so a prefix can be
# moved; each user's settings go to the XDG folders of the user's home.
include(GNUInstallDirs)
set(KARTOVEL_INSTALL_DATA ${CMAKE_INSTALL_DATADIR}/kartovel)

install(TARGETS kartovel-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(KARTOVEL_BUILD_GUI)
  install(TARGETS kartovel mapviewer combine RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

set(resources ${PROJECT_SOURCE_DIR}/resources)
install(DIRECTORY ${resources}/ini ${resources}/blankimg ${resources}/help
  DESTINATION ${KARTOVEL_INSTALL_DATA})
install(FILES ${resources}/desktop/kartovel.desktop ${resources}/desktop/kartovel-mapviewer.desktop
  DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${resources}/desktop/io.github.kartovel.kartovel.metainfo.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${resources}/desktop/kartovel-mime.xml
  DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kartovel.xml)
# The package's copyright file (Debian's machine-readable form), made from LICENSE so that
# the two never differ: the terms indented by one blank, an empty line written as ".".
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/LICENSE)
string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" copyright_line "${licence}")
set(KARTOVEL_COPYRIGHT "${CMAKE_MATCH_1}")
string(FIND "${licence}" "Permission is hereby" terms_start)
string(SUBSTRING "${licence}" ${terms_start} -1 terms)
string(STRIP "${terms}" terms)
string(REPLACE "\n\n" "\n.\n" terms "${terms}")
string(REPLACE "\n" "\n " terms "${terms}")
set(KARTOVEL_LICENCE_TERMS " ${terms}")
configure_file(${resources}/desktop/copyright.in ${CMAKE_BINARY_DIR}/copyright @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kartovel)
install(FILES ${resources}/man/kartovel-cli.1 ${resources}/man/kartovel.1
  ${resources}/man/mapviewer.1 ${resources}/man/combine.1
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The Debian package: its library dependencies found by dpkg-shlibdeps.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kartovel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Kartovel developers")
set(CPACK_PACKAGE_CONTACT "The Kartovel developers <kartovel@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop map-tile downloader")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Kartovel fetches the Web-Mercator tiles that cover an area at a zoom level from a tile\n\
service and saves them, with a task file that lets an interrupted run continue. A map\n\
viewer, a combiner into one georeferenced PNG, an MBTiles export and a command line\n\
program (kartovel-cli) come with it.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
include(CPack)
