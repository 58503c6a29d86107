// Tirauris in a browser: the same game on the browser's platform.
#include "platform/web_platform.hpp"
#include "shell/game.hpp"

int main() {
  static WebPlatform platform;
  platform.exit(run_game(platform, GameFiles{}, six_games));
}
