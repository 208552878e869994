# `make package`: a Debian package of the installed tree, under /usr. The
# libraries the program links (and the engine's helper process) come from
# dpkg-shlibdeps; what it loads at run time is named here: the SVG plugins
# for its icons, the X11 and Wayland platform plugins, a font with Arial's
# metrics, which the fixed-size windows are drawn for, and the Hunspell
# dictionary the mail windows fall back to. The README's default-browser
# commands come with xdg-utils.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME wavecrest)
set(CPACK_PACKAGE_VENDOR Brimlow)
set(CPACK_PACKAGE_CONTACT "Brimlow <wavecrest-comments@brimlow.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "small desktop web browser")
set(CPACK_PACKAGE_DESCRIPTION "Wavecrest wraps the page engine in its own controls: an \
address bar that completes from the history, favourites, a status bar, a window colour \
and a tiled background picture. It also sends plain-text mail and runs a tiny web server.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE ${WAVECREST_HOMEPAGE})
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6svg6, qt6-qpa-plugins, qt6-wayland, fonts-liberation2, hunspell-en-us")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
