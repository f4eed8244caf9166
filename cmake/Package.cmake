# The Debian package: `cpack -G DEB` in the build folder writes vornis_<version>_amd64.deb,
# installing under /usr. Its dependencies are computed by dpkg-shlibdeps from the libraries
# the programs link; OpenGL itself is opened at run time (libepoxy, SDL), so it is named here.
set(CPACK_PACKAGE_NAME vornis)
set(CPACK_PACKAGE_VENDOR "Vornis")
set(CPACK_PACKAGE_CONTACT "Vornis developers <vornis@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "real-time viewer for game-asset models")
# Lines under 80 columns, as Debian's control files want; no semicolons (CMake lists).
set(CPACK_PACKAGE_DESCRIPTION "\
Vornis shows FBX models with physically based shading under a directional
light and a cube-map sky, with channel views, skeletal animation, HLSL pixel
shaders of your own, and every shader, texture and model file reloaded when it
changes. vornis-snap renders a model to a PNG without a screen. It also draws
the file manager's FBX thumbnails.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR DEB)

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1")
# The software renderer and the drivers, the interface font, the file-open dialog.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri, fonts-dejavu-core, zenity | kdialog")

include(CPack)
