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

// The slots of the start cue and the two wall cues, which the frame plays.
struct FrameSlots {
  int start;
  int lr_wall;
  int ud_wall;
};

template <std::size_t N>
struct LevelRun {
  LevelRun(Platform& platform, AudioMode mode, const GameTable& table, FrameSlots slots)
      : p(platform), gun(platform, shot_cool_down_ms), sounds(platform, table), frame_slots(slots) {
    frame.mode = mode;
    set_up_channels(p, table);
  }

  // When the cool-down allows a shot: the weapon sounds and the cool-down
  // starts again.
  bool fire(int weapon_slot) {
    if (!gun.ready(p)) return false;
    sounds.play(p, weapon_slot);
    gun.restart(p);
    return true;
  }

  // The game's own end: a closing sound, a pause to hear it, and the passes
  // end.
  void end_with(int slot, int pause_ms) {
    sounds.play(p, slot);
    p.delay(pause_ms);
    frame.end_flag = true;
  }

  Platform& p;
  CoolDown gun;  // first: it counts from the entry, before the loading
  GameSounds<N> sounds;
  const FrameSlots frame_slots;
  LevelFrame frame;
  int score = 0;
};

template <typename Game>
int run_level(Platform& p, AudioMode mode) {
  Game game(p, mode);
  start_sequence(p, game.sounds[game.frame_slots.start]);
  game.begin();
  while (next_pass(p, game.frame, game.sounds[game.frame_slots.lr_wall],
                   game.sounds[game.frame_slots.ud_wall])) {
    game.pass();
  }
  end_level(p, game.frame, Game::table);
  game.sounds.free(p);
  return game.score;
}
