# Run by CPack on the staged files before it packs them: strips the game as
# Debian's own packages are stripped.
file(GLOB_RECURSE staged_games "${CPACK_TEMPORARY_DIRECTORY}/*/lib/games/tirauris/tirauris")
if(NOT staged_games)
  message(FATAL_ERROR "strip.cmake: no staged game under ${CPACK_TEMPORARY_DIRECTORY}")
endif()
foreach(game ${staged_games})
  execute_process(COMMAND strip --remove-section=.comment --remove-section=.note --strip-unneeded "${game}"
    COMMAND_ERROR_IS_FATAL ANY)
endforeach()
