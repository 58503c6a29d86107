// Laser defence: the crossing ships, their moves and their rings, for the
// game and its tests.
#pragma once

#include "platform/platform.hpp"

// Ships 0 and 1 are enemies, 2 and 3 allies. The field runs 0..800 by 0..600,
// one pixel wider each way than the window.
struct Ship {
  int x = 0;
  int y = 0;
  int step_x = 0;
  int step_y = 0;
  int side = 0;  // edge of entry: 1 top, 2 right, 3 bottom, 4 left
  int dx = 0;    // from the last ship_ring
  int dy = 0;
  int distance = 0;
};

// Two draws of rand: the side, then the place along it.
void place_ship(Platform& p, Ship& ship);

// One pixel on; a ship that leaves the field re-enters at once and the
// answer is true.
bool move_ship(Platform& p, Ship& ship);

// Ring 10 (within 30 pixels, in reach of a shot) down to 0 (beyond 110,
// silent); fills dx, dy and distance.
int ship_ring(Ship& ship, int cursor_x, int cursor_y);
