# Installation, uninstallation and the Debian package.
#
#   cmake --install build/release --prefix /usr        # system: /usr/lib/vst, /etc/xdg
#   cmake --install build/release --prefix ~/.local     # user (configure with
#                                                       #   -DTARVO_VST_DIR=$HOME/.vst
#                                                       #   -DTARVO_LV2_DIR=$HOME/.lv2)
#   cmake --build build/release --target uninstall      # removes what the install listed
#   (cd build/release && cpack -G DEB)                  # tarvo_<version>_amd64.deb
#
# Layout under the prefix: the plug-in in TARVO_VST_DIR, the LV2 bundle Tarvo.lv2 in
# TARVO_LV2_DIR, tarvo-render in bin/, the manual
# and its pictures in share/doc/tarvo/, and the settings file Tarvo.conf, whose line
# "Manual=<prefix>/share/doc/tarvo/manual.html" the editor's MANUAL button opens.

if(WIN32 OR CMAKE_CROSSCOMPILING OR NOT TARGET Tarvo)
  return()
endif()

include(GNUInstallDirs)

set(TARVO_VST_DIR "lib/vst" CACHE STRING
    "Folder that receives Tarvo.so: relative to the install prefix, or absolute ($HOME/.vst)")
set(TARVO_LV2_DIR "lib/lv2" CACHE STRING
    "Folder that receives the bundle Tarvo.lv2: relative to the install prefix, or absolute \
($HOME/.lv2)")
set(TARVO_SETTINGS_DIR "" CACHE STRING
    "Folder that receives Tarvo.conf; empty chooses at install time: $XDG_CONFIG_HOME/Velmora \
Audio when the prefix lies in the home folder, else /etc/xdg/Velmora Audio")
set(TARVO_DOC_DIR "${CMAKE_INSTALL_DATAROOTDIR}/doc/tarvo")

# The plug-in, where Linux hosts look for VST 2 plug-ins.
install(TARGETS Tarvo LIBRARY DESTINATION "${TARVO_VST_DIR}")

# The LV2 bundle, where LV2 hosts look: the Turtle written by the build and the binaries
# (the editor UI's when the build makes it).
if(TARGET tarvo_lv2)
  set(lv2_bundle_dir "${TARVO_LV2_DIR}/Tarvo.lv2")
  install(FILES "${TARVO_LV2_BUNDLE}/manifest.ttl" "${TARVO_LV2_BUNDLE}/tarvo.ttl"
                "${TARVO_LV2_BUNDLE}/presets.ttl" DESTINATION "${lv2_bundle_dir}")
  install(TARGETS tarvo_lv2 LIBRARY DESTINATION "${lv2_bundle_dir}")
  if(TARGET tarvo_lv2_ui)
    install(TARGETS tarvo_lv2_ui LIBRARY DESTINATION "${lv2_bundle_dir}")
  endif()
endif()

# The offline renderer, told where the installed plug-in lies (absolute, or relative to
# the installed renderer's folder) so that it loads that one once installed.
if(TARGET tarvo-render)
  if(IS_ABSOLUTE "${TARVO_VST_DIR}")
    set(installed_plugin "${TARVO_VST_DIR}/Tarvo.so")
  else()
    file(RELATIVE_PATH installed_plugin "/prefix/${CMAKE_INSTALL_BINDIR}"
         "/prefix/${TARVO_VST_DIR}/Tarvo.so")
  endif()
  target_compile_definitions(tarvo-render PRIVATE TARVO_INSTALLED_PLUGIN="${installed_plugin}")
  install(TARGETS tarvo-render RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
endif()

# The user manual and its pictures.
install(FILES "${PROJECT_SOURCE_DIR}/docs/manual.html" DESTINATION "${TARVO_DOC_DIR}")
install(DIRECTORY "${PROJECT_SOURCE_DIR}/docs/manual-images" DESTINATION "${TARVO_DOC_DIR}"
        FILES_MATCHING PATTERN "*.png")

# The settings file, written at install time from the prefix actually used (so that
# `cmake --install --prefix X` and CPack's staging both name the right manual).
configure_file("${CMAKE_CURRENT_LIST_DIR}/InstallSettings.cmake.in"
               "${PROJECT_BINARY_DIR}/tarvo-install-settings.cmake" @ONLY)
install(SCRIPT "${PROJECT_BINARY_DIR}/tarvo-install-settings.cmake")

# Removes exactly the files that the last install listed in install_manifest.txt.
add_custom_target(uninstall
  COMMAND "${CMAKE_COMMAND}" "-DMANIFEST=${PROJECT_BINARY_DIR}/install_manifest.txt"
          -P "${CMAKE_CURRENT_LIST_DIR}/Uninstall.cmake"
  COMMENT "Removing the files listed in install_manifest.txt"
  VERBATIM)

# The Debian package: `cpack -G DEB` in the build folder.
set(CPACK_PACKAGE_NAME "tarvo")
set(CPACK_PACKAGE_VENDOR "Velmora Audio")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Tarvo stereo compressor/expander (VST 2 and LV2 plug-in)")
set(CPACK_PACKAGE_DESCRIPTION
    "Tarvo by Velmora Audio is a feed-forward stereo compressor and expander for hosts that \
load Linux VST 2 or LV2 plug-ins: soft-knee transfer curve, five release characters, \
program-dependent attack and release, a detector with its own filter and EQ, automatic \
make-up gain and stereo linking, with its own editor. The package also holds the user \
manual and tarvo-render, which runs audio files through the plug-in offline.")
set(CPACK_PACKAGE_CONTACT "Velmora Audio")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Velmora Audio")
set(CPACK_GENERATOR "DEB")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_SET_DESTDIR ON)  # stage with DESTDIR, so /etc and the recorded paths are real
set(CPACK_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "sound")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # Depends from the binaries' shared libraries
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")  # the MANUAL button opens with xdg-open
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The settings file lives under /etc and is therefore a configuration file of the package.
set(tarvo_deb_settings_dir "${TARVO_SETTINGS_DIR}")
if(tarvo_deb_settings_dir STREQUAL "")
  set(tarvo_deb_settings_dir "/etc/xdg/Velmora Audio")
endif()
file(WRITE "${PROJECT_BINARY_DIR}/debian/conffiles" "${tarvo_deb_settings_dir}/Tarvo.conf\n")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA "${PROJECT_BINARY_DIR}/debian/conffiles")
include(CPack)
