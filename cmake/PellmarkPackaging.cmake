# The Debian package: everything `cmake --install` puts under the prefix, as
# pellmark_VERSION_ARCH.deb (tools/package writes it into build/).
#
# The library dependencies come from dpkg-shlibdeps on the installed programs. Qt loads
# its platform plugins at run time, so nothing links them: the package that holds the
# X11 and Wayland plugins is named here, or a system installed without recommended
# packages would get a program that cannot open a window.

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pellmark)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_VENDOR "Pellmark")
set(CPACK_PACKAGE_CONTACT "Pellmark <pellmark@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop to-do list manager")
set(CPACK_PACKAGE_DESCRIPTION
    "Pellmark shows one to-do list as a grid of typed columns: a done check, subject,\n"
    "resource, notes, status, priority, a completion bar, dates and total time. Items\n"
    "are edited in place, sorted by a click on a column header, printed, and saved to\n"
    ".2do files. pellmark-cli reads and changes the same files from a terminal.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://pellmark.example.org")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core")
set(CPACK_DEBIAN_PACKAGE_SUGGESTS "cups")

include(CPack)
