# The Debian package: in a configured build tree, `cpack -G DEB` (or the target `package`) makes
# kinotra_<version>_<arch>.deb from the installation rules of Install.cmake, everything under /usr.
# Its Depends are the libraries the program links (found by dpkg-shlibdeps) plus the GStreamer plugins
# it loads at run time. The desktop, MIME and icon databases are refreshed by the triggers of the
# packages that own them (desktop-file-utils, shared-mime-info, hicolor-icon-theme), so the package
# needs no maintainer scripts.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME kinotra)
set(CPACK_PACKAGE_VENDOR "The Kinotra project")
set(CPACK_PACKAGE_CONTACT "${KINOTRA_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "video analysis for physics teaching")
set(CPACK_PACKAGE_DESCRIPTION
    "Kinotra measures the motion of objects in a video. A student opens a video
of a moving object, steps through it frame by frame, calibrates a scale on
an object of known length, places the axes and points the positions of one
or several objects. Kinotra computes coordinates, velocities and
accelerations, evaluates the student's own formulas, shows a datasheet and
graphs, and fits models (affine, parabolic, exponential, sine, damped
sines...) to the curves.

It also tracks an object by its colours, edits the time base of a video,
captures from a camera, builds chronophotographies and exports the data as
text or spreadsheets. Headless commands do the same work in scripts.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# A staged installation (DESTDIR) leaves the refreshing of the databases to the triggers.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Not linked, loaded by GStreamer when a video is read, written or captured.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, gstreamer1.0-plugins-bad, gstreamer1.0-plugins-ugly, gstreamer1.0-libav")
# Liberation Sans stands in for Arial in graphs and prints; xdg-open opens the help and the spreadsheets.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2, xdg-utils")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)

include(CPack)
