# What `make install` puts on the desktop besides the executable and the help:
# the desktop file, the AppStream metainfo and the hicolor icons, all named
# after the application id, the manual pages and the pedals' udev rule.
install(TARGETS memotap memotap-player RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

set(data_source ${CMAKE_CURRENT_LIST_DIR})
set(data_build ${CMAKE_BINARY_DIR}/data)
configure_file(${data_source}/memotap.desktop.in ${data_build}/${MEMOTAP_APP_ID}.desktop @ONLY)
configure_file(${data_source}/memotap.metainfo.xml.in
               ${data_build}/${MEMOTAP_APP_ID}.metainfo.xml @ONLY)
install(FILES ${data_build}/${MEMOTAP_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${data_build}/${MEMOTAP_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The manual pages, compressed as man and Debian expect them.
set(man_pages)
foreach(page memotap memotap-player)
    add_custom_command(
        OUTPUT ${data_build}/${page}.1.gz
        COMMAND sh -c "gzip -9n -c '${data_source}/${page}.1' > '${data_build}/${page}.1.gz'"
        DEPENDS ${data_source}/${page}.1
        VERBATIM)
    list(APPEND man_pages ${data_build}/${page}.1.gz)
endforeach()
add_custom_target(memotap_man ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

# The window icon is drawn at 32 pixels; the larger sizes are scaled from it.
set(icon_dir ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
install(FILES ${CMAKE_SOURCE_DIR}/resources/memotap.png
        DESTINATION ${icon_dir}/32x32/apps RENAME ${MEMOTAP_APP_ID}.png)
foreach(size 48x48 64x64 128x128)
    install(FILES ${data_source}/icons/${size}.png
            DESTINATION ${icon_dir}/${size}/apps RENAME ${MEMOTAP_APP_ID}.png)
endforeach()

# The pedals' udev rule goes where udev reads it: udev reads neither
# /usr/local/lib/udev nor any other prefix, so only a /usr prefix installs it
# beside the system's rules; every other prefix puts it in /etc. Chosen when
# installing, since `cmake --install --prefix` may change the prefix then.
install(CODE "
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
        set(memotap_udev_rules \"/usr/lib/udev/rules.d\")
    else()
        set(memotap_udev_rules \"/etc/udev/rules.d\")
    endif()
    file(INSTALL DESTINATION \"\${memotap_udev_rules}\" TYPE FILE
         FILES \"${data_source}/70-memotap-pedal.rules\")
")
