// Tirauris: an audio game played by ear with the mouse.
#include <new>

#include "game.hpp"
#include "levels/levels.hpp"
#include "platform/sdl_platform.hpp"

namespace {

// The quiet column sounds the same in mono and stereo and takes no mode.
int quiet_column_entry(Platform& p, AudioMode) { return quiet_column(p); }

}  // namespace

int main() {
  static constexpr LevelTable levels = {tone_target,    quiet_column_entry, falling_tin,
                                        buzzing_insect, apple_shot,         laser_defence};
  SdlPlatform platform;
  try {
    return run_game(platform, GameFiles{}, levels);
  } catch (const std::bad_alloc&) {
    // Best scores were saved as they rose.
    platform.print("Out of memory\n");
    platform.exit(1);
  }
}
