// Start-up, the menu, shutdown: the whole run of the program.
#pragma once

#include "menu.hpp"

struct GameFiles {
  const char* best_scores = "highscore.txt";
  const char* audio_mode = "monostereo.txt";
};

// Returns the exit code of a normal run: 0, or 2 when the best scores could
// not be saved. Fatal failures exit through the platform with code 1.
int run_game(Platform& p, const GameFiles& files, const LevelTable& levels);

// The six games in menu order, as both platforms' programs run them.
extern const LevelTable six_games;
