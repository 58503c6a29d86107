// The buzzing insect's rings and buzz bands, and the shortening period.
#include <gtest/gtest.h>

#include "levels/buzzing_insect.hpp"
#include "toolkit/rules.hpp"

TEST(ProximityRing, BoundsOfEveryRing) {
  struct Row {
    int distance, ring;
  };
  const Row rows[] = {{0, 10},  {2, 10},  {3, 9},   {5, 9},   {6, 8},   {10, 8}, {11, 7},
                      {20, 7},  {21, 6},  {40, 6},  {41, 5},  {70, 5},  {71, 4}, {110, 4},
                      {111, 3}, {160, 3}, {161, 2}, {220, 2}, {221, 1}, {500, 1}};
  for (const Row& row : rows) {
    Target insect;
    insect.x = 300;
    insect.y = 200;
    EXPECT_EQ(proximity_ring(insect, 300 - row.distance, 200), row.ring) << row.distance;
    EXPECT_EQ(insect.dx, row.distance);
    EXPECT_EQ(insect.dy, 0);
    EXPECT_EQ(insect.distance, row.distance);
  }
}

TEST(ProximityRing, TruncatesTheDiagonalDistance) {
  Target insect;
  insect.x = 400;
  insect.y = 300;
  // 7 and 8 apart: 10.63 pixels, still ring 8.
  EXPECT_EQ(proximity_ring(insect, 393, 308), 8);
  EXPECT_EQ(insect.dx, 7);
  EXPECT_EQ(insect.dy, 8);
  EXPECT_EQ(insect.distance, 10);
  // 8 and 8 apart: 11.31 pixels, ring 7.
  EXPECT_EQ(proximity_ring(insect, 408, 292), 7);
  EXPECT_EQ(insect.distance, 11);
}

TEST(BandOfRing, FourSpeedsFromTheRing) {
  const int band_by_ring[11] = {-1, 3, 3, 3, 2, 2, 1, 1, 0, 0, 0};
  for (int ring = 1; ring <= 10; ++ring) EXPECT_EQ(band_of_ring(ring), band_by_ring[ring]) << ring;
}

TEST(ShortenedPeriod, TenSecondsToFortyThenFiveToTwenty) {
  const int periods[] = {60000, 50000, 40000, 35000, 30000, 25000, 20000, 20000};
  for (std::size_t i = 0; i + 1 < std::size(periods); ++i) {
    EXPECT_EQ(shortened_period(periods[i]), periods[i + 1]) << periods[i];
  }
  EXPECT_EQ(shortened_period(40001), 30001);
  EXPECT_EQ(shortened_period(20001), 15001);
}
