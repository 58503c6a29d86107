// Quiet column: a fizz leads away from four decoy columns to the quiet one,
// the target, which must be shot before the countdown runs out.
#include "quiet_column.hpp"

#include <algorithm>
#include <cstdlib>

#include "levels.hpp"
#include "toolkit/run_level.hpp"

namespace {

enum Slot {
  fizz,
  revolver_shot,
  lr_wall,
  ud_wall,
  start,
  tin_hit,
  water,
  shot_up,
  tin_hit2,
  tin_hit3,
  countdown1,
  countdown2,
  countdown3,
  barrel_destroyed,
  slot_count
};

enum Channel {
  fizz_channel = 0,
  gun_channel = 1,
  hit_channel = 2,
  countdown_channel = 4,
  water_channel = 5
};

constexpr SoundRow sound_rows[] = {
    {"data/lvl4/fizz.ogg", fizz_channel, endless},
    {"data/difflvl/revolvershot.ogg", gun_channel, once},
    {"data/difflvl/lrwall.ogg", wall_channel, once},
    {"data/difflvl/udwall.ogg", wall_channel, once},
    {"data/difflvl/start.ogg", start_channel, once},
    {"data/lvl4/tinhit.ogg", hit_channel, once},
    {"data/lvl4/water.ogg", water_channel, once},
    {"data/lvl4/shotup.ogg", countdown_channel, once},
    {"data/lvl4/tinhit2.ogg", hit_channel, once},
    {"data/lvl4/tinhit3.ogg", hit_channel, once},
    {"data/lvl4/countdown1.ogg", countdown_channel, once},
    {"data/lvl4/countdown2.ogg", countdown_channel, once},
    {"data/lvl4/countdown3.ogg", countdown_channel, once},
    {"data/lvl4/barreldest.ogg", hit_channel, once},
};
static_assert(std::size(sound_rows) == slot_count);

constexpr int volumes[6] = {128, 64, 64, 32, 64, 128};
// Distance only, in either mode: this game takes no audio mode.
constexpr int distanced[] = {fizz_channel, water_channel};

constexpr RingBound rings[] = {{16, 10}, {32, 8}, {48, 6}, {64, 4}, {80, 2}};

constexpr int decoy_count = 4;
constexpr int column_spacing = 160;  // five columns across the window

// The hit sound and the pause after it, by the score before the hit.
struct HitAnswer {
  int from_score;
  Slot sound;
  int pause_ms;
};
constexpr HitAnswer hit_answers[] = {{5, tin_hit3, 1300}, {2, tin_hit2, 1800}, {0, tin_hit, 2500}};

const HitAnswer& hit_answer(int score) {
  for (const HitAnswer& answer : hit_answers) {
    if (score >= answer.from_score) return answer;
  }
  return hit_answers[2];  // unreachable: the score is never negative
}

// The countdown's cues: the first after 1 s, the others and the end at
// 10 s less an offset that grows with each of the first ten hits.
struct CountdownOffsets {
  int cue2 = 6000;
  int cue3 = 3000;
  int end = 0;

  std::array<int, 4> marks() const { return {1000, 10000 - cue2, 10000 - cue3, 10000 - end}; }
  void shorten() {
    if (cue2 > 7999) return;
    cue2 += 200;
    cue3 += 400;
    end += 500;
  }
};

constexpr int full_lives = 3;
constexpr int first_water_distance = 200;
constexpr int water_nearer_by = 150;
constexpr int shot_up_pause_ms = 2000;
constexpr int barrel_pause_ms = 3000;

int fizz_distance(int ring) { return 255 - 25 * ring; }

}  // namespace

void place_column(Column& record, int column) {
  record.column = column;
  record.x = column_spacing * column + column_spacing / 2;
}

int column_ring(Column& record, int cursor_x) {
  record.dx = std::abs(record.x - cursor_x);
  return ring_of(record.dx, rings, 0);
}

void draw_target_column(Platform& p, Column (&records)[column_count]) {
  const int n = p.random() % column_count;
  const int old = records[target_record].column;
  place_column(records[target_record], n);
  for (int i = 0; i < decoy_count; ++i) {
    // Only one decoy can stand in column n; none does when n is the old one.
    if (records[i].column == n) place_column(records[i], old);
  }
}

constexpr GameTable quiet_column_table = {
    "quiet_column", 2, "data/lvl4", sound_rows, slot_count, volumes, {}, distanced,
};

namespace {

struct QuietColumn : LevelRun<slot_count> {
  static constexpr const GameTable& table = quiet_column_table;

  QuietColumn(Platform& platform, AudioMode mode)
      : LevelRun(platform, mode, table, {start, lr_wall, ud_wall}) {
    for (int i = 0; i < column_count; ++i) place_column(records[i], i);
    draw_target_column(p, records);
  }

  // The fizz from the loudest decoy, as seen from the centre.
  void begin() {
    countdown.restart(p);
    int loudest = 0;
    for (int i = 0; i < decoy_count; ++i) {
      last_decoy_ring[i] = column_ring(records[i], frame.cursor_x);
      loudest = std::max(loudest, last_decoy_ring[i]);
    }
    sounds.play(p, fizz);
    p.set_distance(fizz_channel, fizz_distance(loudest));
  }

  void pass() {
    decoy_cue();
    shot_step();
    countdown_step();
    lives_step();
  }

  // Each decoy whose ring changed sets the fizz's distance, in record
  // order: the last one stays in force.
  void decoy_cue() {
    for (int i = 0; i < decoy_count; ++i) {
      const int ring = column_ring(records[i], frame.cursor_x);
      if (ring != last_decoy_ring[i]) {
        p.set_distance(fizz_channel, fizz_distance(ring));
        last_decoy_ring[i] = ring;
      }
    }
  }

  void shot_step() {
    if (!fire(revolver_shot)) return;
    if (column_ring(records[target_record], frame.cursor_x) > 0) {
      on_hit();
    } else {
      on_miss();
    }
  }

  // The first hit sound is cut short by the answer, which may be the same
  // sound again.
  void on_hit() {
    sounds.play(p, tin_hit);
    draw_target_column(p, records);
    const HitAnswer& answer = hit_answer(score);
    sounds.play(p, answer.sound);
    p.delay(answer.pause_ms);
    ++score;
    if (p.playing(countdown_channel)) p.halt(countdown_channel);
    countdown.restart(p);
    offsets.shorten();
  }

  void on_miss() {
    --lives;
    if (lives == full_lives - 1) {
      sounds.play(p, water);
      p.set_distance(water_channel, water_distance);
    } else if (lives == full_lives - 2) {
      // The water is not started again: only a sounding one comes nearer.
      water_distance -= water_nearer_by;
      p.set_distance(water_channel, water_distance);
    }
  }

  void countdown_step() {
    countdown.step(p, offsets.marks(), [&](int mark) {
      if (mark < 3) {
        sounds.play(p, countdown1 + mark);
        return;
      }
      p.halt(fizz_channel);
      p.halt(water_channel);
      end_with(shot_up, shot_up_pause_ms);
    });
  }

  // Not an else: a countdown that ran out in this pass still leaves the
  // barrel to burst if the last life went too.
  void lives_step() {
    if (lives != 0) return;
    p.halt(fizz_channel);
    p.halt(water_channel);
    end_with(barrel_destroyed, barrel_pause_ms);
  }

  Column records[column_count];
  int last_decoy_ring[decoy_count] = {};
  int lives = full_lives;
  int water_distance = first_water_distance;
  Timeline countdown;
  CountdownOffsets offsets;
};

}  // namespace

int quiet_column(Platform& p) { return run_level<QuietColumn>(p, mono); }
