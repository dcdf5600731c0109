# The Debian package: `cpack -G DEB` in the build tree (scripts/package-deb does it all) makes
# zendavo_<version>_amd64.deb with everything the install rules put in place; the
# dependencies are computed from the binaries by dpkg-shlibdeps.
set(CPACK_PACKAGE_NAME zendavo)
set(CPACK_PACKAGE_VENDOR "Zendavo")
set(CPACK_PACKAGE_CONTACT "Zendavo developers <zendavo@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_DESCRIPTION
  "Stamps watermark pictures onto batches of photos: a Qt desktop program (zendavo) and the same batch run for scripts (zendavo-cli).")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)  # zendavo_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Added to what shlibdeps finds: the window needs Qt's platform plugins, its Chinese text a font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-microhei | fonts-noto-cjk")
set(CPACK_STRIP_FILES ON)
include(CPack)
