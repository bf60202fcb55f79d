# The Debian package of the build (`make deb`): cpack's DEB generator over the
# project's own install rules, with the files a Debian package carries besides:
# the changelog, the copyright file and the maintainer scripts of the udev rule.
if(NOT CMAKE_INSTALL_PREFIX STREQUAL "/usr")
    message(FATAL_ERROR "the Debian package needs CMAKE_INSTALL_PREFIX=/usr")
endif()
set(deb_source ${CMAKE_CURRENT_LIST_DIR})
set(deb_build ${CMAKE_BINARY_DIR}/deb)

# The upstream version is the project's; the changelog's newest entry gives the
# Debian revision and must name the same upstream version.
file(STRINGS ${deb_source}/changelog deb_head LIMIT_COUNT 1)
if(NOT deb_head MATCHES "^memotap \\(([^-]+)-([0-9]+)\\) ")
    message(FATAL_ERROR "packaging/deb/changelog: no version in its first line")
endif()
if(NOT CMAKE_MATCH_1 STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "packaging/deb/changelog is at ${CMAKE_MATCH_1}, the project at "
                        "${PROJECT_VERSION}: add a changelog entry")
endif()
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CMAKE_MATCH_2})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${deb_source}/changelog)

set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/memotap)
add_custom_command(
    OUTPUT ${deb_build}/changelog.Debian.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${deb_build}
    COMMAND sh -c "gzip -9n -c '${deb_source}/changelog' > '${deb_build}/changelog.Debian.gz'"
    DEPENDS ${deb_source}/changelog
    VERBATIM)
add_custom_target(memotap_deb_changelog ALL DEPENDS ${deb_build}/changelog.Debian.gz)
install(FILES ${deb_build}/changelog.Debian.gz ${deb_source}/copyright DESTINATION ${doc_dir})

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME memotap)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/package)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
# Installed as into /usr itself, so the rules that choose a folder by the prefix
# (the udev rule) see /usr.
set(CPACK_SET_DESTDIR ON)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER
    "MemoTap Linux developers <memotap-linux@users.noreply.github.com>")
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "audio player for transcribing recordings
MemoTap (メモタップ) is a small desktop audio player for transcribing recorded
meetings and interviews. You listen in it while typing the minutes in another
application, and drive playback with system-wide hotkeys, USB foot pedals,
MPRIS or the memotap command.

It steps back automatically on resume, rewinds and fast-forwards by a few
seconds, changes the speed from 50 to 300 % without changing the voice's
pitch, repeats the last few seconds, reopens each recording where it was left
and has a 10-band equalizer, always-on-top and compact modes.")

# The libraries come from dpkg-shlibdeps, and with them the exact Qt build
# (qt6-base-abi), which the windows need since they use Qt's private headers:
# Qt's symbols files tie its private symbols to it (check-package makes sure).
# What it cannot see: the platform plugins Qt loads at run time, without which
# no window opens, and libmpv, which the engine loads once the window is up.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libmpv2")
# What only some features need: the help opens in the desktop's browser, GNOME's
# custom shortcuts are written with gsettings, the captions need a Japanese
# font, and Qt's own texts follow the system language. The Vol button starts a
# volume mixer.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS
    "xdg-utils, libglib2.0-bin, fonts-noto-cjk | fonts-ipafont-gothic, qt6-translations-l10n")

set(CPACK_DEBIAN_PACKAGE_SUGGESTS "pavucontrol | pavucontrol-qt")

set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${deb_source}/postinst ${deb_source}/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
