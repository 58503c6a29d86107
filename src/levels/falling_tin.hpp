// Falling tin: the tin, its ring and the wind's cue level, for the game and
// its tests.
#pragma once

#include "platform/platform.hpp"

struct Tin {
  int x = 0;  // 100..699, fixed while the tin falls
  int y = 0;  // 100 at launch, one more per fall step
  int ring = 0;
  int dx = 0;
  int dy = 0;
  int distance = 0;
};

// One draw of rand; ring and distances keep their values until the next
// proximity_ring.
void launch_tin(Platform& p, Tin& tin);
void drop_tin(Tin& tin);

// Fills dx, dy, distance and ring; 0 is nearest (19 pixels or less), 10 is
// 200 pixels or more.
int proximity_ring(Tin& tin, int cursor_x, int cursor_y);

// The wind's loudness 0..10: it peaks at ring 5, the border between the far
// and the near wind, and fades both ways.
int cue_level(int ring);
