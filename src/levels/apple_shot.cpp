// Apple on the boy's head: the apple is heard only through the boy below it.
// Hit the apple and he moves; hit him and the game is over.
#include "apple_shot.hpp"

#include "levels.hpp"
#include "toolkit/level_frame.hpp"
#include "toolkit/period.hpp"

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
  general_count
};

constexpr const char* general_files[general_count] = {
    "data/lvl3/applehitnewpos.ogg", "data/lvl3/stammer.ogg",   "data/lvl3/cringe.ogg",
    "data/lvl3/runninghome.ogg",    "data/lvl3/boyhit.ogg",    "data/difflvl/bow.ogg",
    "data/difflvl/lrwall.ogg",      "data/difflvl/udwall.ogg", "data/lvl3/mthey1.ogg",
    "data/lvl3/mthey2.ogg",         "data/difflvl/start.ogg",
};

// Spots 1 to 3, each on channel 4 + spot.
constexpr const char* body_files[3] = {
    "data/lvl3/breath.ogg",
    "data/lvl3/mumble.ogg",
    "data/lvl3/heart.ogg",
};

constexpr int volumes[8] = {128, 64, 128, 32, 128, 128, 128, 128};

constexpr RingBound rings[] = {{10, 10}, {20, 8}, {30, 6}, {45, 4}, {60, 2}};

// Offsets from the apple, by spot.
constexpr Boy::Spot spot_offsets[4] = {{0, 0}, {0, 60}, {0, 80}, {30, 140}};

constexpr int first_body_spot = breath_spot;
constexpr int body_channel(int spot) { return 4 + spot; }

void halt_body(Platform& p) {
  for (int spot = first_body_spot; spot < 4; ++spot) p.halt(body_channel(spot));
}

void sound_boy(Platform& p, const LevelFrame& frame, Boy& boy, int (&ring)[4], int (&last_ring)[4],
               const Sound (&body)[3]) {
  for (int spot = first_body_spot; spot < 4; ++spot) {
    ring[spot] = spot_ring(boy, frame.cursor_x, frame.cursor_y, spot);
    last_ring[spot] = ring[spot];
    play_loop(p, body_channel(spot), body[spot - first_body_spot]);
    position_cue(p, frame, body_channel(spot), spot_source_x(boy, spot), ring[spot]);
  }
}

}  // namespace

void place_boy(Platform& p, Boy& boy) {
  boy.x = 60 + p.random() % 650;
  boy.y = 60 + p.random() % 340;
  for (int spot = 0; spot < 4; ++spot) {
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

int apple_shot(Platform& p, AudioMode mode) {
  int last_shot = p.ticks();
  Sound general[general_count];
  Sound body[3];
  load_sounds(p, general_files, general);
  load_sounds(p, body_files, body);
  check_sounds(p, general);
  check_sounds(p, body);

  set_up_channels(p, volumes);
  Boy boy;
  place_boy(p, boy);
  LevelFrame frame;
  frame.mode = mode;
  start_sequence(p, general[start]);

  int ring[4] = {};
  int last_ring[4] = {};
  int shots = 0;
  int lives = 3;
  int score = 0;
  int period = 60000;
  int period_start = p.ticks();
  int call_stage = 0;
  sound_boy(p, frame, boy, ring, last_ring, body);

  while (next_pass(p, frame, general[lr_wall], general[ud_wall])) {
    for (int spot = first_body_spot; spot < 4; ++spot) {
      ring[spot] = spot_ring(boy, frame.cursor_x, frame.cursor_y, spot);
      if (ring[spot] != last_ring[spot]) {
        position_cue(p, frame, body_channel(spot), spot_source_x(boy, spot), ring[spot]);
        last_ring[spot] = ring[spot];
      }
    }

    if (fire_held(p) && p.ticks() - last_shot > 1000) {
      play_once(p, 1, general[bow]);
      last_shot = p.ticks();
      ++shots;
      p.warp_mouse(frame.cursor_x, frame.cursor_y);
      ring[apple_spot] = spot_ring(boy, frame.cursor_x, frame.cursor_y, apple_spot);
      // The apple first: a shot just below it is near the breath as well.
      if (ring[apple_spot] >= 8) {
        halt_body(p);
        play_once(p, 2, general[apple_hit]);
        p.delay(2000);
        place_boy(p, boy);
        shots = 0;
        ++score;
        sound_boy(p, frame, boy, ring, last_ring, body);
        call_stage = 0;
        period = shortened_period(period);
        period_start = p.ticks();
      } else if (spot_ring(boy, frame.cursor_x, frame.cursor_y, breath_spot) >= 4 ||
                 spot_ring(boy, frame.cursor_x, frame.cursor_y, heart_spot) >= 4) {
        halt_body(p);
        play_once(p, 2, general[boy_hit]);
        p.delay(2500);
        frame.end_flag = true;
      } else if (shots == 3) {
        --lives;
        if (lives > 0) {
          halt_body(p);
          play_once(p, 2, general[cringe]);
          p.delay(4000);
          place_boy(p, boy);
          sound_boy(p, frame, boy, ring, last_ring, body);
          shots = 0;
        }
      } else {
        play_once(p, 2, general[stammer]);
      }
    }

    if (p.ticks() - period_start > period / 2 && call_stage == 0) {
      play_once(p, 4, general[first_call]);
      call_stage = 1;
    }
    if (p.ticks() - period_start > period && call_stage == 1) {
      halt_body(p);
      play_once(p, 4, general[second_call]);
      p.delay(1000);
      play_once(p, 2, general[running_home]);
      p.delay(3200);
      frame.end_flag = true;
    }

    if (lives == 0) {
      halt_body(p);
      play_once(p, 2, general[running_home]);
      p.delay(3200);
      frame.end_flag = true;
    }
  }

  end_level(p, frame, {5, 6, 7});
  free_sounds(p, body);
  free_sounds(p, general);
  return score;
}
