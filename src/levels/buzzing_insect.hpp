// The buzzing insect game's own rules, open to the tests.
#pragma once

#include "toolkit/target.hpp"

// Ring 1 (far) to 10 (on the insect); fills the insect's distances.
int proximity_ring(Target& insect, int cursor_x, int cursor_y);

// The buzz speed of a ring: 0 very fast (ring 8..10) to 3 slow (ring 1..3).
int band_of_ring(int ring);
