// Falling tin: a tin sinks toward the ground while the wind leads the player
// to it; three magazines of three shots each.
#include "falling_tin.hpp"

#include "levels.hpp"
#include "toolkit/level_frame.hpp"

namespace {

enum Slot {
  wind,
  near_wind,
  tin_hit1,
  tin_hit2,
  tin_hit3,
  revolver_shot,
  lr_wall,
  ud_wall,
  start,
  no_hit1,
  no_hit2,
  hey,
  tin_game_over,
  no_more_ammo,
  slot_count
};

constexpr const char* files[slot_count] = {
    "data/lvl5/wind.ogg",        "data/lvl5/wind1.ogg",      "data/lvl5/tinhitair1.ogg",
    "data/lvl5/tinhitair2.ogg",  "data/lvl5/tinhitair3.ogg", "data/difflvl/revolvershot.ogg",
    "data/difflvl/lrwall.ogg",   "data/difflvl/udwall.ogg",  "data/difflvl/start.ogg",
    "data/lvl5/nohit1.ogg",      "data/lvl5/nohit2.ogg",     "data/lvl5/hey.ogg",
    "data/lvl5/tingameover.ogg", "data/lvl5/nomoreammo.ogg",
};

constexpr int volumes[5] = {128, 64, 64, 32, 128};

enum Channel { wind_channel = 0, gun_channel = 1, answer_channel = 2, ending_channel = 4 };

constexpr RingBound rings[] = {
    {19, 0}, {29, 1}, {39, 2}, {49, 3}, {69, 4}, {89, 5}, {109, 6}, {139, 7}, {169, 8}, {199, 9},
};

constexpr int first_far_ring = 5;

enum FallMode { far_fall = 1, near_fall = 2, fast_fall = 3 };

bool is_far(int ring) { return ring >= first_far_ring; }

void apply_cue(Platform& p, const LevelFrame& frame, const Tin& tin, int ring) {
  const int level = cue_level(ring);
  if (frame.mode == stereo) {
    pan(p, frame, wind_channel, tin.x, level);
  } else {
    // Not the frame's 255 - 25 x scale: this wind reaches distance 0.
    p.set_distance(wind_channel, 250 - 25 * level);
  }
}

int fall_interval(int fall_mode) { return fall_mode == fast_fall ? 10 : 50 * fall_mode; }

}  // namespace

void launch_tin(Platform& p, Tin& tin) {
  tin.x = p.random() % 600 + 100;
  tin.y = 100;
}

void drop_tin(Tin& tin) { tin.y += 1; }

int proximity_ring(Tin& tin, int cursor_x, int cursor_y) {
  measure(tin, tin.x, tin.y, cursor_x, cursor_y);
  tin.ring = ring_of(tin.distance, rings, 10);
  return tin.ring;
}

int cue_level(int ring) { return is_far(ring) ? 20 - 2 * ring : 2 * ring; }

int falling_tin(Platform& p, AudioMode mode) {
  int last_shot = p.ticks();
  Sound sounds[slot_count];
  load_sounds(p, files, sounds);
  check_sounds(p, sounds);

  set_up_channels(p, volumes);
  Tin tin;
  launch_tin(p, tin);
  LevelFrame frame;
  frame.mode = mode;
  start_sequence(p, sounds[start]);

  int current_ring = proximity_ring(tin, frame.cursor_x, frame.cursor_y);
  int last_ring = current_ring;
  int fall_mode = far_fall;
  play_loop(p, wind_channel, sounds[wind]);
  if (is_far(current_ring)) {
    play_loop(p, wind_channel, sounds[wind]);
    apply_cue(p, frame, tin, current_ring);
    fall_mode = far_fall;
  } else {
    play_loop(p, wind_channel, sounds[near_wind]);
    apply_cue(p, frame, tin, current_ring);
    fall_mode = near_fall;
  }
  int last_step = p.ticks();

  int shots = 0;
  int magazines = 3;
  int score = 0;
  int hit_sound = 0;
  int miss_sound = 0;

  while (next_pass(p, frame, sounds[lr_wall], sounds[ud_wall])) {
    if (p.ticks() - last_step > fall_interval(fall_mode)) {
      drop_tin(tin);
      last_step = p.ticks();
    }

    current_ring = proximity_ring(tin, frame.cursor_x, frame.cursor_y);
    if (is_far(current_ring) && current_ring != last_ring) {
      if (!is_far(last_ring)) play_loop(p, wind_channel, sounds[wind]);
      apply_cue(p, frame, tin, current_ring);
      last_ring = current_ring;
      fall_mode = far_fall;
    }
    if (!is_far(current_ring) && current_ring != last_ring) {
      if (is_far(last_ring)) play_loop(p, wind_channel, sounds[near_wind]);
      apply_cue(p, frame, tin, current_ring);
      last_ring = current_ring;
      fall_mode = near_fall;
    }

    if (fire_held(p) && p.ticks() - last_shot > 1000 && magazines > 0) {
      play_once(p, gun_channel, sounds[revolver_shot]);
      last_shot = p.ticks();
      ++shots;
      current_ring = proximity_ring(tin, frame.cursor_x, frame.cursor_y);
      if (current_ring == 0) {
        play_once(p, answer_channel, sounds[tin_hit1 + hit_sound]);
        hit_sound = (hit_sound + 1) % 3;
        launch_tin(p, tin);
        ++score;
        shots = 0;
        p.delay(2400);
        last_step = p.ticks();
      } else if (shots == 3) {
        --magazines;
        if (magazines > 0) {
          play_once(p, answer_channel, sounds[hey]);
          launch_tin(p, tin);
          shots = 0;
          p.delay(2600);
          last_step = p.ticks();
        } else {
          // The last magazine: the tin stays and falls on, fast.
          play_once(p, answer_channel, sounds[no_hit2]);
        }
      } else {
        play_once(p, answer_channel, sounds[no_hit1 + miss_sound]);
        miss_sound = 1 - miss_sound;
      }
    }

    if (fire_held(p) && p.ticks() - last_shot > 1000 && magazines == 0) {
      play_once(p, gun_channel, sounds[no_more_ammo]);
      last_shot = p.ticks();
    }
    if (magazines == 0) fall_mode = fast_fall;

    if (tin.y > 500) {
      p.halt(wind_channel);
      play_once(p, ending_channel, sounds[tin_game_over]);
      p.delay(3000);
      frame.end_flag = true;
    }
  }

  end_level(p, frame, {wind_channel});
  free_sounds(p, sounds);
  return score;
}
