// Laser defence: two enemy and two allied ships cross the field; shoot the
// enemies, spare the allies, and keep the own ship's shields up.
#include "laser_defence.hpp"

#include "levels.hpp"
#include "toolkit/run_level.hpp"

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

enum Channel {
  cannon_channel = 1,
  blast_channel = 2,
  announce_channel = 4,
  first_ship_channel = 5,  // ship i on 5 + i
  through_channel = 9
};

constexpr SoundRow sound_rows[] = {
    {"data/lvl6/shipen.ogg", first_ship_channel, endless, 2},
    {"data/lvl6/shipally.ogg", first_ship_channel + 2, endless, 2},
    {"data/lvl6/lasercanon.ogg", cannon_channel, once},
    {"data/difflvl/lrwall.ogg", wall_channel, once},
    {"data/difflvl/udwall.ogg", wall_channel, once},
    {"data/difflvl/start.ogg", start_channel, once},
    {"data/lvl6/exploen.ogg", blast_channel, once},
    {"data/lvl6/exploally.ogg", blast_channel, once},
    {"data/lvl6/shipdestroyed.ogg", announce_channel, once},
    {"data/lvl6/ennothit.ogg", through_channel, once},
    {"data/lvl6/shieldstatus.ogg", announce_channel, once},
    {"data/lvl6/evacuation.ogg", announce_channel, once},
};
static_assert(std::size(sound_rows) == slot_count);

constexpr int volumes[10] = {128, 64, 32, 32, 128, 128, 128, 128, 128, 128};
constexpr int positional[] = {first_ship_channel, first_ship_channel + 1, first_ship_channel + 2,
                              first_ship_channel + 3};

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

constexpr int shot_ring = 10;  // within 30 pixels
constexpr int first_shields = 3;
constexpr int ally_cost = 2;
constexpr int step_interval = 80;
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
  // The field's edges are inside it: one pixel more each way than the window.
  if (ship.x < 0 || ship.x > screen_width || ship.y < 0 || ship.y > screen_height) {
    place_ship(p, ship);
    return true;
  }
  return false;
}

int ship_ring(Ship& ship, int cursor_x, int cursor_y) {
  measure(ship, ship.x, ship.y, cursor_x, cursor_y);
  return ring_of(ship.distance, rings_table, 0);
}

constexpr GameTable laser_defence_table = {
    "laser_defence", 6, "data/lvl6", sound_rows, slot_count, volumes, positional, positional,
};

namespace {

struct LaserDefence : LevelRun<slot_count> {
  static constexpr const GameTable& table = laser_defence_table;

  LaserDefence(Platform& platform, AudioMode mode)
      : LevelRun(platform, mode, table, {start, lr_wall, ud_wall}) {
    for (Ship& ship : ships) place_ship(p, ship);
  }

  // The engines start, each with its cue from the centre.
  void begin() {
    for (int i = 0; i < ship_count; ++i) {
      rings[i] = ship_ring(ships[i], frame.cursor_x, frame.cursor_y);
      last_rings[i] = rings[i];
      sounds.play_on(p, first_ship_channel + i, is_enemy(i) ? enemy_engine : ally_engine);
      position_cue(p, frame, first_ship_channel + i, ships[i].x, rings[i]);
    }
    last_step = p.ticks();
  }

  void pass() {
    movement();
    enemy_through_step();
    cues();
    shot_step();
    announcements();
    destruction();
  }

  void movement() {
    if (p.ticks() - last_step <= step_interval) return;
    for (int i = 0; i < ship_count; ++i) {
      if (move_ship(p, ships[i]) && is_enemy(i)) ++pending_passes;
    }
    last_step = p.ticks();
  }

  // One enemy through at a time; the shield point goes as it is announced.
  void enemy_through_step() {
    if (pending_passes == 0 || p.playing(through_channel)) return;
    sounds.play(p, enemy_through);
    last_loss_time = p.ticks();
    --pending_passes;
    --shields;
  }

  // A ship's cue only when its ring changes.
  void cues() {
    for (int i = 0; i < ship_count; ++i) {
      rings[i] = ship_ring(ships[i], frame.cursor_x, frame.cursor_y);
      if (rings[i] != last_rings[i]) {
        position_cue(p, frame, first_ship_channel + i, ships[i].x, rings[i]);
        last_rings[i] = rings[i];
      }
    }
  }

  // Every ship within reach is hit, in order; its engine plays on from its
  // new entry.
  void shot_step() {
    if (!fire(cannon)) return;
    for (int i = 0; i < ship_count; ++i) {
      if (rings[i] != shot_ring) continue;
      sounds.play(p, is_enemy(i) ? enemy_blast : ally_blast);
      place_ship(p, ships[i]);
      if (is_enemy(i)) {
        ++score;
      } else {
        shields -= ally_cost;
      }
    }
  }

  // Each at most once a run; an ally lost at three shields skips the first.
  void announcements() {
    if (warn_stage <= 0 && shields == 2 && p.ticks() - last_loss_time > warning_wait) {
      sounds.play(p, shield_status);
      warn_stage += 1;
    }
    if (warn_stage <= 1 && shields == 1 && p.ticks() - last_loss_time > warning_wait) {
      sounds.play(p, evacuation);
      warn_stage += 2;
    }
  }

  // Each enemy through restarts the wait, so its sound is heard out first.
  void destruction() {
    if (shields > 0 || p.ticks() - last_loss_time <= destruction_wait) return;
    p.halt(-1);
    end_with(own_ship_lost, destruction_pause);
  }

  Ship ships[ship_count];
  int rings[ship_count] = {};       // this pass's, read by the shot
  int last_rings[ship_count] = {};  // at each ship's last cue
  int last_step = 0;
  int shields = first_shields;  // may fall below 0
  int pending_passes = 0;       // enemies through, not yet announced
  int last_loss_time = 0;       // program start: the first waits count from there
  int warn_stage = 0;
};

}  // namespace

int laser_defence(Platform& p, AudioMode mode) { return run_level<LaserDefence>(p, mode); }
