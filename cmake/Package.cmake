# The Debian package: `cpack -G DEB` in a configured build folder makes
# hourwright_<version>_<arch>.deb. Library dependencies come from the
# binaries (dpkg-shlibdeps); the Qt SQL plugins and the FreeTDS ODBC driver
# are loaded at run time, so they are named here.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME hourwright)
set(CPACK_PACKAGE_VENDOR "Quivane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Hourwright maintainers <maintainers@hourwright.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "time tracker for software projects")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Hourwright records how much time developers spend on software projects.\n"
    "Sign in, pick a project and start monitoring: the interval is kept in an\n"
    "embedded database (or on a PostgreSQL or SQL Server) and the time elapsed\n"
    "is shown, while the program stays in the notification area. It keeps\n"
    "projects, customers, developers and users, and reports the hours by\n"
    "developer, project, customer and days, printed or exported to a workbook\n"
    "or CSV.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${HW_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libqt6sql6-sqlite, libqt6sql6-odbc, tdsodbc, libqt6sql6-psql")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION TRUE)
include(CPack)
