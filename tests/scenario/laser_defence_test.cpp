// Laser defence played through the fake platform: ships crossing, shots,
// shields, announcements and the end of the own ship.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fake/fake_platform.hpp"
#include "fake/record_views.hpp"
#include "levels/levels.hpp"

namespace {

const std::vector<std::string> slot_files = {
    "data/lvl6/shipen.ogg",    "data/lvl6/shipally.ogg",     "data/lvl6/lasercanon.ogg",
    "data/difflvl/lrwall.ogg", "data/difflvl/udwall.ogg",    "data/difflvl/start.ogg",
    "data/lvl6/exploen.ogg",   "data/lvl6/exploally.ogg",    "data/lvl6/shipdestroyed.ogg",
    "data/lvl6/ennothit.ogg",  "data/lvl6/shieldstatus.ogg", "data/lvl6/evacuation.ogg",
};
const std::string exploen = "data/lvl6/exploen.ogg";
const std::string exploally = "data/lvl6/exploally.ogg";
const std::string destroyed = "data/lvl6/shipdestroyed.ogg";
const std::string ennothit = "data/lvl6/ennothit.ogg";
const std::string shieldstatus = "data/lvl6/shieldstatus.ogg";
const std::string evacuation = "data/lvl6/evacuation.ogg";

// The two draws that bring a ship in at `side` (1 top .. 4 left), `along`
// pixels along that edge.
void enter(FakePlatform& p, int side, int along) {
  p.random_values.push_back(side - 1);
  p.random_values.push_back(along - 100);
}

}  // namespace

TEST(LaserDefence, TriesAllTwelveSoundsBeforeTheFirstMissingOneEndsIt) {
  FakePlatform p;
  p.missing = {exploally, evacuation};
  try {
    laser_defence(p, 1);
    FAIL() << "the level ran without its sounds";
  } catch (const ProgramExit& exit) {
    EXPECT_EQ(exit.code, 1);
  }
  EXPECT_EQ(sounds(p.find(Op::load)), slot_files);
  EXPECT_EQ(p.output, "Mix_LoadWAV: Couldn't open data/lvl6/exploally.ogg\n");
  EXPECT_TRUE(p.find(Op::allocate).empty());
  EXPECT_TRUE(p.find(Op::play).empty());
}

TEST(LaserDefence, StartsTheEnginesAndEndsWithEverythingFreed) {
  for (const AudioMode mode : {1, 2}) {
    SCOPED_TRACE(mode);
    FakePlatform p;
    p.hold_key(600, key_escape);
    EXPECT_EQ(laser_defence(p, mode), 0);

    ASSERT_EQ(p.find(Op::allocate).size(), 1u);
    EXPECT_EQ(p.find(Op::allocate)[0].a, 10);
    const int volumes[10] = {128, 64, 32, 32, 128, 128, 128, 128, 128, 128};
    for (int channel = 0; channel < 10; ++channel) {
      ASSERT_EQ(p.find(Op::volume, channel).size(), 1u);
      EXPECT_EQ(p.find(Op::volume, channel)[0].a, volumes[channel]);
    }
    EXPECT_EQ(p.play_times(0, "data/difflvl/start.ogg"), std::vector<int>{0});
    for (int channel = 5; channel <= 8; ++channel) {
      const auto engine = p.find(Op::play, channel);
      ASSERT_EQ(engine.size(), 1u);
      EXPECT_EQ(engine[0].sound, channel < 7 ? "data/lvl6/shipen.ogg" : "data/lvl6/shipally.ogg");
      EXPECT_EQ(engine[0].a, -1);
      EXPECT_EQ(engine[0].time, 500);
    }

    // Ships far off: silent from the start; in stereo the ending takes the
    // panning off all four ship channels.
    const auto pans = p.find(Op::panning);
    const auto distances = p.find(Op::distance);
    if (mode == stereo) {
      ASSERT_EQ(pans.size(), 8u);
      EXPECT_TRUE(distances.empty());
      for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pans[i].channel, 5 + i);
        EXPECT_EQ(pans[i].a + pans[i].b, 0);
        EXPECT_EQ(pans[4 + i].channel, 5 + i);
        EXPECT_EQ(pans[4 + i].time, 600);
        EXPECT_EQ(pans[4 + i].a, 255);
        EXPECT_EQ(pans[4 + i].b, 255);
      }
      EXPECT_GT(index_of(p, Op::panning, 5, 600), index_of(p, Op::halt, -1, 600));
    } else {
      EXPECT_TRUE(pans.empty());
      ASSERT_EQ(distances.size(), 4u);
      for (const Call& call : distances) EXPECT_EQ(call.a, 255);
    }
    EXPECT_EQ(p.times(Op::halt, -1), std::vector<int>{600});
    EXPECT_EQ(sounds(p.find(Op::free)), slot_files);
    EXPECT_EQ(p.live_chunks(), 0);
    EXPECT_EQ(p.random_draws, 8);
  }
}

