#include "menu.hpp"

const char* const menu_files[menu_slot_count] = {
    "data/menu/hitmenu.ogg",   "data/menu/click.ogg",    "data/menu/end.ogg",
    "data/menu/menufor.ogg",   "data/menu/menuback.ogg", "data/menu/tnt.ogg",
    "data/menu/fna.ogg",       "data/menu/bnb.ogg",      "data/menu/quit.ogg",
    "data/menu/startgame.ogg", "data/menu/lscore.ogg",   "data/menu/hscore.ogg",
    "data/menu/back.ogg",      "data/menu/bnt.ogg",      "data/menu/tnb.ogg",
    "data/menu/lns.ogg",
};
const char* const menu_music_file = "data/menu/bgm.ogg";

namespace {

// Announcements by entry; entry 0 (nothing chosen yet) has none.
constexpr int main_announcements[8] = {-1,          say_level_1, say_level_2, say_level_3,
                                       say_level_4, say_level_5, say_level_6, say_quit};
constexpr int submenu_announcements[5] = {-1, say_start, say_last_score, say_best_score, say_back};

// The menu's cues (and the count-out's ticks), its click, its announcements.
enum Channel { cue_channel = 0, click_channel = 1, announce_channel = 2 };

constexpr int step_interval = 400;
constexpr int announce_after = 2000;

struct Menu {
  Platform& p;
  AudioMode mode;
  ScoreTables& scores;
  const MenuSoundBank& bank;
  const LevelTable& levels;
  const BestScoreRose& best_rose;
  int main_entry = 0;
  int submenu_entry = 0;
  bool submenu_open = false;
  bool quit_requested = false;
  int last_input = 0;
  int announce_since = -1;

  void play_slot(int channel, int slot) { p.play(channel, bank.sounds[slot].chunk, 0); }
  bool left_held() { return (p.mouse_buttons() & left_button) != 0; }
  bool right_held() { return (p.mouse_buttons() & right_button) != 0; }
  bool level_chosen() const { return main_entry >= 1 && main_entry <= 6; }

  // Drains the queue; true when the window was asked to close.
  bool close_requested() {
    bool requested = false;
    Event event;
    while (p.poll_event(event)) requested = requested || event.type == EventType::quit;
    return requested;
  }

  // Digit keys 1..`highest` choose that entry; several held keys are all
  // taken and the highest wins.
  void digit_keys(int& entry, int highest) {
    if (p.ticks() - last_input <= step_interval) return;
    for (int digit = 1; digit <= highest; ++digit) {
      if (!p.key_held(key_1 + digit - 1)) continue;
      entry = digit;
      play_slot(click_channel, click);
      announce_since = p.ticks();
      last_input = p.ticks();
    }
  }

  void next_entry(int& entry, int entries) {
    if (!right_held() || p.ticks() - last_input <= step_interval) return;
    ++entry;
    last_input = p.ticks();
    play_slot(click_channel, click);
    if (entry > entries) entry = 1;
    announce_since = p.ticks();
  }

  void announce(const int* announcements, int entry) {
    if (announce_since == -1 || p.ticks() - announce_since <= announce_after ||
        p.playing(announce_channel))
      return;
    if (announcements[entry] >= 0) play_slot(announce_channel, announcements[entry]);
    announce_since = -1;
  }

  void music() {
    if (!p.music_playing()) p.play_music(bank.music, 1);
  }

  void halt_menu_sounds() {
    p.halt(cue_channel);
    p.halt(click_channel);
    p.halt(announce_channel);
    p.halt_music();
  }

  void leave_program() {
    submenu_open = false;
    quit_requested = true;
    main_entry = 0;
  }

  // One tick a point, which for a large score takes long: Esc stops it, and
  // a close request stops it and ends the program.
  void count_out(int score) {
    halt_menu_sounds();
    WaitEnd end = wait_unless_quit(p, 300);
    for (int tick = 0; tick < score && end == WaitEnd::elapsed; ++tick) {
      play_slot(cue_channel, count_tick);
      end = wait_unless_quit(p, 500);
    }
    if (end != WaitEnd::elapsed) p.halt(cue_channel);
    if (end == WaitEnd::close) leave_program();
  }

  void start_level() {
    halt_menu_sounds();
    const int level = main_entry - 1;
    scores.last[level] = levels[level](p, mode);
    for (const int channel : {cue_channel, click_channel, announce_channel}) {
      p.volume(channel, after_game_volumes[channel]);
    }
    play_slot(cue_channel, submenu_closed);
    if (scores.last[level] > scores.best[level]) {
      scores.best[level] = scores.last[level];
      if (best_rose) best_rose(scores.best);
    }
    submenu_entry = 0;
    last_input = p.ticks();
    p.delay(500);
  }

  void run_submenu() {
    p.halt(cue_channel);
    play_slot(cue_channel, submenu_opened);
    submenu_open = true;
    submenu_entry = 0;
    last_input = p.ticks();
    while (submenu_open) {
      // A close request leaves the submenu and the program, as in the main menu.
      if (close_requested()) leave_program();
      if (p.key_held(key_escape)) {
        submenu_open = false;
        main_entry = 0;
      }
      digit_keys(submenu_entry, 4);
      next_entry(submenu_entry, 4);
      // Once Esc or a close request has cleared the level, there is none to act on.
      if (left_held() && submenu_entry == 1 && level_chosen()) start_level();
      if (left_held() && submenu_entry == 2 && level_chosen()) {
        count_out(scores.last[main_entry - 1]);
        submenu_entry = 0;
      }
      if (left_held() && submenu_entry == 3 && level_chosen()) {
        count_out(scores.best[main_entry - 1]);
        submenu_entry = 0;
      }
      if (left_held() && submenu_entry == 4) {
        submenu_open = false;
        main_entry = 0;
        last_input = p.ticks();
      }
      announce(submenu_announcements, submenu_entry);
      music();
    }
  }

  void run() {
    while (!quit_requested) {
      if (close_requested()) quit_requested = true;
      if (p.key_held(key_escape)) quit_requested = true;
      digit_keys(main_entry, 7);
      next_entry(main_entry, 7);
      if (left_held() && level_chosen()) {
        run_submenu();
        play_slot(cue_channel, submenu_closed);
        p.delay(500);
      }
      if (left_held() && main_entry == 7) {
        quit_requested = true;
        main_entry = 0;
      }
      announce(main_announcements, main_entry);
      music();
    }
  }
};

}  // namespace

void run_menu(Platform& p, AudioMode mode, ScoreTables& scores, const MenuSoundBank& bank,
              const LevelTable& levels, const BestScoreRose& best_rose) {
  Menu{p, mode, scores, bank, levels, best_rose}.run();
}
