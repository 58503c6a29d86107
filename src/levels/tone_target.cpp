// Tone target: ten tones lead to a hidden target; each hit moves it and
// shortens the time allowed for the next one.
#include "levels.hpp"
#include "toolkit/run_level.hpp"

namespace {

enum Slot {
  hit,
  miss,
  lost_life,
  game_over,
  shot,
  lr_wall,
  ud_wall,
  countdown,
  time_up,
  start,
  first_tone,  // the tones by ring, 0 (silence) to 10
  slot_count = first_tone + 11
};

enum Channel { tone_channel = 0, gun_channel = 1, answer_channel = 2, countdown_channel = 4 };

constexpr SoundRow sound_rows[] = {
    {"data/lvl1/hit.ogg", answer_channel, once},
    {"data/lvl1/missed.ogg", answer_channel, once},
    {"data/lvl1/totalmissed.ogg", answer_channel, once},
    {"data/lvl1/gameover.ogg", answer_channel, once},
    {"data/lvl1/shot.ogg", gun_channel, once},
    {"data/difflvl/lrwall.ogg", wall_channel, once},
    {"data/difflvl/udwall.ogg", wall_channel, once},
    {"data/lvl1/countdown.ogg", countdown_channel, once},
    {"data/lvl1/countdown0.ogg", countdown_channel, once},
    {"data/difflvl/start.ogg", start_channel, once},
    // Ring 0 has a sound of its own, so that a tone always loops once the
    // first pass has run.
    {"data/lvl1/silence.ogg", tone_channel, endless},
    {"data/lvl1/normal1.ogg", tone_channel, endless},
    {"data/lvl1/normal2.ogg", tone_channel, endless},
    {"data/lvl1/normal3.ogg", tone_channel, endless},
    {"data/lvl1/normal4.ogg", tone_channel, endless},
    {"data/lvl1/normal5.ogg", tone_channel, endless},
    {"data/lvl1/normal6.ogg", tone_channel, endless},
    {"data/lvl1/normal7.ogg", tone_channel, endless},
    {"data/lvl1/normal8.ogg", tone_channel, endless},
    {"data/lvl1/normal9.ogg", tone_channel, endless},
    {"data/lvl1/normal10.ogg", tone_channel, endless},
};
static_assert(std::size(sound_rows) == slot_count);

constexpr int volumes[5] = {64, 64, 32, 32, 64};
constexpr int panned[] = {tone_channel};

constexpr RingBound rings[] = {
    {2, 10}, {5, 9}, {10, 8}, {20, 7}, {30, 6}, {50, 5}, {80, 4}, {110, 3}, {150, 2}, {200, 1},
};

constexpr int hit_ring = 9;  // within 5 pixels
constexpr int no_ring_yet = -1;
constexpr int pan_scale = 10;  // the balance never fades, only the tone changes
constexpr int first_period_ms = 60000;
constexpr int time_up_pause_ms = 1500;
constexpr int game_over_pause_ms = 2000;

}  // namespace

constexpr GameTable tone_target_table = {
    "tone_target", 1, "data/lvl1", sound_rows, first_tone, volumes, panned, {},
};

int tone_ring(Target& target, int cursor_x, int cursor_y) {
  measure_target(target, cursor_x, cursor_y);
  return ring_of(target.distance, rings, 0);
}

namespace {

struct ToneTarget : LevelRun<slot_count> {
  static constexpr const GameTable& table = tone_target_table;

  ToneTarget(Platform& platform, AudioMode mode)
      : LevelRun(platform, mode, table, {start, lr_wall, ud_wall}) {
    place_target(p, target);
  }

  void begin() { period_timeline.restart(p); }

  void pass() {
    tone_update();
    shot_step();
    countdown_step();
    lives_step();
  }

  // A new tone, and in stereo its balance, only when the ring changes.
  void tone_update() {
    ring = tone_ring(target, frame.cursor_x, frame.cursor_y);
    if (ring == last_ring) return;
    sounds.play(p, first_tone + ring);
    if (frame.mode == stereo) pan(p, frame, tone_channel, target.x, pan_scale);
    last_ring = ring;
  }

  // With the last life gone, lives_step ends the game in this pass.
  void shot_step() {
    if (!fire(shot)) return;
    lives.shot(
        ring >= hit_ring, [&] { on_hit(); }, [&] { sounds.play(p, miss); },
        [&] {
          sounds.play(p, lost_life);
          place_target(p, target);
        });
  }

  // The tone is not restarted: it changes when the ring to the new target
  // differs from the last one.
  void on_hit() {
    sounds.play(p, hit);
    place_target(p, target);
    ++score;
    p.halt(countdown_channel);
    period = shortened_period(period);
    period_timeline.restart(p);
  }

  // Ticks at half the period, then 5, 4, 3, 2 and 1 s before its end; then
  // time is up.
  void countdown_step() {
    const std::array<int, 7> marks = {period / 2,    period - 5000, period - 4000, period - 3000,
                                      period - 2000, period - 1000, period};
    period_timeline.step(p, marks, [&](int mark) {
      if (mark + 1 < static_cast<int>(marks.size())) {
        sounds.play(p, countdown);
        return;
      }
      end_with(time_up, time_up_pause_ms);
    });
  }

  void lives_step() {
    if (!lives.none_left()) return;
    end_with(game_over, game_over_pause_ms);
  }

  Target target;
  int ring = 0;
  int last_ring = no_ring_yet;  // so the first pass starts a tone
  Lives lives;
  int period = first_period_ms;
  Timeline period_timeline;
};

}  // namespace

int tone_target(Platform& p, AudioMode mode) { return run_level<ToneTarget>(p, mode); }