TEST(LaserDefence, ShipsStepEveryEightyOneMsAndCueOnlyOnRingChanges) {
  // Ship 0 flies in from the left along y 300 toward a cursor at x 112, one
  // pixel per step at 500 + 81 k, and out the other side.
  struct Cue {
    int time, distance, left, right;
  };
  const std::vector<Cue> cues = {
      {500, 255, 0, 0},      // from the centre, beyond reach
      {581, 205, 38, 12},    // step 1: 110 away, the left louder
      {2201, 155, 75, 25},   // step 21: 90
      {3821, 105, 113, 37},  // step 41: 70
      {5441, 55, 150, 50},   // step 61: 50
      {7061, 5, 188, 62},    // step 81: 30, in reach
      {12002, 55, 50, 150},  // step 142: 31 past, the right louder
  };
  for (const AudioMode mode : {1, 2}) {
    SCOPED_TRACE(mode);
    FakePlatform p;
    enter(p, 4, 300);
    for (int ship = 1; ship < 4; ++ship) enter(p, 2, 100);
    p.move_mouse(0, 112, 300);
    p.hold_key(12100, key_escape);
    laser_defence(p, mode);
    const auto got = p.find(mode == stereo ? Op::panning : Op::distance, 5);
    ASSERT_GE(got.size(), cues.size());
    for (std::size_t i = 0; i < cues.size(); ++i) {
      SCOPED_TRACE(cues[i].time);
      EXPECT_EQ(got[i].time, cues[i].time);
      if (mode == stereo) {
        EXPECT_EQ(got[i].a, cues[i].left);
        EXPECT_EQ(got[i].b, cues[i].right);
      } else {
        EXPECT_EQ(got[i].a, cues[i].distance);
      }
    }
    EXPECT_EQ(got.size(), cues.size() + (mode == stereo ? 1 : 0));  // + the reset
  }
}

TEST(LaserDefence, BalanceStaysAsSetWhileTheCursorKeepsToTheRing) {
  FakePlatform p;
  enter(p, 1, 400);  // ship 0 down from (400, 1)
  p.move_mouse(0, 380, 20);
  p.move_mouse(700, 420, 20);  // across the ship, still within 30 pixels
  p.move_mouse(750, 420, 60);  // out to ring 6
  p.hold_key(800, key_escape);
  laser_defence(p, stereo);
  const auto pans = p.find(Op::panning, 5);
  ASSERT_EQ(pans.size(), 4u);
  EXPECT_EQ(pans[1].time, 501);
  EXPECT_EQ(pans[1].a, 62);
  EXPECT_EQ(pans[1].b, 188);
  EXPECT_EQ(pans[2].time, 751);
  EXPECT_EQ(pans[2].a, 113);
  EXPECT_EQ(pans[2].b, 37);
}

TEST(LaserDefence, FirstShotComesMoreThanASecondAfterEntering) {
  for (const int entry : {0, 3000}) {
    SCOPED_TRACE(entry);
    FakePlatform p;
    p.now = entry;
    p.hold_buttons(0, left_button);
    p.hold_key(entry + 3500, key_escape);
    EXPECT_EQ(laser_defence(p, 1), 0);
    const std::vector<int> shots = {entry + 1001, entry + 2002, entry + 3003};
    EXPECT_EQ(p.play_times(1, "data/lvl6/lasercanon.ogg"), shots);
    EXPECT_TRUE(p.find(Op::play, 2).empty());
  }
}

