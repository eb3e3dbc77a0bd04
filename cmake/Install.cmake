# Installation as a desktop program, and its Debian package (the help document installs itself,
# help/CMakeLists.txt).
include(GNUInstallDirs)

install(TARGETS mokuroku RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET mokuroku-check)
    install(TARGETS mokuroku-check RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES ${MOKUROKU_ROOT}/desktop/mokuroku.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${MOKUROKU_ROOT}/desktop/mokuroku.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# Installs into a temporary prefix and looks at what landed there.
add_test(NAME mokuroku.Install
         COMMAND bash ${MOKUROKU_ROOT}/desktop/install_test.sh ${CMAKE_BINARY_DIR} ${MOKUROKU_ROOT})

set(CPACK_PACKAGE_NAME mokuroku)
set(CPACK_PACKAGE_VENDOR "Mokuroku developers")
set(CPACK_PACKAGE_CONTACT "Mokuroku developers <mokuroku@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Offline link checker for local HTML sites (Japanese UI)")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Japanese captions need a Japanese font.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, fonts-noto-cjk | fonts-ipafont-gothic")
include(CPack)
