# What `cmake --install` puts where (GNU install folders); debian/ builds the Debian package from the
# same rules. Every file that names the application ID is generated from cmake/Identity.cmake.
set(VELMORA_DESKTOP ${CMAKE_SOURCE_DIR}/resources/desktop)
# Debian ships the licence in its copyright file and lintian counts a second copy as an error.
option(VELMORA_INSTALL_LICENSE "Install LICENSE with the documentation" ON)
# Where the daily update's units go: the system's own unit folder for a system install (Debian 12:
# /lib/systemd/system), else beside the prefix, where systemd also looks for /usr/local.
if(NOT DEFINED VELMORA_SYSTEMD_UNITDIR)
    set(VELMORA_SYSTEMD_UNITDIR "lib/systemd/system")
    if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
        find_package(PkgConfig QUIET)
        if(PKG_CONFIG_FOUND)
            pkg_get_variable(_unitdir systemd systemdsystemunitdir)
            if(_unitdir)
                set(VELMORA_SYSTEMD_UNITDIR "${_unitdir}")
            endif()
        endif()
    endif()
endif()
set(VELMORA_SYSTEMD_UNITDIR "${VELMORA_SYSTEMD_UNITDIR}" CACHE PATH "systemd's unit folder (relative: under the prefix)")

configure_file(${VELMORA_DESKTOP}/velmora.desktop.in ${CMAKE_BINARY_DIR}/generated/${VELMORA_APP_ID}.desktop @ONLY)
configure_file(${VELMORA_DESKTOP}/velmora.metainfo.xml.in ${CMAKE_BINARY_DIR}/generated/${VELMORA_APP_ID}.metainfo.xml
    @ONLY)
configure_file(docs/velmora.1.in ${CMAKE_BINARY_DIR}/generated/velmora.1 @ONLY)

install(TARGETS velmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(NOT WIN32)
    install(TARGETS ${VELMORA_HELPER_NAME} ${VELMORA_WINDOW_NAME} RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/velmora)
    # The polkit action and the units name programs by their absolute paths, which are known only when
    # the install runs: `cmake --install build --prefix DIR` puts DIR in them.
    set(_installed ${CMAKE_BINARY_DIR}/generated/installed)
    install(CODE "
        set(VELMORA_APP_ID \"${VELMORA_APP_ID}\")
        set(VELMORA_HOMEPAGE \"${VELMORA_HOMEPAGE}\")
        set(VELMORA_BINDIR_INSTALLED [[${CMAKE_INSTALL_BINDIR}]])
        set(VELMORA_HELPER_INSTALLED [[${CMAKE_INSTALL_LIBEXECDIR}/velmora/${VELMORA_HELPER_NAME}]])
        foreach(_path VELMORA_BINDIR_INSTALLED VELMORA_HELPER_INSTALLED)
            cmake_path(ABSOLUTE_PATH \${_path} BASE_DIRECTORY \"\${CMAKE_INSTALL_PREFIX}\" NORMALIZE)
        endforeach()
        configure_file([[${VELMORA_DESKTOP}/velmora.save-hosts.policy.in]]
            [[${_installed}/${VELMORA_APP_ID}.save-hosts.policy]] @ONLY)
        configure_file([[${CMAKE_SOURCE_DIR}/docs/systemd/velmora-update.service.in]]
            [[${_installed}/velmora-update.service]] @ONLY)
    ")
    install(FILES ${_installed}/${VELMORA_APP_ID}.save-hosts.policy DESTINATION ${CMAKE_INSTALL_DATADIR}/polkit-1/actions)
    # A daily update of the blocks that name their sources, installed but not enabled: the
    # administrator enables the timer (README), and removing the package removes both units.
    install(FILES ${_installed}/velmora-update.service docs/systemd/velmora-update.timer
        DESTINATION ${VELMORA_SYSTEMD_UNITDIR})
endif()
install(FILES ${CMAKE_BINARY_DIR}/generated/${VELMORA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CMAKE_BINARY_DIR}/generated/${VELMORA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES resources/icons/velmora.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${VELMORA_APP_ID}.svg)
foreach(size 16 32 48 64 128 256)
    install(FILES resources/icons/velmora${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${VELMORA_APP_ID}.png)
endforeach()
install(FILES ${CMAKE_BINARY_DIR}/generated/velmora.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES README.md CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
if(VELMORA_INSTALL_LICENSE)
    install(FILES LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})
endif()
# The README shows the window from here.
install(FILES docs/velmora.png docs/velmora-remove-block.png DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)