TEST(LaserDefence, OneShotDestroysEveryShipInReach) {
  struct Row {
    const char* name;
    std::vector<int> near;  // ships flying in from the left along y 300
    int cursor_x;
    int shot_time;
    std::vector<std::string> blasts;
    int score;
    std::vector<int> evacuation;
    std::vector<int> destruction;
  };
  const Row rows[] = {
      {"two enemies", {0, 1}, 20, 1001, {exploen, exploen}, 2, {}, {}},
      // 3 - 2 leaves 1; the wait counts from the program's start.
      {"an enemy and an ally", {0, 2}, 20, 1001, {exploen, exploally}, 1, {5001}, {}},
      {"an ally after 5 s", {2}, 62, 5500, {exploally}, 0, {5500}, {}},
      {"two allies before 3.5 s", {2, 3}, 20, 1001, {exploally, exploally}, 0, {}, {3501}},
      {"two allies after 3.5 s", {2, 3}, 20, 4000, {exploally, exploally}, 0, {}, {4000}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    FakePlatform p;
    for (int ship = 0; ship < 4; ++ship) {
      const bool near = std::find(row.near.begin(), row.near.end(), ship) != row.near.end();
      near ? enter(p, 4, 300) : enter(p, 2, 100);
    }
    p.move_mouse(0, row.cursor_x, 300);
    p.hold_buttons(row.shot_time, left_button);
    p.release_buttons(row.shot_time + 50, left_button);
    p.hold_key(9000, key_escape);
    EXPECT_EQ(laser_defence(p, 1), row.score);

    const auto blasts = p.find(Op::play, 2);
    EXPECT_EQ(sounds(blasts), row.blasts);
    for (const Call& blast : blasts) EXPECT_EQ(blast.time, row.shot_time);
    EXPECT_EQ(p.play_times(1), std::vector<int>{row.shot_time});
    EXPECT_EQ(p.play_times(4, evacuation), row.evacuation);
    EXPECT_TRUE(p.play_times(4, shieldstatus).empty());
    EXPECT_EQ(p.play_times(4, destroyed), row.destruction);
    // Every ship destroyed re-entered at once.
    EXPECT_EQ(p.random_draws, 8 + 2 * static_cast<int>(row.near.size()));
  }
}

TEST(LaserDefence, EnemiesThroughInOneStepAreAnnouncedInTurn) {
  // All four enter at the top and leave together at step 600 (49100 ms);
  // the allies cost nothing.
  struct Row {
    int length;  // of the enemy-through sound
    std::vector<int> through, shield_status, evacuation;
  };
  const Row rows[] = {
      {6000, {49100, 55100}, {54101}, {60101}},
      {200, {49100, 49300}, {}, {54301}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.length);
    FakePlatform p;
    p.lengths[ennothit] = row.length;
    p.hold_key(61000, key_escape);
    EXPECT_EQ(laser_defence(p, 1), 0);
    EXPECT_EQ(p.play_times(9, ennothit), row.through);
    EXPECT_EQ(p.play_times(4, shieldstatus), row.shield_status);
    EXPECT_EQ(p.play_times(4, evacuation), row.evacuation);
    EXPECT_TRUE(p.play_times(4, destroyed).empty());
    EXPECT_EQ(p.random_draws, 16);
  }
}

TEST(LaserDefence, EachEnemyThroughRestartsTheWaitBeforeTheOwnShipIsLost) {
  FakePlatform p;
  p.random_values = {0, 0, 0, 0};  // the enemies enter at the top
  enter(p, 4, 300);                // an ally in reach, shot at once: 1 shield left
  p.move_mouse(0, 20, 300);
  p.hold_buttons(1000, left_button);
  p.release_buttons(1050, left_button);
  p.lengths[ennothit] = 1500;
  // Quit inputs during the destruction pause go unread.
  p.press_key(55000, key_escape, 100);
  p.close_window(56000);
  EXPECT_EQ(laser_defence(p, stereo), 0);

  EXPECT_EQ(p.play_times(4, evacuation), std::vector<int>{5001});
  EXPECT_EQ(p.play_times(9, ennothit), (std::vector<int>{49100, 50600}));
  EXPECT_EQ(p.play_times(4, destroyed), std::vector<int>{54101});
  EXPECT_EQ(p.times(Op::halt, -1), (std::vector<int>{54101, 58601}));
  EXPECT_EQ(p.now, 58601);
  const auto pause = p.find(Op::delay);
  ASSERT_EQ(pause.size(), 2u);  // the start pause, then this one
  EXPECT_EQ(pause[1].a, 4500);
  EXPECT_EQ(pause[1].time, 54101);
  // Silence, the destruction sound, the pause, then the ending.
  EXPECT_LT(index_of(p, Op::halt, -1, 54101), index_of(p, Op::play, 4, 54101));
  EXPECT_LT(index_of(p, Op::play, 4, 54101), index_of(p, Op::delay, -1, 54101));
  EXPECT_LT(index_of(p, Op::delay, -1, 54101), index_of(p, Op::halt, -1, 58601));
  for (int channel = 5; channel <= 8; ++channel) {
    const auto pans = p.find(Op::panning, channel);
    ASSERT_FALSE(pans.empty());
    EXPECT_EQ(pans.back().time, 58601);
    EXPECT_EQ(pans.back().a, 255);
    EXPECT_EQ(pans.back().b, 255);
  }
  EXPECT_EQ(p.play_times(1).size(), 1u);
  EXPECT_EQ(p.live_chunks(), 0);
}
