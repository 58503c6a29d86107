// The hidden target of the tone target and buzzing insect games.
#pragma once

#include "platform/platform.hpp"

struct Target {
  int x = 0;
  int y = 0;
  int region = 0;
  int dx = 0;
  int dy = 0;
  int distance = 0;
};

// Somewhere in one of five regions: the four inner quarters and the centre.
void place_target(Platform& p, Target& target);

// Fills dx, dy and distance from the target to the cursor.
void measure_target(Target& target, int cursor_x, int cursor_y);
