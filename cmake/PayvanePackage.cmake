# The Debian package, `cpack -G DEB`, from a build configured with
# -DCMAKE_INSTALL_PREFIX=/usr and -DPAYVANE_UPDATE_AUTORUN_DEFAULT=OFF (the
# distribution brings the updates); scripts/check-package.sh builds it so.
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGE_NAME "payvane")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
# The package's own revision, as in desktop/debian/changelog.
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_PACKAGE_VENDOR "Tervona")
set(CPACK_PACKAGE_CONTACT "Tervona <support@tervona.example>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://www.tervona.example/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop bill reminder")
set(CPACK_PACKAGE_DESCRIPTION
    "Payvane keeps a list of bills, due once or repeating weekly, monthly or
yearly, and reminds you of the ones that fall due in a small window at
log-on or every hour. The automatic starts are installed ready to enable:
see Payvane(1).")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The Qt libraries come from dpkg-shlibdeps; the platform plugins are loaded
# at run time, so no library names them.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
# Only a Wayland session without XWayland needs Qt's Wayland platform.
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "qt6-wayland")

include(CPack)
