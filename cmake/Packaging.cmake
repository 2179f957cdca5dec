# Desktop integration and the Debian package.
include(GNUInstallDirs)

if(QUARVEL_BUILD_GUI)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/quarvel.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    # What software centres show; it names the desktop entry above.
    install(FILES ${PROJECT_SOURCE_DIR}/resources/io.github.quarvel.Quarvel.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    foreach(size 32 128 256)
        install(FILES ${PROJECT_SOURCE_DIR}/resources/quarvel-${size}.png
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME quarvel.png)
    endforeach()
endif()

if(WIN32)
    # The Windows zip: both programs and the README at its top, nothing to install.
    install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)
    set(CPACK_PACKAGE_NAME "quarvel")
    set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
    set(CPACK_PACKAGE_FILE_NAME "quarvel-${PROJECT_VERSION}-win64")
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    set(CPACK_STRIP_FILES ON)  # the debugging symbols stay in the build
    set(CPACK_GENERATOR "ZIP")
    include(CPack)
    return()
endif()

# The command line's manual page, its version filled in from the project's.
configure_file(${PROJECT_SOURCE_DIR}/docs/quarvel-cli.1.in ${PROJECT_BINARY_DIR}/quarvel-cli.1
               @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/quarvel-cli.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_PACKAGE_NAME "quarvel")
set(CPACK_PACKAGE_VENDOR "Quarvel")
set(CPACK_PACKAGE_CONTACT "Quarvel maintainers <maintainers@quarvel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "games")
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libqt6core6 (>= 6.4), libqt6gui6 (>= 6.4), libqt6widgets6 (>= 6.4), qt6-qpa-plugins (>= 6.4), zlib1g (>= 1:1.2.11), libc6, libstdc++6")
set(CPACK_GENERATOR "DEB")
include(CPack)
