// Buzzing insect: a buzz in four speeds leads to a hidden insect; each hit
// sends it elsewhere and sends the approaching tractor back for a shorter run.
#include "buzzing_insect.hpp"

#include "levels.hpp"
#include "toolkit/level_frame.hpp"
#include "toolkit/period.hpp"

namespace {

enum Slot {
  hit,
  miss,
  escape,
  game_over,
  bow,
  lr_wall,
  ud_wall,
  tractor,
  tractor_arriving,
  start,
  tractor_leaves,
  general_count
};

constexpr const char* general_files[general_count] = {
    "data/lvl2/applehitbuzzaway.ogg", "data/lvl2/massbuzz.ogg",    "data/lvl2/buzzaway.ogg",
    "data/lvl2/massbuzzaway.ogg",     "data/difflvl/bow.ogg",      "data/difflvl/lrwall.ogg",
    "data/difflvl/udwall.ogg",        "data/lvl2/tractor.ogg",     "data/lvl2/tractorinsect.ogg",
    "data/difflvl/start.ogg",         "data/lvl2/tractoraway.ogg",
};

// By band: very fast, fast, normal, slow.
constexpr const char* buzz_files[4] = {
    "data/lvl2/buzzveryfast.ogg",
    "data/lvl2/buzzfast.ogg",
    "data/lvl2/buzz.ogg",
    "data/lvl2/buzzslow.ogg",
};

constexpr int volumes[5] = {128, 64, 128, 32, 64};

constexpr RingBound rings[] = {
    {2, 10}, {5, 9}, {10, 8}, {20, 7}, {40, 6}, {70, 5}, {110, 4}, {160, 3}, {220, 2},
};

// The lowest ring of each band, nearest band first.
constexpr int band_floor[4] = {8, 6, 4, 1};

struct Buzz {
  int ring = 0;
  int last_ring = 0;
  int band = 0;
  int last_band = 0;
};

// A new insect always restarts the loop, even in the band heard before: the
// hit or escape silenced it.
void sound_insect(Platform& p, const LevelFrame& frame, Target& insect, Buzz& buzz,
                  const Sound (&loops)[4]) {
  buzz.ring = proximity_ring(insect, frame.cursor_x, frame.cursor_y);
  buzz.last_ring = buzz.ring;
  buzz.band = band_of_ring(buzz.ring);
  buzz.last_band = buzz.band;
  play_loop(p, 0, loops[buzz.band]);
  position_cue(p, frame, 0, insect.x, buzz.ring);
}

}  // namespace

int proximity_ring(Target& insect, int cursor_x, int cursor_y) {
  measure_target(insect, cursor_x, cursor_y);
  return ring_of(insect.distance, rings, 1);
}

int band_of_ring(int ring) {
  int band = 0;
  while (band < 3 && ring < band_floor[band]) ++band;
  return band;
}

int buzzing_insect(Platform& p, AudioMode mode) {
  int last_shot = p.ticks();
  Sound general[general_count];
  Sound buzzes[4];
  load_sounds(p, general_files, general);
  load_sounds(p, buzz_files, buzzes);
  check_sounds(p, general);
  check_sounds(p, buzzes);

  set_up_channels(p, volumes);
  Target insect;
  place_target(p, insect);
  LevelFrame frame;
  frame.mode = mode;
  start_sequence(p, general[start]);

  Buzz buzz;
  int shots = 0;
  int lives = 3;
  int score = 0;
  int period = 60000;
  int period_start = p.ticks();
  int tractor_stage = 0;
  sound_insect(p, frame, insect, buzz, buzzes);

  // After a hit or an escape: the buzz falls silent through the pause, then
  // a new insect sounds from its new place.
  auto fly_off = [&](const Sound& answer) {
    p.halt(0);
    play_once(p, 2, answer);
    p.delay(2000);
    place_target(p, insect);
    sound_insect(p, frame, insect, buzz, buzzes);
    shots = 0;
  };

  while (next_pass(p, frame, general[lr_wall], general[ud_wall])) {
    buzz.ring = proximity_ring(insect, frame.cursor_x, frame.cursor_y);
    if (buzz.ring != buzz.last_ring) {
      buzz.band = band_of_ring(buzz.ring);
      if (buzz.band != buzz.last_band) {
        play_loop(p, 0, buzzes[buzz.band]);
        buzz.last_band = buzz.band;
      }
      position_cue(p, frame, 0, insect.x, buzz.ring);
      buzz.last_ring = buzz.ring;
    }

    if (fire_held(p) && p.ticks() - last_shot > 1000) {
      play_once(p, 1, general[bow]);
      last_shot = p.ticks();
      ++shots;
      if (buzz.ring >= 8) {
        fly_off(general[hit]);
        ++score;
        if (p.playing(4)) play_once(p, 4, general[tractor_leaves]);
        tractor_stage = 0;
        period = shortened_period(period);
        period_start = p.ticks();
      } else if (shots == 3) {
        --lives;
        if (lives > 0) {
          fly_off(general[escape]);
        }
      } else {
        play_once(p, 2, general[miss]);
      }
    }

    if (p.ticks() - period_start > period / 2 && tractor_stage == 0) {
      play_once(p, 4, general[tractor]);
      tractor_stage = 1;
    }
    if (p.ticks() - period_start > period - 2000 && tractor_stage == 1) {
      play_once(p, 4, general[tractor_arriving]);
      tractor_stage = 2;
    }
    if (p.ticks() - period_start > period && tractor_stage == 2) {
      p.delay(6000);
      frame.end_flag = true;
    }

    if (lives == 0) {
      play_once(p, 2, general[game_over]);
      p.delay(4000);
      frame.end_flag = true;
    }
  }

  end_level(p, frame, {0});
  free_sounds(p, buzzes);
  free_sounds(p, general);
  return score;
}
