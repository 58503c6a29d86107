// Tirauris: an audio game played by ear with the mouse.
#include "game.hpp"
#include "levels/levels.hpp"
#include "platform/sdl_platform.hpp"

int main() {
  static constexpr LevelTable levels = {tone_target, nullptr, nullptr,
                                        nullptr,     nullptr, laser_defence};
  SdlPlatform platform;
  return run_game(platform, GameFiles{}, levels);
}
