# Installation (cmake --install) and the Debian package (cpack -G DEB).
include(GNUInstallDirs)

# Where the entry that starts the program at login goes. Empty: chosen from
# the prefix at install time, see below.
set(REKUDA31_AUTOSTART_FOLDER "" CACHE PATH "Where the entry that starts rekuda31 at login goes (empty: from the prefix)")

# The hicolor icons are drawn from the program's pixel artwork at build time.
set(REKUDA31_ICON_ARTWORK ${PROJECT_SOURCE_DIR}/resources/program.xpm)
set(REKUDA31_ICON_SIZES 16 32 48 64 128)
add_executable(rekuda31-icon ${PROJECT_SOURCE_DIR}/packaging/icon_png.cpp)
target_link_libraries(rekuda31-icon PRIVATE Qt6::Gui)
target_compile_options(rekuda31-icon PRIVATE -Wall -Wextra)
set_target_properties(rekuda31-icon PROPERTIES AUTOMOC OFF AUTORCC OFF)

set(icon_root ${PROJECT_BINARY_DIR}/icons/hicolor)
set(icon_files)
foreach(size ${REKUDA31_ICON_SIZES})
  set(png ${icon_root}/${size}x${size}/apps/rekuda31.png)
  add_custom_command(OUTPUT ${png}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_root}/${size}x${size}/apps
    COMMAND rekuda31-icon ${REKUDA31_ICON_ARTWORK} ${png} ${size}
    DEPENDS rekuda31-icon ${REKUDA31_ICON_ARTWORK}
    COMMENT "Drawing the ${size}x${size} icon" VERBATIM)
  list(APPEND icon_files ${png})
endforeach()
set(svg ${icon_root}/scalable/apps/rekuda31.svg)
add_custom_command(OUTPUT ${svg}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_root}/scalable/apps
  COMMAND rekuda31-icon ${REKUDA31_ICON_ARTWORK} ${svg}
  DEPENDS rekuda31-icon ${REKUDA31_ICON_ARTWORK}
  COMMENT "Drawing the scalable icon" VERBATIM)
list(APPEND icon_files ${svg})
add_custom_target(rekuda31-icons ALL DEPENDS ${icon_files})

install(TARGETS rekuda31 RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${icon_root} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/rekuda31.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
# XDG reads autostart entries from /etc/xdg/autostart and ~/.config/autostart
# only, so the place follows the prefix given to cmake --install: /usr and
# /usr/local install for everyone, ~/.local for its user, and any other prefix
# (a staging folder) keeps the entry inside itself. DESTDIR is honoured.
install(CODE "
  set(autostart \"${REKUDA31_AUTOSTART_FOLDER}\")
  if(NOT autostart)
    set(config_home \"\$ENV{XDG_CONFIG_HOME}\")
    if(NOT config_home)
      set(config_home \"\$ENV{HOME}/.config\")
    endif()
    if(CMAKE_INSTALL_PREFIX MATCHES \"^/usr(/local)?/?\$\")
      set(autostart /etc/xdg/autostart)
    elseif(DEFINED ENV{HOME} AND CMAKE_INSTALL_PREFIX STREQUAL \"\$ENV{HOME}/.local\")
      set(autostart \"\${config_home}/autostart\")
    else()
      set(autostart \"\${CMAKE_INSTALL_PREFIX}/etc/xdg/autostart\")
    endif()
  endif()
  file(INSTALL DESTINATION \"\${autostart}\" TYPE FILE
    FILES \"${PROJECT_SOURCE_DIR}/packaging/rekuda31-autostart.desktop\" RENAME rekuda31.desktop)
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME rekuda31)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "rekuda31 developers <rekuda31@localhost>" CACHE STRING "Maintainer of the Debian package")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Memo reminder in the notification area (Japanese user interface)")
set(CPACK_PACKAGE_DESCRIPTION
  "rekuda31 keeps up to 20 memos, each due once, every month, every day or on\n"
  "chosen weekdays, and puts an always-on-top alarm window in front of you when\n"
  "one falls due, optionally with a sound. It lives in the notification area\n"
  "and starts at login.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# dpkg-shlibdeps sees only the libraries an ELF file names; the sound
# libraries, opened at the first sound, are named by a program built for it.
add_executable(rekuda31-sound-libraries ${PROJECT_SOURCE_DIR}/packaging/sound_libraries.cpp)
target_include_directories(rekuda31-sound-libraries PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(rekuda31-sound-libraries PRIVATE PkgConfig::SOUND)
target_link_options(rekuda31-sound-libraries PRIVATE LINKER:--as-needed)
target_compile_options(rekuda31-sound-libraries PRIVATE -Wall -Wextra)
set_target_properties(rekuda31-sound-libraries PROPERTIES AUTOMOC OFF AUTORCC OFF)
configure_file(${PROJECT_SOURCE_DIR}/cmake/sound_dependencies.cmake.in
  ${PROJECT_BINARY_DIR}/sound_dependencies.cmake.gen @ONLY)
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/sound_dependencies.cmake
  INPUT ${PROJECT_BINARY_DIR}/sound_dependencies.cmake.gen)
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/sound_dependencies.cmake)
# The alert sound and a font with Japanese glyphs.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "sound-theme-freedesktop, fonts-ipafont-gothic | fonts-noto-cjk")
# The autostart entry is the administrator's to change or remove (dpkg keeps
# such changes across upgrades).
if(REKUDA31_AUTOSTART_FOLDER)
  file(WRITE ${PROJECT_BINARY_DIR}/debian/conffiles "${REKUDA31_AUTOSTART_FOLDER}/rekuda31.desktop\n")
else()
  file(WRITE ${PROJECT_BINARY_DIR}/debian/conffiles "/etc/xdg/autostart/rekuda31.desktop\n")
endif()
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${PROJECT_BINARY_DIR}/debian/conffiles)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
