// Tirauris: an audio game played by ear with the mouse.
#include <new>

#include "game.hpp"
#include "platform/sdl_platform.hpp"

int main() {
  SdlPlatform platform;
  try {
    return run_game(platform, GameFiles{}, six_games);
  } catch (const std::bad_alloc&) {
    // Best scores were saved as they rose.
    platform.print("Out of memory\n");
    platform.exit(1);
  }
}
