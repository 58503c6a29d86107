// The frame every game runs in: load and check its sounds, set up its
// channels, place its targets, the start sequence, the passes until the end
// flag, the ending. A game supplies the table, the placement (its
// constructor), what follows the start pause (begin) and its own rules of a
// pass (pass).
#pragma once

#include "rules.hpp"
#include "sound_table.hpp"

// Every game's fire button.
constexpr int shot_cool_down_ms = 1000;

template <std::size_t N>
struct LevelRun {
  LevelRun(Platform& platform, AudioMode mode, const GameTable& table)
      : p(platform), gun(platform, shot_cool_down_ms), sounds(platform, table) {
    frame.mode = mode;
    set_up_channels(p, table);
  }

  Platform& p;
  CoolDown gun;  // first: it counts from the entry, before the loading
  GameSounds<N> sounds;
  LevelFrame frame;
  int score = 0;
};

template <typename Game>
int run_level(Platform& p, AudioMode mode) {
  Game game(p, mode);
  start_sequence(p, game.sounds[Game::start_slot]);
  game.begin();
  while (
      next_pass(p, game.frame, game.sounds[Game::lr_wall_slot], game.sounds[Game::ud_wall_slot])) {
    game.pass();
  }
  end_level(p, game.frame, Game::table);
  game.sounds.free(p);
  return game.score;
}
