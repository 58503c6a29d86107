// Tirauris in a browser: the same game on the browser's platform.
#include "levels/levels.hpp"
#include "platform/web_platform.hpp"
#include "shell/game.hpp"

namespace {

// The quiet column sounds the same in mono and stereo and takes no mode.
int quiet_column_entry(Platform& p, AudioMode) { return quiet_column(p); }

}  // namespace

int main() {
  static constexpr LevelTable levels = {tone_target,    quiet_column_entry, falling_tin,
                                        buzzing_insect, apple_shot,         laser_defence};
  static WebPlatform platform;
  platform.exit(run_game(platform, GameFiles{}, levels));
}
