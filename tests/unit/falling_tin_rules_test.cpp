// The tin's placement, its ring and the wind's cue level.
#include <gtest/gtest.h>

#include "fake/fake_platform.hpp"
#include "levels/falling_tin.hpp"

namespace {

TEST(FallingTinRules, LaunchDrawsXFromOneHundredToSixHundredNinetyNine) {
  struct Case {
    int draw;
    int x;
  };
  const Case cases[] = {{0, 100}, {599, 699}, {600, 100}, {1234, 134}};
  for (const Case& c : cases) {
    FakePlatform p;
    p.random_values = {c.draw};
    Tin tin;
    tin.y = 377;
    tin.ring = 4;
    launch_tin(p, tin);
    EXPECT_EQ(tin.x, c.x) << c.draw;
    EXPECT_EQ(tin.y, 100);
    EXPECT_EQ(tin.ring, 4);  // kept until the next ring
    EXPECT_EQ(p.random_draws, 1);
  }
}

TEST(FallingTinRules, DropMovesOnePixelDown) {
  Tin tin;
  tin.x = 250;
  tin.y = 100;
  drop_tin(tin);
  drop_tin(tin);
  EXPECT_EQ(tin.y, 102);
  EXPECT_EQ(tin.x, 250);
}

TEST(FallingTinRules, RingAndCueLevelByTruncatedDistance) {
  struct Case {
    int distance;
    int ring;
    int level;
  };
  const Case cases[] = {
      {0, 0, 0},   {19, 0, 0},  {20, 1, 2},   {29, 1, 2},   {30, 2, 4},  {39, 2, 4},
      {40, 3, 6},  {49, 3, 6},  {50, 4, 8},   {69, 4, 8},   {70, 5, 10}, {89, 5, 10},
      {90, 6, 8},  {109, 6, 8}, {110, 7, 6},  {139, 7, 6},  {140, 8, 4}, {169, 8, 4},
      {170, 9, 2}, {199, 9, 2}, {200, 10, 0}, {500, 10, 0},
  };
  for (const Case& c : cases) {
    // Straight below and straight beside the tin, on either side.
    const int offsets[4][2] = {
        {0, c.distance}, {0, -c.distance}, {c.distance, 0}, {-c.distance, 0}};
    for (const auto& offset : offsets) {
      Tin tin;
      tin.x = 400;
      tin.y = 300;
      const int ring = proximity_ring(tin, 400 + offset[0], 300 + offset[1]);
      EXPECT_EQ(ring, c.ring) << "distance " << c.distance;
      EXPECT_EQ(tin.ring, c.ring);
      EXPECT_EQ(tin.distance, c.distance);
    }
    EXPECT_EQ(cue_level(c.ring), c.level) << "ring " << c.ring;
  }
}

TEST(FallingTinRules, DiagonalDistanceIsTruncated) {
  struct Case {
    int dx, dy;
    int distance;
    int ring;
  };
  const Case cases[] = {
      {12, 15, 19, 0},      // 19.2
      {12, 16, 20, 1},      // exactly 20
      {14, 14, 19, 0},      // 19.8
      {120, 160, 200, 10},  // exactly 200
      {141, 141, 199, 9},   // 199.4
  };
  for (const Case& c : cases) {
    Tin tin;
    tin.x = 300;
    tin.y = 250;
    EXPECT_EQ(proximity_ring(tin, 300 - c.dx, 250 + c.dy), c.ring) << c.dx << "," << c.dy;
    EXPECT_EQ(tin.dx, c.dx);
    EXPECT_EQ(tin.dy, c.dy);
    EXPECT_EQ(tin.distance, c.distance);
  }
}

}  // namespace
