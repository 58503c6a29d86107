// Falling tin: a tin sinks toward the ground while the wind leads the player
// to it; three magazines of three shots each.
#include "falling_tin.hpp"

#include "levels.hpp"
#include "toolkit/run_level.hpp"

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

enum Channel { wind_channel = 0, gun_channel = 1, answer_channel = 2, ending_channel = 4 };

constexpr SoundRow sound_rows[] = {
    {"data/lvl5/wind.ogg", wind_channel, endless},
    {"data/lvl5/wind1.ogg", wind_channel, endless},
    {"data/lvl5/tinhitair1.ogg", answer_channel, once},
    {"data/lvl5/tinhitair2.ogg", answer_channel, once},
    {"data/lvl5/tinhitair3.ogg", answer_channel, once},
    {"data/difflvl/revolvershot.ogg", gun_channel, once},
    {"data/difflvl/lrwall.ogg", wall_channel, once},
    {"data/difflvl/udwall.ogg", wall_channel, once},
    {"data/difflvl/start.ogg", start_channel, once},
    {"data/lvl5/nohit1.ogg", answer_channel, once},
    {"data/lvl5/nohit2.ogg", answer_channel, once},
    {"data/lvl5/hey.ogg", answer_channel, once},
    {"data/lvl5/tingameover.ogg", ending_channel, once},
    {"data/lvl5/nomoreammo.ogg", gun_channel, once},
};
static_assert(std::size(sound_rows) == slot_count);

constexpr int volumes[5] = {128, 64, 64, 32, 128};
constexpr int positional[] = {wind_channel};

constexpr RingBound rings[] = {
    {19, 0}, {29, 1}, {39, 2}, {49, 3}, {69, 4}, {89, 5}, {109, 6}, {139, 7}, {169, 8}, {199, 9},
};

constexpr int first_far_ring = 5;
constexpr int hit_ring = 0;  // within 19 pixels
constexpr int hit_sounds = 3;
constexpr int ground_y = 500;
constexpr int hit_pause_ms = 2400;
constexpr int new_tin_pause_ms = 2600;
constexpr int landing_pause_ms = 3000;

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

// A step every 50 ms while the cursor is far, 100 ms while near, 10 ms once
// the magazines are gone.
int fall_interval(int fall_mode) { return fall_mode == fast_fall ? 10 : 50 * fall_mode; }

}  // namespace

constexpr int tin_x_from = 100;
constexpr int tin_x_span = 600;
constexpr int launch_y = 100;

void launch_tin(Platform& p, Tin& tin) {
  tin.x = p.random() % tin_x_span + tin_x_from;
  tin.y = launch_y;
}

void drop_tin(Tin& tin) { tin.y += 1; }

int proximity_ring(Tin& tin, int cursor_x, int cursor_y) {
  measure(tin, tin.x, tin.y, cursor_x, cursor_y);
  tin.ring = ring_of(tin.distance, rings, 10);  // 200 pixels or more
  return tin.ring;
}

int cue_level(int ring) { return is_far(ring) ? 20 - 2 * ring : 2 * ring; }

constexpr GameTable falling_tin_table = {
    "falling_tin", 3, "data/lvl5", sound_rows, slot_count, volumes, positional, positional,
};

namespace {

struct FallingTin : LevelRun<slot_count> {
  static constexpr const GameTable& table = falling_tin_table;

  FallingTin(Platform& platform, AudioMode mode)
      : LevelRun(platform, mode, table, {start, lr_wall, ud_wall}) {
    launch_tin(p, tin);
  }

  // The far wind starts, then starts over as the cue of the ring's side:
  // the new tin is 200 pixels or more from the centre, so it is the far side.
  void begin() {
    const int ring = proximity_ring(tin, frame.cursor_x, frame.cursor_y);
    last_ring = ring;
    sounds.play(p, wind);
    sounds.play(p, is_far(ring) ? wind : near_wind);
    apply_cue(p, frame, tin, ring);
    fall_mode = is_far(ring) ? far_fall : near_fall;
    last_step = p.ticks();
  }

  void pass() {
    fall_step();
    wind_cue();
    shot_step();
    empty_click();
    if (magazines.none_left()) fall_mode = fast_fall;
    landing();
  }

  void fall_step() {
    if (p.ticks() - last_step <= fall_interval(fall_mode)) return;
    drop_tin(tin);
    last_step = p.ticks();
  }

  // On a change of ring only; the wind changes when the ring crosses sides.
  void wind_cue() {
    const int ring = proximity_ring(tin, frame.cursor_x, frame.cursor_y);
    if (ring == last_ring) return;
    if (is_far(ring) != is_far(last_ring)) sounds.play(p, is_far(ring) ? wind : near_wind);
    apply_cue(p, frame, tin, ring);
    last_ring = ring;
    fall_mode = is_far(ring) ? far_fall : near_fall;
  }

  // After the last magazine the tin stays and falls on, fast.
  void shot_step() {
    if (magazines.none_left() || !fire(revolver_shot)) return;
    magazines.shot(
        proximity_ring(tin, frame.cursor_x, frame.cursor_y) == hit_ring, [&] { on_hit(); },
        [&] {
          sounds.play(p, no_hit1 + miss_sound);
          miss_sound = 1 - miss_sound;
        },
        [&] {
          sounds.play(p, hey);
          launch_tin(p, tin);
          new_tin_pause(new_tin_pause_ms);
        },
        [&] { sounds.play(p, no_hit2); });
  }

  void on_hit() {
    sounds.play(p, tin_hit1 + hit_sound);
    hit_sound = (hit_sound + 1) % hit_sounds;
    launch_tin(p, tin);
    ++score;
    new_tin_pause(hit_pause_ms);
  }

  // The tin does not fall during the pause.
  void new_tin_pause(int ms) {
    p.delay(ms);
    last_step = p.ticks();
  }

  // Without magazines the button only clicks, with the same cool-down.
  void empty_click() {
    if (magazines.none_left()) fire(no_more_ammo);
  }

  void landing() {
    if (tin.y <= ground_y) return;
    p.halt(wind_channel);
    end_with(tin_game_over, landing_pause_ms);
  }

  Tin tin;
  int last_ring = 0;
  int fall_mode = far_fall;
  int last_step = 0;
  Lives magazines;    // three misses at one tin cost a magazine
  int hit_sound = 0;  // the hit and miss sounds take turns through the whole run
  int miss_sound = 0;
};

}  // namespace

int falling_tin(Platform& p, AudioMode mode) { return run_level<FallingTin>(p, mode); }
