// The column ring and the target's draw in the quiet column game.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>

#include "fake/fake_platform.hpp"
#include "levels/quiet_column.hpp"

namespace {

TEST(QuietColumnRules, PlaceColumnSetsCentreOfItsColumn) {
  const int expected_x[column_count] = {80, 240, 400, 560, 720};
  for (int column = 0; column < column_count; ++column) {
    Column record;
    place_column(record, column);
    EXPECT_EQ(record.column, column);
    EXPECT_EQ(record.x, expected_x[column]);
  }
}

TEST(QuietColumnRules, RingFollowsHorizontalDistanceOnBothSides) {
  struct Case {
    int dx;
    int ring;
  };
  const Case cases[] = {{0, 10}, {16, 10}, {17, 8}, {32, 8}, {33, 6},  {48, 6}, {49, 4},
                        {64, 4}, {65, 2},  {80, 2}, {81, 0}, {160, 0}, {400, 0}};
  for (const Case& c : cases) {
    for (int side : {-1, 1}) {
      Column record;
      place_column(record, 2);  // x = 400, room for 400 pixels either way
      const int cursor_x = record.x + side * c.dx;
      EXPECT_EQ(column_ring(record, cursor_x), c.ring) << "dx " << c.dx << " side " << side;
      EXPECT_EQ(record.dx, c.dx);
    }
  }
}

TEST(QuietColumnRules, SharedPositionsAreEightyFromBothNeighbours) {
  for (int shared_x : {160, 320, 480, 640}) {
    Column left, right;
    place_column(left, shared_x / 160 - 1);
    place_column(right, shared_x / 160);
    EXPECT_EQ(column_ring(left, shared_x), 2) << shared_x;
    EXPECT_EQ(column_ring(right, shared_x), 2) << shared_x;
  }
}

using Columns = std::array<int, column_count>;

Columns columns_of(const Column (&records)[column_count]) {
  Columns columns{};
  for (int i = 0; i < column_count; ++i) columns[i] = records[i].column;
  return columns;
}

TEST(QuietColumnRules, DrawSwapsTargetWithTheDecoyInTheDrawnColumn) {
  struct Case {
    int draw;
    Columns after;  // decoys 0..3, then the target
  };
  // From the start row 0 1 2 3 | 4, draws in sequence.
  const Case cases[] = {
      {7, {0, 1, 4, 3, 2}},   // 7 % 5 = 2: decoy 2 takes the target's column 4
      {0, {2, 1, 4, 3, 0}},   // decoy 0 moves to 2
      {10, {2, 1, 4, 3, 0}},  // 10 % 5 = 0, the old column: nobody moves
      {4, {2, 1, 0, 3, 4}},   // decoy 2 stood in 4
      {3, {2, 1, 0, 4, 3}},
  };
  FakePlatform p;
  for (const Case& c : cases) p.random_values.push_back(c.draw);
  Column records[column_count];
  for (int i = 0; i < column_count; ++i) place_column(records[i], i);

  for (const Case& c : cases) {
    draw_target_column(p, records);
    EXPECT_EQ(columns_of(records), c.after) << "draw " << c.draw;
    Columns sorted = columns_of(records);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (Columns{0, 1, 2, 3, 4}));
    for (const Column& record : records) EXPECT_EQ(record.x, 160 * record.column + 80);
  }
  EXPECT_EQ(p.random_draws, 5);
}

}  // namespace
