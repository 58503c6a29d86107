// Tone target: ten tones lead to a hidden target; each hit moves it and
// shortens the time allowed for the next one.
#include "levels.hpp"
#include "toolkit/level_frame.hpp"
#include "toolkit/period.hpp"

namespace {

enum Slot {
  hit,
  miss,
  lost_life,
  game_over,
  shot,
  lr_wall,
  ud_wall,
  countdown,
  time_up,
  start,
  general_count
};

constexpr const char* general_files[general_count] = {
    "data/lvl1/hit.ogg",       "data/lvl1/missed.ogg",    "data/lvl1/totalmissed.ogg",
    "data/lvl1/gameover.ogg",  "data/lvl1/shot.ogg",      "data/difflvl/lrwall.ogg",
    "data/difflvl/udwall.ogg", "data/lvl1/countdown.ogg", "data/lvl1/countdown0.ogg",
    "data/difflvl/start.ogg",
};

constexpr const char* tone_files[11] = {
    "data/lvl1/silence.ogg", "data/lvl1/normal1.ogg",  "data/lvl1/normal2.ogg",
    "data/lvl1/normal3.ogg", "data/lvl1/normal4.ogg",  "data/lvl1/normal5.ogg",
    "data/lvl1/normal6.ogg", "data/lvl1/normal7.ogg",  "data/lvl1/normal8.ogg",
    "data/lvl1/normal9.ogg", "data/lvl1/normal10.ogg",
};

constexpr int volumes[5] = {64, 64, 32, 32, 64};

constexpr RingBound rings[] = {
    {2, 10}, {5, 9}, {10, 8}, {20, 7}, {30, 6}, {50, 5}, {80, 4}, {110, 3}, {150, 2}, {200, 1},
};

// The countdown ticks: at half the period, then 5, 4, 3, 2 and 1 s before
// its end.
constexpr int tick_before_end[5] = {5000, 4000, 3000, 2000, 1000};

}  // namespace

int tone_ring(Target& target, int cursor_x, int cursor_y) {
  measure_target(target, cursor_x, cursor_y);
  return ring_of(target.distance, rings, 0);
}

int tone_target(Platform& p, AudioMode mode) {
  int last_shot = p.ticks();
  Sound general[general_count];
  Sound tones[11];
  load_sounds(p, general_files, general);
  load_sounds(p, tone_files, tones);
  check_sounds(p, general);
  check_sounds(p, tones);

  set_up_channels(p, volumes);
  Target target;
  place_target(p, target);
  LevelFrame frame;
  frame.mode = mode;
  start_sequence(p, general[start]);

  int ring = 0;
  int last_ring = -1;
  int shots = 0;
  int lives = 3;
  int score = 0;
  int period = 60000;
  int period_start = p.ticks();
  int countdown_stage = 0;

  while (next_pass(p, frame, general[lr_wall], general[ud_wall])) {
    ring = tone_ring(target, frame.cursor_x, frame.cursor_y);
    if (ring != last_ring) {
      play_loop(p, 0, tones[ring]);
      if (mode == stereo) pan(p, frame, 0, target.x, 10);
      last_ring = ring;
    }

    if (fire_held(p) && p.ticks() - last_shot > 1000) {
      play_once(p, 1, general[shot]);
      last_shot = p.ticks();
      ++shots;
      if (ring >= 9) {
        play_once(p, 2, general[hit]);
        place_target(p, target);
        shots = 0;
        ++score;
        p.halt(4);
        countdown_stage = 0;
        period = shortened_period(period);
        period_start = p.ticks();
      } else if (shots == 3) {
        --lives;
        if (lives > 0) {
          play_once(p, 2, general[lost_life]);
          place_target(p, target);
          shots = 0;
        }
      } else {
        play_once(p, 2, general[miss]);
      }
    }

    if (p.ticks() - period_start > period / 2 && countdown_stage == 0) {
      play_once(p, 4, general[countdown]);
      countdown_stage = 1;
    }
    for (int stage = 1; stage <= 5; ++stage) {
      if (p.ticks() - period_start > period - tick_before_end[stage - 1] &&
          countdown_stage == stage) {
        play_once(p, 4, general[countdown]);
        countdown_stage = stage + 1;
      }
    }
    if (p.ticks() - period_start > period && countdown_stage == 6) {
      play_once(p, 4, general[time_up]);
      p.delay(1500);
      frame.end_flag = true;
    }

    if (lives == 0) {
      play_once(p, 2, general[game_over]);
      p.delay(2000);
      frame.end_flag = true;
    }
  }

  end_level(p, frame, {0});
  free_sounds(p, tones);
  free_sounds(p, general);
  return score;
}
