// The six games. Each runs until its game is over or the player quits, and
// returns its score with every channel halted and its sounds freed.
#pragma once

#include "platform/platform.hpp"
#include "toolkit/audio_mode.hpp"
#include "toolkit/sound_table.hpp"
#include "toolkit/target.hpp"

int tone_target(Platform& p, AudioMode mode);
extern const GameTable tone_target_table;
int quiet_column(Platform& p);  // the same in mono and stereo
extern const GameTable quiet_column_table;
int falling_tin(Platform& p, AudioMode mode);
extern const GameTable falling_tin_table;
int buzzing_insect(Platform& p, AudioMode mode);
extern const GameTable buzzing_insect_table;
int apple_shot(Platform& p, AudioMode mode);
extern const GameTable apple_shot_table;
int laser_defence(Platform& p, AudioMode mode);
extern const GameTable laser_defence_table;

// The six games' tables, by menu entry (index 0 is entry 1).
extern const GameTable* const game_tables[6];

// The proximity ring of the tone target game; fills the target's distances.
int tone_ring(Target& target, int cursor_x, int cursor_y);
