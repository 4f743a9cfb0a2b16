# Installing the programs (cmake --install) and the Debian package
# (cpack -G DEB): quorvane, quorvane-cli, the loopback sample source, the
# desktop entry, the icon and the programs' defaults file. Installed under /usr, the programs keep their
# store in the user's data folder (their own folder is not writable there).
include(GNUInstallDirs)

install(TARGETS quorvane-cli quorvane-sample-source RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(QUORVANE_BUILD_QT)
  install(TARGETS quorvane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/quorvane.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/quorvane.svg
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/quorvane)
# The installed programs' defaults (the public data centre): only programs
# that find this file beside them read it, so a build tree keeps the
# loopback sample source whatever it was configured with.
install(FILES ${PROJECT_SOURCE_DIR}/packaging/defaults DESTINATION ${QUORVANE_DEFAULTS_DESTINATION})

set(CPACK_PACKAGE_NAME quorvane)
set(CPACK_PACKAGE_VENDOR "Quorvane")
set(CPACK_PACKAGE_CONTACT "Quorvane developers <quorvane@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Shanghai and Shenzhen abnormal-trading lists (龙虎榜): window and command line")
set(CPACK_PACKAGE_DESCRIPTION
    "Downloads the daily lists per board, keeps them in an encrypted store and shows what the \
top brokerage branches bought and sold. quorvane is the window; quorvane-cli downloads and \
exports (CSV, JSON lines, xlsx) from scripts and cron.")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
# The libraries the programs link, found by dpkg-shlibdeps with their
# versions (Qt, SQLCipher, libcurl, ICU, libxlsxwriter, the C++ runtime).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Chinese captions need a CJK font the toolkit finds.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-wqy-zenhei | fonts-noto-cjk")
include(CPack)
