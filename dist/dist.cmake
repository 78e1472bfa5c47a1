# Installing and packaging. `cmake --install build --prefix P` gives the installed layout:
#   P/bin/velmo, P/share/velmo/data/ (read-only data), desktop entry, icon, manual page.
# The executable finds its data as ../share/velmo/data from its own folder (core/datafiles),
# so these destinations are fixed, not taken from GNUInstallDirs.
# `cpack --config build/CPackConfig.cmake` makes both release packages:
#   velmo-<version>-Linux.tar.gz  ./velmo beside data/, to run where it is unpacked
#   velmo_<version>_<arch>.deb    the installed layout under /usr

# The icon is the logo picture, made square and transparent where the logo is black.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/velmo.png
                   COMMAND makeicon ${DATA_DIR}/velmo.bmp 128 ${CMAKE_BINARY_DIR}/velmo.png
                   DEPENDS makeicon ${DATA_DIR}/velmo.bmp
                   COMMENT "Making the desktop icon from the logo")
# The manual page's switches are the help text of the executable just built.
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/velmo.6
                   COMMAND velmo --help | $<TARGET_FILE:makemanpage> ${PROJECT_VERSION} ${CMAKE_BINARY_DIR}/velmo.6
                   DEPENDS velmo makemanpage
                   COMMENT "Writing the manual page from the help text")
add_custom_target(installfiles ALL DEPENDS ${CMAKE_BINARY_DIR}/velmo.png ${CMAKE_BINARY_DIR}/velmo.6)

set(DATA_FILES ${PICTURES} ${DATA_DIR}/music.xm)

install(TARGETS velmo RUNTIME DESTINATION bin)
install(FILES ${DATA_FILES} DESTINATION share/velmo/data)
install(FILES ${CMAKE_SOURCE_DIR}/dist/velmo.desktop DESTINATION share/applications)
install(FILES ${CMAKE_BINARY_DIR}/velmo.png DESTINATION share/icons/hicolor/128x128/apps)
install(FILES ${CMAKE_BINARY_DIR}/velmo.6 DESTINATION share/man/man6)

# The release archive's layout; left out of a plain install.
install(TARGETS velmo RUNTIME DESTINATION . COMPONENT release EXCLUDE_FROM_ALL)
install(FILES ${DATA_FILES} DESTINATION data COMPONENT release EXCLUDE_FROM_ALL)

set(CPACK_GENERATOR TGZ DEB)
set(CPACK_PACKAGE_NAME velmo)
set(CPACK_PACKAGE_VENDOR Velmo)
set(CPACK_PACKAGE_CONTACT "Velmo <velmo@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Quorvane/Drell, a real-time audiovisual demo")
set(CPACK_PACKAGE_DESCRIPTION "An OpenGL window shows a scripted sequence of procedural 3D scenes
in step with the demo's own tracker music, played through GStreamer. It can
also render itself into TGA frames or a video file.")
set(CPACK_STRIP_FILES ON)
set(CPACK_PROJECT_CONFIG_FILE ${CMAKE_SOURCE_DIR}/dist/cpackoptions.cmake)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
# The linked libraries (SDL 1.2, GL, GLU, GTK 2, GStreamer, the C++ runtime) come from
# dpkg-shlibdeps; the GStreamer plug-ins are loaded at run time, so they are named here:
# modplug is in -bad, alsasink in -alsa, the video encoders and muxers in -base, -good,
# -ugly (H.264) and -libav (AAC).
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "gstreamer1.0-plugins-base, gstreamer1.0-plugins-good, \
gstreamer1.0-plugins-bad, gstreamer1.0-plugins-ugly, gstreamer1.0-libav, gstreamer1.0-alsa")
include(CPack)
