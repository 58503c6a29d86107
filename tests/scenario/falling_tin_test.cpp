// The falling tin game played through the fake platform.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "fake/fake_platform.hpp"
#include "fake/record_views.hpp"
#include "levels/levels.hpp"

namespace {

const std::vector<std::string> slot_files = {
    "data/lvl5/wind.ogg",        "data/lvl5/wind1.ogg",      "data/lvl5/tinhitair1.ogg",
    "data/lvl5/tinhitair2.ogg",  "data/lvl5/tinhitair3.ogg", "data/difflvl/revolvershot.ogg",
    "data/difflvl/lrwall.ogg",   "data/difflvl/udwall.ogg",  "data/difflvl/start.ogg",
    "data/lvl5/nohit1.ogg",      "data/lvl5/nohit2.ogg",     "data/lvl5/hey.ogg",
    "data/lvl5/tingameover.ogg", "data/lvl5/nomoreammo.ogg",
};
const std::string wind = "data/lvl5/wind.ogg";
const std::string near_wind = "data/lvl5/wind1.ogg";
const std::string hit1 = "data/lvl5/tinhitair1.ogg";
const std::string hit2 = "data/lvl5/tinhitair2.ogg";
const std::string hit3 = "data/lvl5/tinhitair3.ogg";
const std::string shot = "data/difflvl/revolvershot.ogg";
const std::string start_cue = "data/difflvl/start.ogg";
const std::string nohit1 = "data/lvl5/nohit1.ogg";
const std::string nohit2 = "data/lvl5/nohit2.ogg";
const std::string hey = "data/lvl5/hey.ogg";
const std::string game_over = "data/lvl5/tingameover.ogg";
const std::string no_ammo = "data/lvl5/nomoreammo.ogg";

// The start pause ends at 500 and the fall timer starts then. One pass takes
// 1 ms here, so a step "more than 50 ms" after the last comes 51 ms after it.
constexpr int start_done = 500;
constexpr int far_step = 51;
constexpr int near_step = 101;
constexpr int fast_step = 11;

// Every random draw is 0 unless a test says otherwise: each tin at x = 100.
constexpr int tin_x = 100;

using Timed = std::pair<int, std::string>;
std::vector<Timed> plays(const FakePlatform& p, int channel) {
  std::vector<Timed> found;
  for (const Call& call : p.find(Op::play, channel)) found.emplace_back(call.time, call.sound);
  return found;
}

using Distance = std::pair<int, int>;
std::vector<Distance> distances(const FakePlatform& p) {
  std::vector<Distance> found;
  for (const Call& call : p.find(Op::distance, 0)) found.emplace_back(call.time, call.a);
  return found;
}

using Gains = std::pair<int, int>;
std::vector<Gains> pannings(const FakePlatform& p) {
  std::vector<Gains> found;
  for (const Call& call : p.find(Op::panning, 0)) found.emplace_back(call.a, call.b);
  return found;
}

// A cursor resting 16 pixels beside a tin at x = 100 sees the tin fall
// through every ring, in and out again; y = 500 is 200.6 pixels away.
const std::vector<int> levels_through_the_fall = {0, 2, 4, 6, 8,  10, 8, 6, 4, 2, 0,
                                                  2, 4, 6, 8, 10, 8,  6, 4, 2, 0};

TEST(FallingTin, TriesEveryFileThenReportsTheFirstMissingInSlotOrder) {
  FakePlatform p;
  p.missing = {"data/lvl5/nomoreammo.ogg", "data/lvl5/hey.ogg"};
  try {
    falling_tin(p, stereo);
    FAIL() << "a missing sound must end the program";
  } catch (const ProgramExit& exit) {
    EXPECT_EQ(exit.code, 1);
  }
  EXPECT_EQ(sounds(p.find(Op::load)), slot_files);
  EXPECT_EQ(p.output, "Mix_LoadWAV: Couldn't open data/lvl5/hey.ogg\n");
  EXPECT_TRUE(p.find(Op::allocate).empty());
  EXPECT_TRUE(p.find(Op::play).empty());
}

TEST(FallingTin, StartsTheWindSilentAndEndsWithPanningRemovedInStereo) {
  for (AudioMode mode : {stereo, 1}) {
    SCOPED_TRACE(::testing::Message() << "mode " << mode);
    FakePlatform p;
    p.press_key(900, key_escape, 5);
    EXPECT_EQ(falling_tin(p, mode), 0);

    const auto allocations = p.find(Op::allocate);
    ASSERT_EQ(allocations.size(), 1u);
    EXPECT_EQ(allocations[0].a, 5);
    const int volumes[5] = {128, 64, 64, 32, 128};
    const auto volume_calls = p.find(Op::volume);
    ASSERT_EQ(volume_calls.size(), 5u);
    for (int channel = 0; channel < 5; ++channel) {
      EXPECT_EQ(volume_calls[channel].channel, channel);
      EXPECT_EQ(volume_calls[channel].a, volumes[channel]);
    }
    // The wind starts, then starts over as the far wind.
    EXPECT_EQ(plays(p, 0), (std::vector<Timed>{{0, start_cue}, {500, wind}, {500, wind}}));
    for (const Call& call : p.find(Op::play, 0)) {
      if (call.sound == wind) {
        EXPECT_EQ(call.a, -1);
      }
    }

    const auto& calls = p.calls;
    std::size_t halt_all = 0;
    while (halt_all < calls.size() &&
           !(calls[halt_all].op == Op::halt && calls[halt_all].channel == -1)) {
      ++halt_all;
    }
    ASSERT_LT(halt_all, calls.size());
    std::size_t first_free = halt_all + 1;
    if (mode == stereo) {
      EXPECT_EQ(pannings(p), (std::vector<Gains>{{0, 0}, {255, 255}}));
      ASSERT_LT(halt_all + 1, calls.size());
      EXPECT_EQ(calls[halt_all + 1].op, Op::panning);
      EXPECT_EQ(calls[halt_all + 1].channel, 0);
      first_free = halt_all + 2;
      EXPECT_TRUE(p.find(Op::distance).empty());
    } else {
      EXPECT_TRUE(p.find(Op::panning).empty());
      EXPECT_EQ(distances(p), (std::vector<Distance>{{500, 250}}));
    }
    std::vector<std::string> freed;
    for (std::size_t i = first_free; i < calls.size(); ++i) {
      EXPECT_EQ(calls[i].op, Op::free);
      freed.push_back(calls[i].sound);
    }
    EXPECT_EQ(freed, slot_files);
    EXPECT_EQ(p.live_chunks(), 0);
  }
}

TEST(FallingTin, StereoCuePansTowardTheTinWithTheCueLevel) {
  // Gains for the cue levels 0, 2, ..., 10: {near side, far side, centre}.
  struct GainRow {
    int level, near, far, centre;
  };
  const GainRow gain_rows[] = {{0, 0, 0, 0},     {2, 38, 12, 25},   {4, 75, 25, 50},
                               {6, 113, 37, 75}, {8, 150, 50, 100}, {10, 188, 62, 125}};
  enum Side { tin_left, tin_right, centre };
  struct Case {
    int cursor_x;
    Side side;
  };
  const Case cases[] = {{tin_x + 16, tin_left},
                        {tin_x + 15, tin_left},
                        {tin_x + 14, centre},
                        {tin_x - 15, centre},
                        {tin_x - 16, tin_right}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "cursor x " << c.cursor_x);
    FakePlatform p;
    p.move_mouse(0, c.cursor_x, 300);
    EXPECT_EQ(falling_tin(p, stereo), 0);

    std::vector<Gains> expected;
    for (int level : levels_through_the_fall) {
      const GainRow& row = gain_rows[level / 2];
      switch (c.side) {
        case tin_left:
          expected.emplace_back(row.near, row.far);
          break;
        case tin_right:
          expected.emplace_back(row.far, row.near);
          break;
        case centre:
          expected.emplace_back(row.centre, row.centre);
          break;
      }
    }
    expected.emplace_back(255, 255);  // taken off at the end
    EXPECT_EQ(pannings(p), expected);
    EXPECT_TRUE(p.find(Op::distance).empty());
  }
}

