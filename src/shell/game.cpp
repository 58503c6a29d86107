#include "game.hpp"

#include <cstdio>

#include "levels/levels.hpp"
#include "toolkit/fatal.hpp"

namespace {

// The quiet column sounds the same in mono and stereo and takes no mode.
int quiet_column_entry(Platform& p, AudioMode) { return quiet_column(p); }

// On a fatal failure inside a level, a best score that rose is saved;
// otherwise the file is left alone, so a file that could not be read is
// never overwritten with zeros.
class SaveOnFailure final : public FatalHandler {
 public:
  SaveOnFailure(const char* path, const HighScoreTable& best)
      : path_(path), read_at_start_(best), best_(best) {}

  void before_exit() override {
    for (std::size_t slot = 0; slot < best_.size(); ++slot) {
      if (best_[slot] > read_at_start_[slot]) {
        write_best_scores(path_, best_);
        return;
      }
    }
  }

 private:
  const char* path_;
  const HighScoreTable read_at_start_;
  const HighScoreTable& best_;
};

[[noreturn]] void fail_with_error(Platform& p, const char* format) {
  char line[1024];
  std::snprintf(line, sizeof line, format, p.error());
  fail(p, line);
}

}  // namespace

int run_game(Platform& p, const GameFiles& files, const LevelTable& levels) {
  AudioMode mode = mono;
  ScoreTables scores;
  int why = 0;
  if (read_best_scores(files.best_scores, scores.best, &why) == FileState::unreadable) {
    std::fprintf(stderr,
                 "%s could not be read (%s); the best scores of this run will not be saved "
                 "over it\n",
                 files.best_scores, file_error(why));
  }
  switch (read_audio_mode(files.audio_mode, mode, &why)) {
    case FileState::unreadable:
      std::fprintf(stderr, "%s could not be read (%s); the sound is mono\n", files.audio_mode,
                   file_error(why));
      break;
    case FileState::damaged:
      std::fprintf(stderr, "%s holds no number (2 for stereo, 1 for mono); the sound is mono\n",
                   files.audio_mode);
      break;
    default:
      break;
  }

  p.print("Tirauris");
  if (!p.display_found())
    fail(p, "No display found: neither DISPLAY nor WAYLAND_DISPLAY is set.\n");
  if (!p.init_video()) fail_with_error(p, "Can't init SDL: %s\n");
  p.show_cursor(false);
  if (!p.open_black_screen()) fail_with_error(p, "Can't set VideoMode: %s\n");
  if (!p.open_audio(mode == stereo ? 2 : 1)) fail_with_error(p, "Can't set OpenAudio: %s\n");

  MenuSoundBank bank;
  load_sounds(p, menu_files, bank.sounds);
  check_sounds(p, bank.sounds);
  bank.music = p.load_music(menu_music_file);
  if (bank.music == nullptr) fail_with_error(p, "Mix_LoadMUS: %s\n: ");

  p.allocate_channels(3);
  for (int channel = 0; channel < 3; ++channel) p.volume(channel, menu_volumes[channel]);
  p.music_volume(menu_music_volume);
  p.seed_random();

  SaveOnFailure save(files.best_scores, scores.best);
  set_fatal_handler(&save);

  // Saved as soon as it is recorded, not only at the end: a lost display, a
  // crash or a kill then costs at most the game in progress, and a save
  // that fails is said at once.
  run_menu(p, mode, scores, bank, levels,
           [&files](const HighScoreTable& best) { write_best_scores(files.best_scores, best); });

  p.halt(-1);
  p.halt_music();
  play_once(p, 0, bank.sounds[farewell]);
  p.delay(1300);
  const bool saved = write_best_scores(files.best_scores, scores.best);
  set_fatal_handler(nullptr);
  p.free_screen();
  free_sounds(p, bank.sounds);
  p.free_music(bank.music);
  p.close_audio();
  p.quit();
  return saved ? 0 : 2;
}

const LevelTable six_games = {tone_target,    quiet_column_entry, falling_tin,
                              buzzing_insect, apple_shot,         laser_defence};
