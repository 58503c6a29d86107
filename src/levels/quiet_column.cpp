// Quiet column: a fizz leads away from four decoy columns to the quiet one,
// the target, which must be shot before the countdown runs out.
#include "quiet_column.hpp"

#include <algorithm>
#include <cstdlib>

#include "levels.hpp"
#include "toolkit/level_frame.hpp"

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

constexpr const char* files[slot_count] = {
    "data/lvl4/fizz.ogg",       "data/difflvl/revolvershot.ogg", "data/difflvl/lrwall.ogg",
    "data/difflvl/udwall.ogg",  "data/difflvl/start.ogg",        "data/lvl4/tinhit.ogg",
    "data/lvl4/water.ogg",      "data/lvl4/shotup.ogg",          "data/lvl4/tinhit2.ogg",
    "data/lvl4/tinhit3.ogg",    "data/lvl4/countdown1.ogg",      "data/lvl4/countdown2.ogg",
    "data/lvl4/countdown3.ogg", "data/lvl4/barreldest.ogg",
};

constexpr int volumes[6] = {128, 64, 64, 32, 64, 128};

enum Channel {
  fizz_channel = 0,
  gun_channel = 1,
  hit_channel = 2,
  countdown_channel = 4,
  water_channel = 5
};

constexpr RingBound rings[] = {{16, 10}, {32, 8}, {48, 6}, {64, 4}, {80, 2}};

constexpr int decoy_count = 4;

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

struct Countdown {
  int start = 0;
  int stage = 0;
  int cue2_offset = 6000;
  int cue3_offset = 3000;
  int end_offset = 0;
};

int fizz_distance(int ring) { return 255 - 25 * ring; }

void decoy_cue(Platform& p, Column (&records)[column_count], int cursor_x,
               int (&last_ring)[decoy_count]) {
  for (int i = 0; i < decoy_count; ++i) {
    const int ring = column_ring(records[i], cursor_x);
    if (ring != last_ring[i]) {
      p.set_distance(fizz_channel, fizz_distance(ring));
      last_ring[i] = ring;
    }
  }
}

// Returns true when the countdown ran out in this pass.
bool countdown_step(Platform& p, Countdown& countdown, const Sound (&sounds)[slot_count]) {
  if (p.ticks() - countdown.start > 1000 && countdown.stage == 0) {
    play_once(p, countdown_channel, sounds[countdown1]);
    countdown.stage = 1;
  }
  if (p.ticks() - countdown.start > 10000 - countdown.cue2_offset && countdown.stage == 1) {
    play_once(p, countdown_channel, sounds[countdown2]);
    countdown.stage = 2;
  }
  if (p.ticks() - countdown.start > 10000 - countdown.cue3_offset && countdown.stage == 2) {
    play_once(p, countdown_channel, sounds[countdown3]);
    countdown.stage = 3;
  }
  if (p.ticks() - countdown.start > 10000 - countdown.end_offset && countdown.stage == 3) {
    p.halt(fizz_channel);
    p.halt(water_channel);
    play_once(p, countdown_channel, sounds[shot_up]);
    p.delay(2000);
    return true;
  }
  return false;
}

}  // namespace

void place_column(Column& record, int column) {
  record.column = column;
  record.x = 160 * column + 80;
  record.y = 300;
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

int quiet_column(Platform& p) {
  int last_shot = p.ticks();
  Sound sounds[slot_count];
  load_sounds(p, files, sounds);
  check_sounds(p, sounds);

  set_up_channels(p, volumes);
  Column records[column_count];
  for (int i = 0; i < column_count; ++i) place_column(records[i], i);
  draw_target_column(p, records);
  LevelFrame frame;  // no audio mode: nothing is ever panned
  start_sequence(p, sounds[start]);

  Countdown countdown;
  countdown.start = p.ticks();
  int last_decoy_ring[decoy_count];
  int loudest = 0;
  for (int i = 0; i < decoy_count; ++i) {
    last_decoy_ring[i] = column_ring(records[i], frame.cursor_x);
    loudest = std::max(loudest, last_decoy_ring[i]);
  }
  play_loop(p, fizz_channel, sounds[fizz]);
  p.set_distance(fizz_channel, fizz_distance(loudest));

  int lives = 3;
  int score = 0;
  int water_distance = 200;

  while (next_pass(p, frame, sounds[lr_wall], sounds[ud_wall])) {
    decoy_cue(p, records, frame.cursor_x, last_decoy_ring);

    if (fire_held(p) && p.ticks() - last_shot > 1000) {
      play_once(p, gun_channel, sounds[revolver_shot]);
      last_shot = p.ticks();
      if (column_ring(records[target_record], frame.cursor_x) > 0) {
        play_once(p, hit_channel, sounds[tin_hit]);
        draw_target_column(p, records);
        const HitAnswer& answer = hit_answer(score);
        play_once(p, hit_channel, sounds[answer.sound]);
        p.delay(answer.pause_ms);
        ++score;
        if (p.playing(countdown_channel)) p.halt(countdown_channel);
        countdown.stage = 0;
        countdown.start = p.ticks();
        if (countdown.cue2_offset <= 7999) {
          countdown.cue2_offset += 200;
          countdown.cue3_offset += 400;
          countdown.end_offset += 500;
        }
      } else {
        --lives;
        if (lives == 2) {
          play_once(p, water_channel, sounds[water]);
          p.set_distance(water_channel, water_distance);
        } else if (lives == 1) {
          // The water is not started again: only a sounding one comes nearer.
          water_distance -= 150;
          p.set_distance(water_channel, water_distance);
        }
      }
    }

    if (countdown_step(p, countdown, sounds)) frame.end_flag = true;

    // Not an else: a countdown that ran out in this pass still leaves the
    // barrel to burst if the last life went too.
    if (lives == 0) {
      p.halt(fizz_channel);
      p.halt(water_channel);
      play_once(p, hit_channel, sounds[barrel_destroyed]);
      p.delay(3000);
      frame.end_flag = true;
    }
  }

  end_level(p, frame, {});
  free_sounds(p, sounds);
  return score;
}