TEST(FallingTin, MonoCueIsTwoHundredFiftyLessTwentyFiveTimesTheLevel) {
  FakePlatform p;
  p.move_mouse(0, tin_x + 16, 300);
  EXPECT_EQ(falling_tin(p, 1), 0);
  std::vector<int> expected;
  expected.reserve(std::size(levels_through_the_fall));
  for (int level : levels_through_the_fall) expected.push_back(250 - 25 * level);
  const auto found = distances(p);
  std::vector<int> got(found.size());
  for (std::size_t i = 0; i < found.size(); ++i) got[i] = found[i].second;
  EXPECT_EQ(got, expected);
  EXPECT_TRUE(p.find(Op::panning).empty());
}

TEST(FallingTin, FallRateAndWindFollowTheRingAsTheTinPassesTheCursor) {
  // The cursor rests right under the tin's start, 200 pixels below it: the
  // distance is 300 - y above the cursor and y - 300 below it.
  FakePlatform p;
  p.move_mouse(0, tin_x, 300);
  EXPECT_EQ(falling_tin(p, 1), 0);

  const auto far_at = [](int from, int steps) { return from + far_step * steps; };
  const auto near_at = [](int from, int steps) { return from + near_step * steps; };
  const int ring4 = far_at(start_done, 131);  // y 231: distance 69, the near wind
  const int ring0 = near_at(ring4, 50);       // y 281
  const int ring5 = near_at(ring0, 89);       // y 370: distance 70, the far wind again
  const int landing = far_at(ring5, 131);     // y 501
  const std::vector<Distance> expected = {
      {start_done, 250},
      {far_at(start_done, 1), 200},   // y 101: ring 9
      {far_at(start_done, 31), 150},  // y 131: ring 8
      {far_at(start_done, 61), 100},  // y 161: ring 7
      {far_at(start_done, 91), 50},   // y 191: ring 6
      {far_at(start_done, 111), 0},   // y 211: ring 5
      {ring4, 50},
      {near_at(ring4, 20), 100},  // y 251: ring 3
      {near_at(ring4, 30), 150},  // y 261: ring 2
      {near_at(ring4, 40), 200},  // y 271: ring 1
      {ring0, 250},
      {near_at(ring0, 39), 200},  // y 320: ring 1
      {near_at(ring0, 49), 150},  // y 330: ring 2
      {near_at(ring0, 59), 100},  // y 340: ring 3
      {near_at(ring0, 69), 50},   // y 350: ring 4
      {ring5, 0},
      {far_at(ring5, 20), 50},    // y 390: ring 6
      {far_at(ring5, 40), 100},   // y 410: ring 7
      {far_at(ring5, 70), 150},   // y 440: ring 8
      {far_at(ring5, 100), 200},  // y 470: ring 9
      {far_at(ring5, 130), 250},  // y 500: ring 10, still in the air
  };
  EXPECT_EQ(distances(p), expected);
  EXPECT_EQ(plays(p, 0), (std::vector<Timed>{{0, start_cue},
                                             {start_done, wind},
                                             {start_done, wind},
                                             {ring4, near_wind},
                                             {ring5, wind}}));
  EXPECT_EQ(plays(p, 4), (std::vector<Timed>{{landing, game_over}}));
  EXPECT_EQ(p.times(Op::halt, 0), std::vector<int>{landing});
  EXPECT_EQ(p.find(Op::delay).back().a, 3000);
  EXPECT_EQ(p.times(Op::halt, -1), std::vector<int>{landing + 3000});
}

