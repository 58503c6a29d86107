// The shared rules of every level: the stereo balance, the positional cue,
// the rings and the hidden target's placement.
#include <gtest/gtest.h>

#include "fake/fake_platform.hpp"
#include "levels/levels.hpp"
#include "toolkit/level_frame.hpp"
#include "toolkit/rules.hpp"
#include "toolkit/target.hpp"
#include "toolkit/wait.hpp"

TEST(StereoGain, FollowsTheTableOfScales) {
  struct Row {
    int scale, far_side, near_side, centre;
  };
  const Row rows[] = {{10, 62, 188, 125}, {9, 56, 169, 112}, {8, 50, 150, 100}, {7, 43, 132, 87},
                      {6, 37, 113, 75},   {5, 31, 94, 62},   {4, 25, 75, 50},   {3, 18, 57, 37},
                      {2, 12, 38, 25},    {1, 6, 19, 12},    {0, 0, 0, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.scale);
    // Source well to the right of the cursor: the right side is louder.
    EXPECT_EQ(stereo_gain(400, 600, 0, row.scale), row.far_side);
    EXPECT_EQ(stereo_gain(400, 600, 1, row.scale), row.near_side);
    // Source well to the left: the left side is louder.
    EXPECT_EQ(stereo_gain(400, 200, 0, row.scale), row.near_side);
    EXPECT_EQ(stereo_gain(400, 200, 1, row.scale), row.far_side);
    EXPECT_EQ(stereo_gain(400, 400, 0, row.scale), row.centre);
    EXPECT_EQ(stereo_gain(400, 400, 1, row.scale), row.centre);
  }
}

TEST(StereoGain, CentreZoneRunsFromFourteenLeftToFifteenRight) {
  // 15 right: centre; 16 right: right louder.
  EXPECT_EQ(stereo_gain(400, 415, 1, 10), 125);
  EXPECT_EQ(stereo_gain(400, 416, 1, 10), 188);
  EXPECT_EQ(stereo_gain(400, 416, 0, 10), 62);
  // 14 left: centre; 15 left: left louder.
  EXPECT_EQ(stereo_gain(400, 386, 0, 10), 125);
  EXPECT_EQ(stereo_gain(400, 385, 0, 10), 188);
  EXPECT_EQ(stereo_gain(400, 385, 1, 10), 62);
}

TEST(PositionCue, PansInStereoAndSetsDistanceInMono) {
  FakePlatform p;
  LevelFrame frame;
  frame.cursor_x = 100;
  frame.mode = stereo;
  position_cue(p, frame, 6, 300, 7);
  frame.mode = 1;
  position_cue(p, frame, 6, 300, 7);
  position_cue(p, frame, 6, 300, 0);
  const auto panning = p.find(Op::panning, 6);
  ASSERT_EQ(panning.size(), 1u);
  EXPECT_EQ(panning[0].a, 43);
  EXPECT_EQ(panning[0].b, 132);
  const auto distance = p.find(Op::distance, 6);
  ASSERT_EQ(distance.size(), 2u);
  EXPECT_EQ(distance[0].a, 80);
  EXPECT_EQ(distance[1].a, 255);
}

TEST(ToneRing, BoundsOfEveryRing) {
  struct Row {
    int distance, ring;
  };
  const Row rows[] = {{0, 10}, {2, 10},  {3, 9},   {5, 9},   {6, 8},   {10, 8},  {11, 7},
                      {20, 7}, {21, 6},  {30, 6},  {31, 5},  {50, 5},  {51, 4},  {80, 4},
                      {81, 3}, {110, 3}, {111, 2}, {150, 2}, {151, 1}, {200, 1}, {201, 0}};
  for (const Row& row : rows) {
    Target target;
    target.x = 300;
    target.y = 300;
    EXPECT_EQ(tone_ring(target, 300, 300 + row.distance), row.ring) << row.distance;
    EXPECT_EQ(target.distance, row.distance);
  }
}

TEST(ToneRing, TruncatesTheDistanceAndMeasuresBothAxes) {
  Target target;
  target.x = 100;
  target.y = 100;
  // 4 and 4 apart: 5.66 pixels, truncated to 5, still ring 9.
  EXPECT_EQ(tone_ring(target, 104, 96), 9);
  EXPECT_EQ(target.dx, 4);
  EXPECT_EQ(target.dy, 4);
  EXPECT_EQ(target.distance, 5);
  // 5 and 3 apart: 5.83, truncated to 5.
  EXPECT_EQ(tone_ring(target, 95, 103), 9);
  // 5 and 4 apart: 6.4, truncated to 6: ring 8.
  EXPECT_EQ(tone_ring(target, 105, 104), 8);
}

TEST(PlaceTarget, DrawsRegionThenXThenY) {
  struct Row {
    int region_draw, x_draw, y_draw;
    int region, x, y;
  };
  const Row rows[] = {
      {0, 0, 0, 1, 100, 100},     {5, 299, 199, 1, 399, 299},
      {1, 0, 0, 2, 400, 100},     {6, 299, 199, 2, 699, 299},
      {2, 0, 0, 3, 100, 300},     {7, 300, 200, 3, 100, 300},
      {3, 299, 199, 4, 699, 499}, {4, 0, 0, 5, 200, 150},
      {9, 399, 299, 5, 599, 449}, {14, 400 + 17, 300 + 3, 5, 217, 153},
  };
  for (const Row& row : rows) {
    FakePlatform p;
    p.random_values = {row.region_draw, row.x_draw, row.y_draw};
    Target target;
    place_target(p, target);
    EXPECT_EQ(target.region, row.region);
    EXPECT_EQ(target.x, row.x);
    EXPECT_EQ(target.y, row.y);
    EXPECT_EQ(p.random_draws, 3);
  }
}

