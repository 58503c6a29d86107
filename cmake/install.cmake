# The sound pack, the installed layout and the Debian package.
#
# Layout under the prefix, as Debian's games have it:
#   games/tirauris                       the launcher the player starts
#   lib/games/tirauris/tirauris          the game itself
#   share/games/tirauris/data/           the sound pack
#   share/applications, share/metainfo, share/icons, share/man/man6, share/doc
#
# cmake --preset package && cmake --build --preset package
#   ->  build-package/tirauris_<version>_<arch>.deb
# (the preset: no tests, Debian's build flags, warnings not fatal)
#
# A publisher sets TIRAURIS_MAINTAINER to a working address and checks that
# the AppStream id below belongs to the project where it is published.

set(TIRAURIS_GAMES_DIR games)
set(TIRAURIS_LIB_DIR lib/games/tirauris)
set(TIRAURIS_SHARE_DIR share/games/tirauris)
# The reverse-DNS id of the desktop entry, metainfo and icon: the project's
# own space at its code host, which it can hold without owning a domain.
set(TIRAURIS_ID io.github.tirauris.tirauris)
set(TIRAURIS_RELEASE_DATE 2026-12-07)
set(TIRAURIS_MAINTAINER "Tirauris developers <tirauris@users.noreply.github.com>"
  CACHE STRING "The package's maintainer, name and address")

# Debian's build flags (hardening: stack protector, fortified calls, full
# RELRO and bind-now; paths mapped for reproducible builds), as a
# distribution's build of the package has them. Only for optimised builds:
# fortified calls need optimisation.
option(TIRAURIS_DEBIAN_FLAGS "Compile the game with the flags of dpkg-buildflags" OFF)
if(TIRAURIS_DEBIAN_FLAGS)
  foreach(kind CPPFLAGS CXXFLAGS LDFLAGS)
    execute_process(COMMAND env DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get ${kind}
      WORKING_DIRECTORY "${CMAKE_SOURCE_DIR}" OUTPUT_VARIABLE flags
      OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
    separate_arguments(debian_${kind} UNIX_COMMAND "${flags}")
  endforeach()
  foreach(target tirauris tirauris_game)
    target_compile_options(${target} PRIVATE ${debian_CPPFLAGS} ${debian_CXXFLAGS})
  endforeach()
  target_link_options(tirauris PRIVATE ${debian_LDFLAGS})
endif()

# Every build makes the sound pack in its own folder, so an install never
# lacks it and the source tree is left alone; the generator's stamps keep an
# up to date pack cheap to check. tools/setup.sh links data/ in the game
# folder to build/data, the one ./play.sh plays from.
# A sanitizer build only runs the tests, so it leaves the pack alone.
unset(TIRAURIS_PACK_DIR CACHE)  # older build folders kept the source tree's data/ here
set(TIRAURIS_PACK_DIR "${CMAKE_BINARY_DIR}/data")
if(TIRAURIS_SANITIZE)
  option(TIRAURIS_SOUND_PACK "Make the sound pack as part of the build" OFF)
else()
  option(TIRAURIS_SOUND_PACK "Make the sound pack as part of the build" ON)
endif()
if(TIRAURIS_SOUND_PACK)
  add_custom_target(sound_pack ALL
    COMMAND bash "${CMAKE_SOURCE_DIR}/sounds/generate.sh" "${TIRAURIS_PACK_DIR}"
    COMMENT "Sound pack in ${TIRAURIS_PACK_DIR}"
    VERBATIM)
endif()

set(packaging "${CMAKE_SOURCE_DIR}/packaging")
set(staged "${CMAKE_BINARY_DIR}/packaging")

# The launcher finds the game and its sounds relative to itself, so an
# install under any prefix (or DESTDIR) works.
file(RELATIVE_PATH TIRAURIS_GAME_FROM_LAUNCHER "/${TIRAURIS_GAMES_DIR}" "/${TIRAURIS_LIB_DIR}/tirauris")
file(RELATIVE_PATH TIRAURIS_DATA_FROM_LAUNCHER "/${TIRAURIS_GAMES_DIR}" "/${TIRAURIS_SHARE_DIR}/data")
configure_file("${packaging}/tirauris.in" "${staged}/tirauris" @ONLY
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
configure_file("${packaging}/tirauris.metainfo.xml.in" "${staged}/${TIRAURIS_ID}.metainfo.xml" @ONLY)
configure_file("${packaging}/changelog.in" "${staged}/changelog" @ONLY)

# Man page and changelog compressed without a time stamp, as Debian wants.
foreach(page tirauris.6 changelog)
  if(page STREQUAL changelog)
    set(source "${staged}/changelog")
  else()
    set(source "${packaging}/${page}")
  endif()
  add_custom_command(OUTPUT "${staged}/${page}.gz"
    COMMAND gzip -9 -n -c "${source}" > "${staged}/${page}.gz"
    DEPENDS "${source}" VERBATIM)
  list(APPEND compressed "${staged}/${page}.gz")
endforeach()
add_custom_target(packaging_files ALL DEPENDS ${compressed})

install(TARGETS tirauris RUNTIME DESTINATION ${TIRAURIS_LIB_DIR})
install(PROGRAMS "${staged}/tirauris" DESTINATION ${TIRAURIS_GAMES_DIR})
install(DIRECTORY "${TIRAURIS_PACK_DIR}/" DESTINATION ${TIRAURIS_SHARE_DIR}/data
  FILES_MATCHING PATTERN "*.ogg" PATTERN ".stamps" EXCLUDE)
install(FILES "${packaging}/tirauris.desktop" DESTINATION share/applications RENAME ${TIRAURIS_ID}.desktop)
install(FILES "${staged}/${TIRAURIS_ID}.metainfo.xml" DESTINATION share/metainfo)
install(FILES "${packaging}/tirauris.svg" DESTINATION share/icons/hicolor/scalable/apps RENAME ${TIRAURIS_ID}.svg)
install(FILES "${staged}/tirauris.6.gz" DESTINATION share/man/man6)
install(FILES "${packaging}/copyright" "${staged}/changelog.gz" "${packaging}/guide.txt" DESTINATION share/doc/tirauris)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tirauris)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "${TIRAURIS_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "audio game played by ear with the mouse")
# CPack puts the summary on the first line and indents these.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Everything in Tirauris is heard, not seen: the screen stays black and the
mouse aims by ear at invisible targets that sound through looping sounds
whose choice, loudness and left/right balance follow the cursor. Six small
games and a spoken menu; best scores are kept. Headphones are best.

It can be played without sight. When it cannot start, the launcher says
why aloud through the desktop's speech service.")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "speech-dispatcher | espeak-ng")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# Stripped as Debian strips (without the .comment and .note sections), after
# CPack has staged the files.
set(CPACK_STRIP_FILES OFF)
set(CPACK_PRE_BUILD_SCRIPTS "${CMAKE_SOURCE_DIR}/cmake/strip.cmake")
# Reproducible: every time in the package is the changelog's date.
execute_process(COMMAND dpkg-parsechangelog -l "${staged}/changelog" -S Timestamp
  OUTPUT_VARIABLE TIRAURIS_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE)
set(CPACK_PROJECT_CONFIG_FILE "${staged}/cpack_project.cmake")
file(WRITE "${staged}/cpack_project.cmake" "set(ENV{SOURCE_DATE_EPOCH} \"${TIRAURIS_SOURCE_DATE_EPOCH}\")\n")
include(CPack)