TEST(FallingTin, ShotHitsWithinNineteenPixelsOnBothAxes) {
  struct Case {
    int dx, dy;
    bool hit;
  };
  const Case cases[] = {
      {19, 0, true},  {20, 0, false}, {-19, 0, true},  {-20, 0, false}, {0, 19, true},
      {0, 20, false}, {0, -19, true}, {0, -20, false}, {12, 15, true},  {12, 16, false},
  };
  // The far cursor lets the tin fall 9 steps before 1000: it is at y 109.
  const int tin_y = 100 + 9;
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "dx " << c.dx << ", dy " << c.dy);
    FakePlatform p;
    p.move_mouse(999, tin_x + c.dx, tin_y + c.dy);
    p.hold_buttons(1001, left_button);
    p.release_buttons(1002, left_button);
    p.press_key(1100, key_escape, 5);
    EXPECT_EQ(falling_tin(p, stereo), c.hit ? 1 : 0);
    EXPECT_EQ(plays(p, 1), (std::vector<Timed>{{1001, shot}}));
    EXPECT_EQ(plays(p, 2), (std::vector<Timed>{{1001, c.hit ? hit1 : nohit1}}));
    EXPECT_EQ(p.random_draws, c.hit ? 2 : 1);
  }
}

TEST(FallingTin, ShotWithinOneSecondOfEntryIsIgnored) {
  FakePlatform p;
  p.now = 5000;
  p.move_mouse(0, 700, 300);
  p.hold_buttons(0, left_button);
  p.press_key(6500, key_escape, 5);
  falling_tin(p, 1);
  EXPECT_EQ(p.play_times(1, shot), std::vector<int>{6001});
}

TEST(FallingTin, HitSoundsRotateThroughEveryTin) {
  FakePlatform p;
  p.move_mouse(0, tin_x, 105);  // near each new tin and the first one at 1001
  p.hold_buttons(1001, left_button);
  p.release_buttons(9000, left_button);
  p.press_key(9100, key_escape, 5);
  EXPECT_EQ(falling_tin(p, 1), 4);
  // Each hit pauses 2400 ms; the next shot comes in the first pass after it.
  EXPECT_EQ(plays(p, 2),
            (std::vector<Timed>{{1001, hit1}, {3402, hit2}, {5803, hit3}, {8204, hit1}}));
}

