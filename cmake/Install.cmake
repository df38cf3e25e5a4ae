# Installation: the program, its help pages, icon, desktop entry, MIME type, software-centre metadata,
# manual page and bash completion, in the usual places of a prefix (cmake --install BUILD --prefix
# /usr/local, or DESTDIR=... for a package).
include(GNUInstallDirs)

install(TARGETS kinotra RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
# The program looks for its help in <bin>/../share/kinotra/help.
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/help/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kinotra/help)
install(FILES ${PROJECT_SOURCE_DIR}/resources/icons/Kinotra.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps RENAME kinotra.svg)

# The same templates as the per-user association; installed, the program is found on the PATH.
set(KINOTRA_EXEC kinotra)
configure_file(${PROJECT_SOURCE_DIR}/resources/desktop/kinotra.desktop.in
               ${PROJECT_BINARY_DIR}/desktop/kinotra.desktop @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/desktop/kinotra.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${PROJECT_SOURCE_DIR}/resources/desktop/kinotra-mime.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME kinotra.xml)

# What software centres show; its id names the desktop entry above as the one to launch.
set(KINOTRA_APPID org.kinotra.kinotra)
set(KINOTRA_HOMEPAGE "${PROJECT_HOMEPAGE_URL}")
# The screenshots are published under the homepage and carried by the package too.
set(KINOTRA_SCREENSHOTS "${PROJECT_HOMEPAGE_URL}screenshots")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/screenshots/ DESTINATION ${CMAKE_INSTALL_DATADIR}/kinotra/screenshots)
configure_file(${PROJECT_SOURCE_DIR}/resources/desktop/kinotra.metainfo.xml.in
               ${PROJECT_BINARY_DIR}/desktop/${KINOTRA_APPID}.metainfo.xml @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/desktop/${KINOTRA_APPID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The manual page (made from the help text by packaging/) and the bash completion, loaded on demand.
install(FILES ${KINOTRA_MANPAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/kinotra.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME kinotra)

# The change log, where Debian's tools look for it.
install(FILES ${KINOTRA_CHANGELOG} DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/kinotra)

# A direct installation refreshes the databases of its prefix when the tools exist; a staged one
# (DESTDIR set, as packages do) leaves that to the package's own triggers.
set(KINOTRA_DATADIR ${CMAKE_INSTALL_DATADIR})
string(CONFIGURE [[
    if("$ENV{DESTDIR}" STREQUAL "")
        set(kinotra_share "@KINOTRA_DATADIR@")
        if(NOT IS_ABSOLUTE "${kinotra_share}")
            set(kinotra_share "${CMAKE_INSTALL_PREFIX}/${kinotra_share}")
        endif()
        find_program(kinotra_update_mime update-mime-database)
        find_program(kinotra_update_desktop update-desktop-database)
        if(kinotra_update_mime)
            execute_process(COMMAND ${kinotra_update_mime} "${kinotra_share}/mime" TIMEOUT 60)
        endif()
        if(kinotra_update_desktop)
            execute_process(COMMAND ${kinotra_update_desktop} -q "${kinotra_share}/applications" TIMEOUT 60)
        endif()
    endif()
]] KINOTRA_REFRESH_CODE @ONLY)
install(CODE "${KINOTRA_REFRESH_CODE}")