namespace {

// Runs passes of the frame alone until `until`, with the script given.
std::vector<Call> wall_cues_heard(FakePlatform& p, int until) {
  Sound lr = load_chunk(p, "data/difflvl/lrwall.ogg");
  Sound ud = load_chunk(p, "data/difflvl/udwall.ogg");
  LevelFrame frame;
  while (next_pass(p, frame, lr, ud)) {
    if (p.now >= until) frame.end_flag = true;
  }
  return p.find(Op::play, 3);
}

}  // namespace

TEST(WallCues, FirstTouchSoundsAtOnceThenEvery501ms) {
  FakePlatform p;
  p.now = 2000;
  p.move_mouse(2000, 0, 300);
  const auto heard = wall_cues_heard(p, 3100);
  std::vector<int> times;
  for (const Call& call : heard) {
    EXPECT_EQ(call.sound, "data/difflvl/lrwall.ogg");
    times.push_back(call.time);
  }
  EXPECT_EQ(times, (std::vector<int>{2001, 2502, 3003}));
}

TEST(WallCues, EachEdgeHasItsCueAndOnePixelInsideHasNone) {
  struct Case {
    int x, y;
    std::vector<std::string> sounds;
  };
  const std::string lr = "data/difflvl/lrwall.ogg";
  const std::string ud = "data/difflvl/udwall.ogg";
  const Case cases[] = {
      {799, 300, {lr}}, {400, 0, {ud}}, {400, 599, {ud}}, {0, 599, {lr, ud}},
      {1, 300, {}},     {798, 300, {}}, {400, 1, {}},     {400, 598, {}},
  };
  for (const Case& c : cases) {
    FakePlatform p;
    p.now = 1000;
    p.move_mouse(1000, c.x, c.y);
    std::vector<std::string> sounds;
    for (const Call& call : wall_cues_heard(p, 1100)) sounds.push_back(call.sound);
    EXPECT_EQ(sounds, c.sounds) << c.x << "," << c.y;
  }
}

TEST(FrameInput, LatestMouseEventWinsAndQuitInputsSetTheEndFlag) {
  FakePlatform p;
  p.move_mouse(10, 5, 6);
  p.move_mouse(10, 7, 8);
  LevelFrame frame;
  p.now = 10;
  frame_input(p, frame);
  EXPECT_EQ(frame.cursor_x, 7);
  EXPECT_EQ(frame.cursor_y, 8);
  EXPECT_FALSE(frame.end_flag);
  p.hold_key(20, key_1);  // not a quit key
  p.delay(20);
  frame_input(p, frame);
  EXPECT_FALSE(frame.end_flag);
  EXPECT_EQ(frame.cursor_x, 7);
  for (auto quit : {+[](FakePlatform& f) { f.hold_key(50, key_escape); },
                    +[](FakePlatform& f) { f.hold_buttons(50, right_button); },
                    +[](FakePlatform& f) { f.close_window(50); }}) {
    FakePlatform q;
    quit(q);
    LevelFrame f;
    q.delay(50);
    frame_input(q, f);
    EXPECT_TRUE(f.end_flag);
  }
}

TEST(WaitUnlessQuit, EndsOnTimeOrAtTheFirstTapOrClose) {
  {
    FakePlatform p;
    p.now = 100;
    EXPECT_EQ(wait_unless_quit(p, 300), WaitEnd::elapsed);
    EXPECT_EQ(p.now, 400);
  }
  {
    FakePlatform p;  // a tap far shorter than the wait's look at the keys
    p.press_key(205, key_escape, 1);
    p.press_key(150, key_1, 1);  // other keys go on waiting
    EXPECT_EQ(wait_unless_quit(p, 500), WaitEnd::escape);
    EXPECT_LE(p.now, 216);
  }
  {
    FakePlatform p;
    p.close_window(250);
    EXPECT_EQ(wait_unless_quit(p, 500), WaitEnd::close);
    EXPECT_LE(p.now, 261);
    Event event;
    EXPECT_FALSE(p.poll_event(event));  // the close request was taken
  }
}

TEST(Timeline, ALatePassTakesEveryDueCueInOrderAndARestartBeginsAgain) {
  FakePlatform p;
  p.now = 1000;
  Timeline timeline;
  timeline.restart(p);
  const std::array<int, 3> marks = {100, 200, 300};
  std::vector<std::pair<int, int>> heard;  // (time, cue)
  const auto pass = [&] {
    timeline.step(p, marks, [&](int cue) { heard.push_back({p.now, cue}); });
  };
  p.now = 1150;
  pass();
  pass();        // each cue once
  p.now = 1400;  // late: the other two in one pass
  pass();
  EXPECT_EQ(heard, (std::vector<std::pair<int, int>>{{1150, 0}, {1400, 1}, {1400, 2}}));
  timeline.restart(p);
  p.now = 1500;  // exactly the first mark after the restart: not yet
  pass();
  p.now = 1501;
  pass();
  EXPECT_EQ(heard.back(), (std::pair<int, int>{1501, 0}));
  EXPECT_EQ(heard.size(), 4u);
}

TEST(Lives, ThreeMissesAtOneTargetCostALifeAndTheLastStaysCounted) {
  Lives lives;
  std::string heard;
  const auto shoot = [&](bool hit) {
    lives.shot(
        hit, [&] { heard += 'h'; }, [&] { heard += 'm'; }, [&] { heard += 'L'; },
        [&] { heard += 'X'; });
  };
  for (const bool hit : {false, false, true, false, false, false}) shoot(hit);  // a hit resets
  for (int i = 0; i < 6; ++i) shoot(false);
  EXPECT_EQ(heard, "mmhmmLmmLmmX");
  EXPECT_TRUE(lives.none_left());
}
