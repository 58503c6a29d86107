// Rules more than one game plays by.
#pragma once

#include <array>
#include <cstddef>

#include "level_frame.hpp"

// A fire button's cool-down: a shot counts while the button is held and
// more than the interval has passed since the last one. It starts counting
// at the game's entry, so loading and the start pause count toward it.
class CoolDown {
 public:
  CoolDown(Platform& p, int interval_ms) : last_(p.ticks()), interval_(interval_ms) {}
  bool ready(Platform& p) const { return fire_held(p) && p.ticks() - last_ > interval_; }
  void restart(Platform& p) { last_ = p.ticks(); }

 private:
  int last_;
  int interval_;
};

// Three shots at one target without a hit cost a life (in the falling tin,
// a magazine), and the target moves on.
class Lives {
 public:
  // A shot at the current target: on_hit, or the miss's answer (missed).
  template <typename Hit, typename Miss, typename LifeLost, typename LastLife = void (*)()>
  void shot(
      bool hit, Hit&& on_hit, Miss&& on_miss, LifeLost&& on_life_lost,
      LastLife&& on_last_life = [] {}) {
    counted();
    if (hit) {
      new_target();
      on_hit();
    } else {
      missed(on_miss, on_life_lost, on_last_life);
    }
  }

  void counted() { ++shots_; }
  void new_target() { shots_ = 0; }

  // After a shot that did not hit: the first and second misses at a target
  // are only answered; the third costs a life and, with lives to spare,
  // the count starts again at the next target. With the last life the
  // count stays: no shot follows at that target.
  template <typename Miss, typename LifeLost, typename LastLife = void (*)()>
  void missed(
      Miss&& on_miss, LifeLost&& on_life_lost, LastLife&& on_last_life = [] {}) {
    if (shots_ != 3) {
      on_miss();
      return;
    }
    --lives_;
    if (lives_ == 0) {
      on_last_life();
      return;
    }
    new_target();
    on_life_lost();
  }

  bool none_left() const { return lives_ == 0; }

 private:
  int lives_ = 3;
  int shots_ = 0;
};

// Cues at marks through a period: each cue sounds in the first pass after
// its mark, in order, and a restart (on a hit) begins again with the first.
// A late pass goes through several marks at once.
class Timeline {
 public:
  // Also the start, once the game's first period begins.
  void restart(Platform& p) {
    stage_ = 0;
    start_ = p.ticks();
  }
  // cue(k) for each mark k that is due; the clock is read afresh for each.
  template <std::size_t N, typename Cue>
  void step(Platform& p, const std::array<int, N>& marks, Cue&& cue) {
    for (std::size_t k = 0; k < N; ++k) {
      if (p.ticks() - start_ > marks[k] && stage_ == static_cast<int>(k)) {
        stage_ = static_cast<int>(k) + 1;
        cue(static_cast<int>(k));
      }
    }
  }

 private:
  int start_ = 0;
  int stage_ = 0;
};

// The time allowed for the next hit in the games that shorten it after every
// hit: by 10 s while it is above 40 s, then by 5 s while it is above 20 s.
int shortened_period(int period);
