// Quiet column: the records and routines of the five columns, for the game
// and its tests.
#pragma once

#include "platform/platform.hpp"

// One position in the row. Records 0..3 are the decoys, record 4 the target.
struct Column {
  int column = 0;
  int x = 0;
  int dx = 0;
};

constexpr int column_count = 5;
constexpr int target_record = 4;

void place_column(Column& record, int column);

// Fills dx from cursor_x alone and returns the ring, 0 (81 pixels or more)
// to 10 (within 16 pixels).
int column_ring(Column& record, int cursor_x);

// One draw of rand: the target moves to a random column and the decoy that
// stood there takes the target's old column.
void draw_target_column(Platform& p, Column (&records)[column_count]);
