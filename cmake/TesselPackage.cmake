# `make package`: a Debian package of the installation (cmake/TesselInstall.cmake) under /usr.
# Its dependencies are Debian packages: the shared libraries it links are found by dpkg-shlibdeps;
# the Qt SQL drivers it loads at run time are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tessel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "tessel developers")
set(CPACK_PACKAGE_CONTACT "tessel developers <maintainers@users.noreply.c-seed-5918bee7.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "inner address trees of residential compounds from free-text addresses")
# Lines of the long description stay within 80 characters.
set(CPACK_PACKAGE_DESCRIPTION
  "tessel breaks the free-text addresses of one residential compound into an\n"
  "inner address tree (building, unit, floor, room) with split patterns an\n"
  "operator defines, and writes that tree into a standard-address database in\n"
  "one transaction. The package holds the wizard component (tessel.dealer), its\n"
  "host program tessel and the tools around it.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# The demo database and the embedded default are SQLite; the other drivers serve other servers.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libqt6sql6-psql, libqt6sql6-odbc, fonts-wqy-microhei")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "xvfb")
# Only what `cmake --install` puts there, nothing of the build's own folders.
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
