// The audio menu: seven main entries, a four-entry submenu per level, all
// heard and never seen.
#pragma once

#include <functional>

#include "platform/platform.hpp"
#include "scores.hpp"
#include "toolkit/level_frame.hpp"
#include "toolkit/wait.hpp"

enum MenuSlot {
  count_tick,
  click,
  farewell,
  submenu_opened,
  submenu_closed,
  say_level_1,
  say_level_4,
  say_level_5,
  say_quit,
  say_start,
  say_last_score,
  say_best_score,
  say_back,
  say_level_2,
  say_level_3,
  say_level_6,
  menu_slot_count
};

struct MenuSoundBank {
  Sound sounds[menu_slot_count];
  Music* music = nullptr;
};

extern const char* const menu_files[menu_slot_count];
extern const char* const menu_music_file;

// The menu's three channels (its cues, its click, its announcements): their
// volumes at start-up and as a game leaves them, and the music's.
constexpr int menu_volumes[3] = {64, 64, 64};
constexpr int after_game_volumes[3] = {32, 64, 64};
constexpr int menu_music_volume = 32;

// A level's entry operation as the menu sees it.
using LevelEntry = int (*)(Platform& p, AudioMode mode);
using LevelTable = LevelEntry[6];

struct ScoreTables {
  HighScoreTable best{};
  LastScoreTable last{};
};

// Called as soon as a level's score has raised its best score.
using BestScoreRose = std::function<void(const HighScoreTable& best)>;

// Runs until the player asks to quit.
void run_menu(Platform& p, AudioMode mode, ScoreTables& scores, const MenuSoundBank& bank,
              const LevelTable& levels, const BestScoreRose& best_rose = {});
