// The apple shot game's own rules, open to the tests.
#pragma once

#include "platform/platform.hpp"

enum BoySpot { apple_spot, breath_spot, mumble_spot, heart_spot };

// The apple and the three points of the boy that sound, all derived from
// the apple's position.
struct Boy {
  struct Spot {
    int x = 0;
    int y = 0;
  };
  int x = 0;
  int y = 0;
  int spot_x = 0;  // the spot last measured
  int spot_y = 0;
  int dx = 0;
  int dy = 0;
  int distance = 0;
  Spot spots[4];
};

// A new place for the boy: x drawn first, then y.
void place_boy(Platform& p, Boy& boy);

// Ring 0 (beyond 60 pixels) to 10 of one spot; fills the measured fields.
int spot_ring(Boy& boy, int cursor_x, int cursor_y, int spot);

// Where the spot's sound comes from, left to right.
int spot_source_x(const Boy& boy, int spot);
