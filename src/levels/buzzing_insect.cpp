// Buzzing insect: a buzz in four speeds leads to a hidden insect; each hit
// sends it elsewhere and sends the approaching tractor back for a shorter run.
#include "buzzing_insect.hpp"

#include "levels.hpp"
#include "toolkit/run_level.hpp"

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
  first_buzz,  // the four buzz loops by band
  slot_count = first_buzz + 4
};

enum Channel { buzz_channel = 0, bow_channel = 1, answer_channel = 2, tractor_channel = 4 };

constexpr SoundRow sound_rows[] = {
    {"data/lvl2/applehitbuzzaway.ogg", answer_channel, once},
    {"data/lvl2/massbuzz.ogg", answer_channel, once},
    {"data/lvl2/buzzaway.ogg", answer_channel, once},
    {"data/lvl2/massbuzzaway.ogg", answer_channel, once},
    {"data/difflvl/bow.ogg", bow_channel, once},
    {"data/difflvl/lrwall.ogg", wall_channel, once},
    {"data/difflvl/udwall.ogg", wall_channel, once},
    {"data/lvl2/tractor.ogg", tractor_channel, once},
    {"data/lvl2/tractorinsect.ogg", tractor_channel, once},
    {"data/difflvl/start.ogg", start_channel, once},
    {"data/lvl2/tractoraway.ogg", tractor_channel, once},
    // By band: very fast, fast, normal, slow.
    {"data/lvl2/buzzveryfast.ogg", buzz_channel, endless},
    {"data/lvl2/buzzfast.ogg", buzz_channel, endless},
    {"data/lvl2/buzz.ogg", buzz_channel, endless},
    {"data/lvl2/buzzslow.ogg", buzz_channel, endless},
};
static_assert(std::size(sound_rows) == slot_count);

constexpr int volumes[5] = {128, 64, 128, 32, 64};
constexpr int positional[] = {buzz_channel};

constexpr RingBound rings[] = {
    {2, 10}, {5, 9}, {10, 8}, {20, 7}, {40, 6}, {70, 5}, {110, 4}, {160, 3}, {220, 2},
};

// The lowest ring of each band, nearest band first.
constexpr int band_floor[4] = {8, 6, 4, 1};

constexpr int hit_ring = 8;  // within 10 pixels
constexpr int first_period_ms = 60000;
constexpr int arriving_before_end_ms = 2000;
constexpr int fly_off_pause_ms = 2000;
constexpr int tractor_pause_ms = 6000;
constexpr int game_over_pause_ms = 4000;

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

constexpr GameTable buzzing_insect_table = {
    "buzzing_insect", 4, "data/lvl2", sound_rows, first_buzz, volumes, positional, positional,
};

namespace {

struct BuzzingInsect : LevelRun<slot_count> {
  static constexpr const GameTable& table = buzzing_insect_table;

  BuzzingInsect(Platform& platform, AudioMode mode)
      : LevelRun(platform, mode, table, {start, lr_wall, ud_wall}) {
    place_target(p, insect);
  }

  void begin() {
    tractor_timeline.restart(p);
    sound_insect();
  }

  void pass() {
    ring_update();
    shot_step();
    tractor_step();
    lives_step();
  }

  // A new insect always restarts the loop, even in the band heard before:
  // the hit or escape silenced it.
  void sound_insect() {
    ring = proximity_ring(insect, frame.cursor_x, frame.cursor_y);
    last_ring = ring;
    last_band = band_of_ring(ring);
    sounds.play(p, first_buzz + last_band);
    position_cue(p, frame, buzz_channel, insect.x, ring);
  }

  // A new buzz when the band changes, a new cue when the ring does.
  void ring_update() {
    ring = proximity_ring(insect, frame.cursor_x, frame.cursor_y);
    if (ring == last_ring) return;
    const int band = band_of_ring(ring);
    if (band != last_band) {
      sounds.play(p, first_buzz + band);
      last_band = band;
    }
    position_cue(p, frame, buzz_channel, insect.x, ring);
    last_ring = ring;
  }

  // With the last life gone, lives_step ends the game in this pass.
  void shot_step() {
    if (!fire(bow)) return;
    lives.shot(
        ring >= hit_ring, [&] { on_hit(); }, [&] { sounds.play(p, miss); },
        [&] { fly_off(escape); });
  }

  // The tractor turns back only if it is still heard.
  void on_hit() {
    fly_off(hit);
    ++score;
    if (p.playing(tractor_channel)) sounds.play(p, tractor_leaves);
    period = shortened_period(period);
    tractor_timeline.restart(p);
  }

  // The buzz falls silent through the pause, then a new insect sounds from
  // its new place.
  void fly_off(int answer) {
    p.halt(buzz_channel);
    sounds.play(p, answer);
    p.delay(fly_off_pause_ms);
    place_target(p, insect);
    sound_insect();
  }

  // Heard at half the period, arriving 2 s before its end, here at the end.
  void tractor_step() {
    const std::array<int, 3> marks = {period / 2, period - arriving_before_end_ms, period};
    tractor_timeline.step(p, marks, [&](int mark) {
      if (mark == 0) sounds.play(p, tractor);
      if (mark == 1) sounds.play(p, tractor_arriving);
      if (mark == 2) {
        p.delay(tractor_pause_ms);
        frame.end_flag = true;
      }
    });
  }

  void lives_step() {
    if (!lives.none_left()) return;
    end_with(game_over, game_over_pause_ms);
  }

  Target insect;
  int ring = 0;
  int last_ring = 0;
  int last_band = 0;
  Lives lives;
  int period = first_period_ms;
  Timeline tractor_timeline;
};

}  // namespace

int buzzing_insect(Platform& p, AudioMode mode) { return run_level<BuzzingInsect>(p, mode); }
