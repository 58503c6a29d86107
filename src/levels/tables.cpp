#include "levels.hpp"

const GameTable* const game_tables[6] = {&tone_target_table, &quiet_column_table,
                                         &falling_tin_table, &buzzing_insect_table,
                                         &apple_shot_table,  &laser_defence_table};
