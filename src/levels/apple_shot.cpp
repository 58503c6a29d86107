// Apple on the boy's head: the apple is heard only through the boy below it.
// Hit the apple and he moves; hit him and the game is over.
#include "apple_shot.hpp"

#include "levels.hpp"
#include "toolkit/run_level.hpp"

namespace {

enum Slot {
  apple_hit,
  stammer,
  cringe,
  running_home,
  boy_hit,
  bow,
  lr_wall,
  ud_wall,
  first_call,
  second_call,
  start,
  first_body,  // the loops of spots 1 to 3
  slot_count = first_body + 3
};

enum Channel { bow_channel = 1, answer_channel = 2, call_channel = 4 };
constexpr int body_channel(int spot) { return 4 + spot; }

constexpr SoundRow sound_rows[] = {
    {"data/lvl3/applehitnewpos.ogg", answer_channel, once},
    {"data/lvl3/stammer.ogg", answer_channel, once},
    {"data/lvl3/cringe.ogg", answer_channel, once},
    {"data/lvl3/runninghome.ogg", answer_channel, once},
    {"data/lvl3/boyhit.ogg", answer_channel, once},
    {"data/difflvl/bow.ogg", bow_channel, once},
    {"data/difflvl/lrwall.ogg", wall_channel, once},
    {"data/difflvl/udwall.ogg", wall_channel, once},
    {"data/lvl3/mthey1.ogg", call_channel, once},
    {"data/lvl3/mthey2.ogg", call_channel, once},
    {"data/difflvl/start.ogg", start_channel, once},
    {"data/lvl3/breath.ogg", body_channel(breath_spot), endless},
    {"data/lvl3/mumble.ogg", body_channel(mumble_spot), endless},
    {"data/lvl3/heart.ogg", body_channel(heart_spot), endless},
};
static_assert(std::size(sound_rows) == slot_count);

constexpr int volumes[8] = {128, 64, 128, 32, 128, 128, 128, 128};
constexpr int positional[] = {body_channel(breath_spot), body_channel(mumble_spot),
                              body_channel(heart_spot)};

constexpr RingBound rings[] = {{10, 10}, {20, 8}, {30, 6}, {45, 4}, {60, 2}};

// Offsets from the apple, by spot.
constexpr Boy::Spot spot_offsets[4] = {{0, 0}, {0, 60}, {0, 80}, {30, 140}};

constexpr int first_body_spot = breath_spot;
constexpr int spot_count = 4;
constexpr int apple_hit_ring = 8;  // within 20 pixels
constexpr int boy_hit_ring = 4;    // within 45 pixels of the breath or the heart
constexpr int first_period_ms = 60000;
constexpr int apple_hit_pause_ms = 2000;
constexpr int boy_hit_pause_ms = 2500;
constexpr int cringe_pause_ms = 4000;
constexpr int second_call_pause_ms = 1000;
constexpr int running_home_pause_ms = 3200;

}  // namespace

// The apple 60 pixels or more from the left and top; the heart spot, the
// lowest and rightmost, at most at (739, 539).
constexpr int boy_from = 60;
constexpr int boy_x_span = 650;
constexpr int boy_y_span = 340;

void place_boy(Platform& p, Boy& boy) {
  boy.x = boy_from + p.random() % boy_x_span;
  boy.y = boy_from + p.random() % boy_y_span;
  for (int spot = 0; spot < spot_count; ++spot) {
    boy.spots[spot] = {boy.x + spot_offsets[spot].x, boy.y + spot_offsets[spot].y};
  }
}

int spot_ring(Boy& boy, int cursor_x, int cursor_y, int spot) {
  boy.spot_x = boy.spots[spot].x;
  boy.spot_y = boy.spots[spot].y;
  measure(boy, boy.spot_x, boy.spot_y, cursor_x, cursor_y);
  return ring_of(boy.distance, rings, 0);
}