TEST(FallingTin, MissSoundsRotateAcrossTinsAndSkipTheMagazineCall) {
  FakePlatform p;
  p.hold_buttons(1001, left_button);  // the cursor rests far from the tin
  // At 2002 the tin has taken 29 far steps: y 129. The cursor is there at
  // 2001 and turns the fall to the near rate, so the tin is still at 129.
  p.move_mouse(2000, tin_x, 129);
  p.move_mouse(2003, 400, 300);  // away again during the hit's pause
  p.release_buttons(9007, left_button);
  p.press_key(9100, key_escape, 5);
  EXPECT_EQ(falling_tin(p, 1), 1);
  EXPECT_EQ(plays(p, 2), (std::vector<Timed>{{1001, nohit1},
                                             {2002, hit1},
                                             {4403, nohit2},
                                             {5404, nohit1},
                                             {6405, hey},
                                             {9006, nohit2}}));
  EXPECT_EQ(p.random_draws, 3);  // the start, the hit and the lost magazine
}

TEST(FallingTin, FallTimerRestartsAfterAPause) {
  // After the pause the cursor is 200 pixels below the new tin (ring 10);
  // its first step (ring 9) must come a full far step after the pause.
  {
    SCOPED_TRACE("hit");
    FakePlatform p;
    p.move_mouse(999, tin_x, 110);
    p.hold_buttons(1001, left_button);
    p.release_buttons(1002, left_button);
    p.move_mouse(1002, tin_x, 300);
    p.press_key(4000, key_escape, 5);
    EXPECT_EQ(falling_tin(p, 1), 1);
    const int pause_end = 1001 + 2400;
    std::vector<Distance> after;
    for (const Distance& d : distances(p)) {
      if (d.first > pause_end) after.push_back(d);
    }
    EXPECT_EQ(after, (std::vector<Distance>{{pause_end + 1, 250}, {pause_end + far_step, 200}}));
  }
  {
    SCOPED_TRACE("lost magazine");
    FakePlatform p;
    p.move_mouse(0, tin_x, 300);  // misses: the tin is 150 pixels or more away
    p.hold_buttons(1001, left_button);
    p.release_buttons(3004, left_button);
    p.press_key(6000, key_escape, 5);
    EXPECT_EQ(falling_tin(p, 1), 0);
    EXPECT_EQ(plays(p, 2).back(), (Timed{3003, hey}));
    const int pause_end = 3003 + 2600;
    std::vector<Distance> after;
    for (const Distance& d : distances(p)) {
      if (d.first > pause_end) after.push_back(d);
    }
    EXPECT_EQ(after, (std::vector<Distance>{{pause_end + 1, 250}, {pause_end + far_step, 200}}));
  }
}

TEST(FallingTin, LastMagazineLeavesOnlyEmptyClicksAndAFastFall) {
  FakePlatform p;
  p.move_mouse(0, 700, 300);  // 600 pixels beside every tin: always ring 10
  p.hold_buttons(0, left_button);
  EXPECT_EQ(falling_tin(p, stereo), 0);

  // Shots every 1001 ms, each third one followed by the 2600 ms pause.
  EXPECT_EQ(p.play_times(1, shot),
            (std::vector<int>{1001, 2002, 3003, 5604, 6605, 7606, 10207, 11208, 12209}));
  EXPECT_EQ(plays(p, 2), (std::vector<Timed>{{1001, nohit1},
                                             {2002, nohit2},
                                             {3003, hey},
                                             {5604, nohit1},
                                             {6605, nohit2},
                                             {7606, hey},
                                             {10207, nohit1},
                                             {11208, nohit2},
                                             {12209, nohit2}}));
  EXPECT_EQ(p.random_draws, 3);  // the last tin stays

  // The last tin fell at the far rate from 10206 (39 steps by 12195, y 139),
  // then from the next pass on every 11 ms: y 140 at 12210, y 501 361 steps on.
  const int last_far_step = 10206 + 39 * far_step;
  const int landing = last_far_step + 15 + 361 * fast_step;
  EXPECT_EQ(p.play_times(1, no_ammo), (std::vector<int>{13210, 14211, 15212}));
  EXPECT_EQ(plays(p, 4), (std::vector<Timed>{{landing, game_over}}));
  EXPECT_EQ(p.times(Op::halt, -1), std::vector<int>{landing + 3000});
  EXPECT_EQ(pannings(p).back(), (Gains{255, 255}));
}

}  // namespace
