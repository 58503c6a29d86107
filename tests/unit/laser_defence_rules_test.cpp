// The ships of laser defence: where they enter, when they leave, their rings.
#include <gtest/gtest.h>

#include "fake/fake_platform.hpp"
#include "levels/laser_defence.hpp"

TEST(PlaceShip, EntersFromTheDrawnSide) {
  struct Row {
    int side_draw, along_draw;
    int side, x, y, step_x, step_y;
  };
  const Row rows[] = {
      {0, 0, 1, 100, 1, 0, 1},      {4, 599, 1, 699, 1, 0, 1},    {1, 0, 2, 799, 100, -1, 0},
      {5, 399, 2, 799, 499, -1, 0}, {2, 600, 3, 100, 599, 0, -1}, {6, 1255, 3, 155, 599, 0, -1},
      {3, 400, 4, 1, 100, 1, 0},    {7, 1234, 4, 1, 134, 1, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.side_draw * 10000 + row.along_draw);
    FakePlatform p;
    p.random_values = {row.side_draw, row.along_draw, 77};
    Ship ship;
    place_ship(p, ship);
    EXPECT_EQ(ship.side, row.side);
    EXPECT_EQ(ship.x, row.x);
    EXPECT_EQ(ship.y, row.y);
    EXPECT_EQ(ship.step_x, row.step_x);
    EXPECT_EQ(ship.step_y, row.step_y);
    EXPECT_EQ(p.random_draws, 2);
  }
}

TEST(MoveShip, CrossesTheWholeFieldThenReentersAtOnce) {
  struct Row {
    int side_draw, along_draw;
    int steps;           // moves until the ship has left
    int last_x, last_y;  // its place on the move before it left
  };
  const Row rows[] = {
      {0, 200, 600, 300, 600},  // top: y 1 .. 600, gone at 601
      {1, 200, 800, 0, 300},    // right: x 799 .. 0, gone at -1
      {2, 200, 600, 300, 0},    // bottom: y 599 .. 0, gone at -1
      {3, 200, 800, 800, 300},  // left: x 1 .. 800, gone at 801
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.side_draw);
    FakePlatform p;
    p.random_values = {row.side_draw, row.along_draw, 1, 7};  // then the re-entry
    Ship ship;
    place_ship(p, ship);
    Ship before = ship;
    int steps = 0;
    bool left = false;
    while (!left && steps < 2000) {
      before = ship;
      left = move_ship(p, ship);
      ++steps;
    }
    EXPECT_EQ(steps, row.steps);
    EXPECT_EQ(before.x, row.last_x);
    EXPECT_EQ(before.y, row.last_y);
    // Re-entered at the right edge, y 107, flying left.
    EXPECT_EQ(ship.side, 2);
    EXPECT_EQ(ship.x, 799);
    EXPECT_EQ(ship.y, 107);
    EXPECT_EQ(ship.step_x, -1);
    EXPECT_EQ(p.random_draws, 4);
    EXPECT_FALSE(move_ship(p, ship));
    EXPECT_EQ(ship.x, 798);
  }
}

TEST(ShipRing, BoundsOfEveryRing) {
  struct Row {
    int distance, ring;
  };
  const Row rows[] = {{0, 10}, {30, 10}, {31, 8},  {50, 8},  {51, 6},  {70, 6},  {71, 4},
                      {90, 4}, {91, 2},  {110, 2}, {111, 0}, {500, 0}, {1000, 0}};
  for (const Row& row : rows) {
    Ship ship;
    ship.x = 400;
    ship.y = 300;
    EXPECT_EQ(ship_ring(ship, 400 - row.distance, 300), row.ring) << row.distance;
    EXPECT_EQ(ship.dx, row.distance);
    EXPECT_EQ(ship.dy, 0);
    EXPECT_EQ(ship_ring(ship, 400, 300 + row.distance), row.ring) << row.distance;
    EXPECT_EQ(ship.dx, 0);
    EXPECT_EQ(ship.dy, row.distance);
    EXPECT_EQ(ship.distance, row.distance);
  }
}

TEST(ShipRing, TruncatesTheDiagonalDistance) {
  Ship ship;
  ship.x = 100;
  ship.y = 100;
  // 21 and 21 apart: 29.7, truncated to 29: in reach.
  EXPECT_EQ(ship_ring(ship, 121, 79), 10);
  EXPECT_EQ(ship.dx, 21);
  EXPECT_EQ(ship.dy, 21);
  EXPECT_EQ(ship.distance, 29);
  // 18 and 25 apart: 30.8, truncated to 30: still in reach.
  EXPECT_EQ(ship_ring(ship, 82, 125), 10);
  // 22 and 22 apart: 31.1: out of reach.
  EXPECT_EQ(ship_ring(ship, 78, 122), 8);
  EXPECT_EQ(ship.dx, 22);
  EXPECT_EQ(ship.dy, 22);
  EXPECT_EQ(ship.distance, 31);
}