int spot_source_x(const Boy& boy, int spot) { return boy.spots[spot].x; }

constexpr GameTable apple_shot_table = {
    "apple_shot", 5, "data/lvl3", sound_rows, first_body, volumes, positional, positional,
};

namespace {

struct AppleShot : LevelRun<slot_count> {
  static constexpr const GameTable& table = apple_shot_table;

  AppleShot(Platform& platform, AudioMode mode)
      : LevelRun(platform, mode, table, {start, lr_wall, ud_wall}) {
    place_boy(p, boy);
  }

  void begin() {
    call_timeline.restart(p);
    sound_boy();
  }

  void pass() {
    cue_update();
    shot_step();
    call_step();
    lives_step();
  }

  int ring_of_spot(int spot) { return spot_ring(boy, frame.cursor_x, frame.cursor_y, spot); }

  // The three loops from the start, each with its cue.
  void sound_boy() {
    for (int spot = first_body_spot; spot < spot_count; ++spot) {
      last_rings[spot] = ring_of_spot(spot);
      sounds.play(p, first_body + spot - first_body_spot);
      position_cue(p, frame, body_channel(spot), spot_source_x(boy, spot), last_rings[spot]);
    }
  }

  void halt_body() {
    for (int spot = first_body_spot; spot < spot_count; ++spot) p.halt(body_channel(spot));
  }

  // A spot's cue only when its ring changes; the loops play on.
  void cue_update() {
    for (int spot = first_body_spot; spot < spot_count; ++spot) {
      const int ring = ring_of_spot(spot);
      if (ring != last_rings[spot]) {
        position_cue(p, frame, body_channel(spot), spot_source_x(boy, spot), ring);
        last_rings[spot] = ring;
      }
    }
  }

  // The mouse is warped to where it is, as the shot is fired.
  void shot_step() {
    if (!fire(bow)) return;
    lives.counted();
    p.warp_mouse(frame.cursor_x, frame.cursor_y);
    // The apple first: a shot just below it is near the breath as well.
    if (ring_of_spot(apple_spot) >= apple_hit_ring) {
      on_apple_hit();
    } else if (ring_of_spot(breath_spot) >= boy_hit_ring ||
               ring_of_spot(heart_spot) >= boy_hit_ring) {
      halt_body();
      end_with(boy_hit, boy_hit_pause_ms);
    } else {
      on_miss();
    }
  }

  void on_apple_hit() {
    halt_body();
    sounds.play(p, apple_hit);
    p.delay(apple_hit_pause_ms);
    place_boy(p, boy);
    lives.new_target();
    ++score;
    sound_boy();
    period = shortened_period(period);
    call_timeline.restart(p);
  }

  // With the last life gone, lives_step ends the game in this pass.
  void on_miss() {
    lives.missed([&] { sounds.play(p, stammer); },
                 [&] {
                   halt_body();
                   sounds.play(p, cringe);
                   p.delay(cringe_pause_ms);
                   place_boy(p, boy);
                   sound_boy();
                 });
  }

  // A first call at half the period; at its end the boy runs home.
  void call_step() {
    const std::array<int, 2> marks = {period / 2, period};
    call_timeline.step(p, marks, [&](int mark) {
      if (mark == 0) {
        sounds.play(p, first_call);
        return;
      }
      halt_body();
      sounds.play(p, second_call);
      p.delay(second_call_pause_ms);
      run_home();
    });
  }

  void lives_step() {
    if (!lives.none_left()) return;
    halt_body();
    run_home();
  }

  void run_home() { end_with(running_home, running_home_pause_ms); }

  Boy boy;
  int last_rings[spot_count] = {};  // of the sounding spots, at their last cue
  Lives lives;
  int period = first_period_ms;
  Timeline call_timeline;
};

}  // namespace

int apple_shot(Platform& p, AudioMode mode) { return run_level<AppleShot>(p, mode); }
