# `cpack -G DEB` in the build folder makes a Debian package of what install.cmake installs,
# into /usr, where the window keeps each user's files in their own data folder.
set(VARNO_PACKAGE_MAINTAINER "Varno maintainers <maintainers@users.noreply.c-seed-0e51a744.example>"
    CACHE STRING "The Maintainer field of the Debian package")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME varno)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "see and hear what a lower sampling rate does to a sound")
set(CPACK_PACKAGE_DESCRIPTION
    "Varno is a teaching tool for digital audio sampling. Drop a PCM WAVE file on its window \
and it lists the sound's samples, draws the waveform and re-samples it at the original rate \
divided by 1, 2, 4 ... 128. The re-sampled sound is drawn as a red staircase under the original \
and can be played beside it. The window's captions and messages are in Japanese.")
set(CPACK_PACKAGE_CONTACT "${VARNO_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The one component by name: the run then records its files in install_manifest_varno.txt and
# leaves install_manifest.txt, the record of a `cmake --install` to be undone, alone.
set(CPACK_INSTALL_CMAKE_PROJECTS "${CMAKE_BINARY_DIR};Varno;varno;/")
set(CPACK_STRIP_FILES ON)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Beyond the libraries the programs link: the fonts the captions are mapped to, the
# fontconfig that maps them, and Qt's Japanese texts for its own dialogs. libsndfile, which
# the decoder links, and KissFFT, which the spectrum needs, are named too, should the package
# be made without dpkg-shlibdeps' help or a linker with --as-needed drop one.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "fontconfig, fonts-ipafont-gothic, qt6-translations-l10n, libsndfile1, libkissfft-float131")
# Lets the window run Wayland-native; without it Qt falls back to Xwayland.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
