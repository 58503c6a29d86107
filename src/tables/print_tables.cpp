// Prints the six games' tables as JSON, for the scripts that measure the
// pack and the game: they take the game's facts from here and never read
// its sources.
#include <cstdio>

#include "levels/levels.hpp"
#include "shell/menu.hpp"

namespace {

void print_list(const char* name, std::span<const int> values) {
  std::printf("\"%s\": [", name);
  for (std::size_t i = 0; i < values.size(); ++i) std::printf("%s%d", i ? ", " : "", values[i]);
  std::printf("]");
}

void print_game(const GameTable& game) {
  std::printf("    {\"menu_entry\": %d, \"name\": \"%s\", \"folder\": \"%s\",\n", game.menu_entry,
              game.name, game.folder);
  std::printf("     \"channels\": %zu, ", game.volumes.size());
  print_list("volumes", game.volumes);
  std::printf(", ");
  print_list("panned", game.panned);
  std::printf(", ");
  print_list("distanced", game.distanced);
  std::printf(",\n     \"sounds\": [\n");
  for (std::size_t slot = 0; slot < game.sounds.size(); ++slot) {
    const SoundRow& row = game.sounds[slot];
    std::printf("       {\"slot\": %zu, \"path\": \"%s\", \"channels\": [", slot, row.path);
    for (int source = 0; source < row.sources; ++source) {
      std::printf("%s%d", source ? ", " : "", row.channel + source);
    }
    std::printf("], \"loops\": %d}%s\n", row.loops, slot + 1 < game.sounds.size() ? "," : "");
  }
  std::printf("     ],\n     \"free_order\": [");
  const std::size_t n = game.sounds.size();
  for (std::size_t i = 0; i < n; ++i) {
    // The second array first, as the game frees them.
    const std::size_t slot = (game.second_array + i) % n;
    std::printf("%s%zu", i ? ", " : "", slot);
  }
  std::printf("]}");
}

}  // namespace

int main() {
  std::printf("{\"games\": [\n");
  for (int i = 0; i < 6; ++i) {
    print_game(*game_tables[i]);
    std::printf("%s\n", i < 5 ? "," : "");
  }
  std::printf("],\n \"menu\": {");
  print_list("volumes", menu_volumes);
  std::printf(", ");
  print_list("after_game_volumes", after_game_volumes);
  std::printf(", \"music_volume\": %d}}\n", menu_music_volume);
  return 0;
}
