// Laser defence: two enemy and two allied ships cross the field; shoot the
// enemies, spare the allies, and keep the own ship's shields up.
#include "laser_defence.hpp"

#include "levels.hpp"
#include "toolkit/level_frame.hpp"

namespace {

enum Slot {
  enemy_engine,
  ally_engine,
  cannon,
  lr_wall,
  ud_wall,
  start,
  enemy_blast,
  ally_blast,
  own_ship_lost,
  enemy_through,
  shield_status,
  evacuation,
  slot_count
};

constexpr const char* files[slot_count] = {
    "data/lvl6/shipen.ogg",    "data/lvl6/shipally.ogg",     "data/lvl6/lasercanon.ogg",
    "data/difflvl/lrwall.ogg", "data/difflvl/udwall.ogg",    "data/difflvl/start.ogg",
    "data/lvl6/exploen.ogg",   "data/lvl6/exploally.ogg",    "data/lvl6/shipdestroyed.ogg",
    "data/lvl6/ennothit.ogg",  "data/lvl6/shieldstatus.ogg", "data/lvl6/evacuation.ogg",
};

constexpr int volumes[10] = {128, 64, 32, 32, 128, 128, 128, 128, 128, 128};

enum Channel {
  cannon_channel = 1,
  blast_channel = 2,
  announce_channel = 4,
  first_ship_channel = 5,
  through_channel = 9
};

constexpr int ship_count = 4;
bool is_enemy(int ship) { return ship < 2; }

constexpr RingBound rings_table[] = {{30, 10}, {50, 8}, {70, 6}, {90, 4}, {110, 2}};

// Along-edge ranges keep entries 100 pixels clear of the corners.
struct Entry {
  int x, y, step_x, step_y;
  bool along_x;  // the drawn coordinate is x (else y)
  int from, span;
};
constexpr Entry entries[4] = {
    {0, 1, 0, +1, true, 100, 600},     // top, flying down
    {799, 0, -1, 0, false, 100, 400},  // right, flying left
    {0, 599, 0, -1, true, 100, 600},   // bottom, flying up
    {1, 0, +1, 0, false, 100, 400},    // left, flying right
};

constexpr int step_interval = 80;
constexpr int shot_interval = 1000;
constexpr int warning_wait = 5000;
constexpr int destruction_wait = 3500;
constexpr int destruction_pause = 4500;

}  // namespace

void place_ship(Platform& p, Ship& ship) {
  ship.side = p.random() % 4 + 1;
  const Entry& entry = entries[ship.side - 1];
  const int along = p.random() % entry.span + entry.from;
  ship.x = entry.along_x ? along : entry.x;
  ship.y = entry.along_x ? entry.y : along;
  ship.step_x = entry.step_x;
  ship.step_y = entry.step_y;
}

bool move_ship(Platform& p, Ship& ship) {
  ship.x += ship.step_x;
  ship.y += ship.step_y;
  if (ship.x < 0 || ship.x > 800 || ship.y < 0 || ship.y > 600) {
    place_ship(p, ship);
    return true;
  }
  return false;
}

int ship_ring(Ship& ship, int cursor_x, int cursor_y) {
  measure(ship, ship.x, ship.y, cursor_x, cursor_y);
  return ring_of(ship.distance, rings_table, 0);
}

int laser_defence(Platform& p, AudioMode mode) {
  // Loading time counts toward the first shot's cool-down.
  int last_shot = p.ticks();
  Sound sounds[slot_count];
  load_sounds(p, files, sounds);
  check_sounds(p, sounds);

  set_up_channels(p, volumes);
  Ship ships[ship_count];
  for (Ship& ship : ships) place_ship(p, ship);
  LevelFrame frame;
  frame.mode = mode;
  start_sequence(p, sounds[start]);

  int rings[ship_count];
  int last_rings[ship_count];
  for (int i = 0; i < ship_count; ++i) {
    rings[i] = ship_ring(ships[i], frame.cursor_x, frame.cursor_y);
    last_rings[i] = rings[i];
    play_loop(p, first_ship_channel + i, sounds[is_enemy(i) ? enemy_engine : ally_engine]);
    position_cue(p, frame, first_ship_channel + i, ships[i].x, rings[i]);
  }
  int last_step = p.ticks();

  int shields = 3;
  int score = 0;
  int pending_passes = 0;
  int last_loss_time = 0;  // program start: the first waits count from there
  int warn_stage = 0;

  while (next_pass(p, frame, sounds[lr_wall], sounds[ud_wall])) {
    if (p.ticks() - last_step > step_interval) {
      for (int i = 0; i < ship_count; ++i) {
        if (move_ship(p, ships[i]) && is_enemy(i)) ++pending_passes;
      }
      last_step = p.ticks();
    }

    // One enemy through at a time; the shield point goes as it is announced.
    if (pending_passes > 0 && !p.playing(through_channel)) {
      play_once(p, through_channel, sounds[enemy_through]);
      last_loss_time = p.ticks();
      --pending_passes;
      --shields;
    }

    for (int i = 0; i < ship_count; ++i) {
      rings[i] = ship_ring(ships[i], frame.cursor_x, frame.cursor_y);
      if (rings[i] != last_rings[i]) {
        position_cue(p, frame, first_ship_channel + i, ships[i].x, rings[i]);
        last_rings[i] = rings[i];
      }
    }

    if (fire_held(p) && p.ticks() - last_shot > shot_interval) {
      play_once(p, cannon_channel, sounds[cannon]);
      last_shot = p.ticks();
      for (int i = 0; i < ship_count; ++i) {
        if (rings[i] != 10) continue;
        if (is_enemy(i)) {
          play_once(p, blast_channel, sounds[enemy_blast]);
          place_ship(p, ships[i]);
          ++score;
        } else {
          play_once(p, blast_channel, sounds[ally_blast]);
          place_ship(p, ships[i]);
          shields -= 2;
        }
      }
    }

    if (warn_stage <= 0 && shields == 2 && p.ticks() - last_loss_time > warning_wait) {
      play_once(p, announce_channel, sounds[shield_status]);
      warn_stage += 1;
    }
    if (warn_stage <= 1 && shields == 1 && p.ticks() - last_loss_time > warning_wait) {
      play_once(p, announce_channel, sounds[evacuation]);
      warn_stage += 2;
    }

    // Each enemy through restarts the wait, so its sound is heard out first.
    if (shields <= 0 && p.ticks() - last_loss_time > destruction_wait) {
      p.halt(-1);
      play_once(p, announce_channel, sounds[own_ship_lost]);
      p.delay(destruction_pause);
      frame.end_flag = true;
    }
  }

  end_level(p, frame, {5, 6, 7, 8});
  free_sounds(p, sounds);
  return score;
}
