// The boy's placement, his spots and their rings.
#include <gtest/gtest.h>

#include "fake/fake_platform.hpp"
#include "levels/apple_shot.hpp"

TEST(PlaceBoy, DrawsXThenYAndDerivesTheSpots) {
  struct Row {
    int x_draw, y_draw, x, y;
  };
  const Row rows[] = {
      {0, 0, 60, 60}, {649, 339, 709, 399}, {650, 340, 60, 60}, {17, 1000, 77, 380}};
  for (const Row& row : rows) {
    FakePlatform p;
    p.random_values = {row.x_draw, row.y_draw};
    Boy boy;
    place_boy(p, boy);
    EXPECT_EQ(p.random_draws, 2);
    EXPECT_EQ(boy.x, row.x);
    EXPECT_EQ(boy.y, row.y);
    const int spots[4][2] = {
        {row.x, row.y}, {row.x, row.y + 60}, {row.x, row.y + 80}, {row.x + 30, row.y + 140}};
    for (int spot = 0; spot < 4; ++spot) {
      EXPECT_EQ(boy.spots[spot].x, spots[spot][0]) << spot;
      EXPECT_EQ(boy.spots[spot].y, spots[spot][1]) << spot;
      EXPECT_EQ(spot_source_x(boy, spot), spots[spot][0]) << spot;
    }
  }
}

TEST(SpotRing, BoundsOfEveryRingAtEverySpot) {
  struct Row {
    int distance, ring;
  };
  const Row rows[] = {{0, 10}, {10, 10}, {11, 8}, {20, 8}, {21, 6}, {30, 6},
                      {31, 4}, {45, 4},  {46, 2}, {60, 2}, {61, 0}, {300, 0}};
  FakePlatform p;
  p.random_values = {140, 40};  // apple at (200, 100)
  Boy boy;
  place_boy(p, boy);
  const int spot_at[4][2] = {{200, 100}, {200, 160}, {200, 180}, {230, 240}};
  for (int spot = 0; spot < 4; ++spot) {
    for (const Row& row : rows) {
      SCOPED_TRACE(::testing::Message() << "spot " << spot << ", distance " << row.distance);
      EXPECT_EQ(spot_ring(boy, spot_at[spot][0], spot_at[spot][1] + row.distance, spot), row.ring);
      EXPECT_EQ(boy.spot_x, spot_at[spot][0]);
      EXPECT_EQ(boy.spot_y, spot_at[spot][1]);
      EXPECT_EQ(boy.dx, 0);
      EXPECT_EQ(boy.dy, row.distance);
      EXPECT_EQ(boy.distance, row.distance);
    }
  }
}

TEST(SpotRing, TruncatesTheDiagonalDistance) {
  FakePlatform p;
  p.random_values = {340, 240};  // apple at (400, 300)
  Boy boy;
  place_boy(p, boy);
  // 12 and 16 apart: exactly 20, ring 8; 13 and 16: 20.6, still 20.
  EXPECT_EQ(spot_ring(boy, 412, 284, apple_spot), 8);
  EXPECT_EQ(boy.dx, 12);
  EXPECT_EQ(boy.dy, 16);
  EXPECT_EQ(spot_ring(boy, 387, 316, apple_spot), 8);
  EXPECT_EQ(boy.distance, 20);
  // 15 and 15 apart: 21.2, ring 6.
  EXPECT_EQ(spot_ring(boy, 385, 315, apple_spot), 6);
  EXPECT_EQ(boy.distance, 21);
}
