# What `cmake --install` puts where (GNU install folders), and the Debian package that `cpack -G DEB`
# makes of the same tree.
set(VELMORA_APP_ID org.example.velmora)
set(VELMORA_DESKTOP ${CMAKE_SOURCE_DIR}/resources/desktop)

install(TARGETS velmora RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(NOT WIN32)
    install(TARGETS ${VELMORA_HELPER_NAME} RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/velmora)
    configure_file(${VELMORA_DESKTOP}/org.example.velmora.save-hosts.policy.in
        ${CMAKE_BINARY_DIR}/org.example.velmora.save-hosts.policy @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/org.example.velmora.save-hosts.policy
        DESTINATION ${CMAKE_INSTALL_DATADIR}/polkit-1/actions)
endif()
install(FILES ${VELMORA_DESKTOP}/${VELMORA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${VELMORA_DESKTOP}/${VELMORA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES resources/icons/velmora.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps
    RENAME ${VELMORA_APP_ID}.svg)
foreach(size 16 32 48 64 128 256)
    install(FILES resources/icons/velmora${size}.png
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps RENAME ${VELMORA_APP_ID}.png)
endforeach()
install(FILES docs/velmora.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
if(NOT WIN32)
    # A daily update of the blocks that name their sources, for the administrator to enable.
    install(FILES docs/systemd/velmora-update.service docs/systemd/velmora-update.timer
        DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
endif()
install(FILES LICENSE README.md CHANGELOG.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
# The README shows the window from here.
install(FILES docs/velmora.png docs/velmora-remove-block.png DESTINATION ${CMAKE_INSTALL_DOCDIR}/docs)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmora)
set(CPACK_PACKAGE_VENDOR "Velmora team")
set(CPACK_PACKAGE_CONTACT "Velmora team <velmora@example.org>")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://velmora.example.org/")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "keeps the system HOSTS file: merges block lists into it, edits and saves it")
set(CPACK_PACKAGE_DESCRIPTION "Velmora merges lists of unwanted host names (advertising, tracking) into the
system HOSTS file so that they resolve to the local machine, without duplicates, and can remove such
a list again as a block. A window shows and edits the file and saves it with a backup, asking for the
administrator's password through polkit; the command line does the same unattended.")
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
# The package holds the paths this build was configured with (the helper's path is built into the
# program and the polkit action): configure with -DCMAKE_INSTALL_PREFIX=/usr for a system package.
set(CPACK_PACKAGING_INSTALL_PREFIX ${CMAKE_INSTALL_PREFIX})
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# pkexec runs the helper as root; an agent of the desktop asks for the password (Debian before 12
# shipped pkexec in policykit-1).
set(CPACK_DEBIAN_PACKAGE_DEPENDS "pkexec | policykit-1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "polkit-1-auth-agent")
include(CPack)
