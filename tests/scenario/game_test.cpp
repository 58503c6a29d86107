// A whole run of the program through the fake platform: start-up, the
// menu, shutdown and the fatal failures.
#include "shell/game.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fake/fake_platform.hpp"
#include "support/captured_stderr.hpp"
#include "toolkit/level_frame.hpp"

namespace {

// A level that scores 7, or that fails to load its sound.
struct Stand_in {
  static int scores_seven(Platform& p, AudioMode) {
    p.delay(100);
    return 7;
  }
  static int cannot_load(Platform& p, AudioMode) {
    Sound sound = load_chunk(p, "data/lvl6/exploen.ogg");
    chunk_or_die(p, sound);
    return 0;
  }
};

class Game : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/tirauris-game-XXXXXX";
    dir = mkdtemp(name);
    files.best_scores = (best_path = dir + "/highscore.txt").c_str();
    files.audio_mode = (mode_path = dir + "/monostereo.txt").c_str();
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  std::string best_file() const {
    std::ifstream in(best_path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  // Plays level `level` once from the menu, from `start` to `start` + 3000.
  void play_level(int start, int level) {
    p.press_key(start + 450, key_1 + level - 1, 10);
    p.hold_buttons(start + 500, left_button);
    p.release_buttons(start + 550, left_button);
    p.press_key(start + 1000, key_1, 10);
    p.hold_buttons(start + 1100, left_button);
    p.release_buttons(start + 1150, left_button);
    p.press_key(start + 2500, key_escape, 100);  // closes the submenu
  }
  // Quits with key 7 and the left button.
  void quit(int start) {
    p.press_key(start, key_1 + 6, 10);
    p.hold_buttons(start + 100, left_button);
  }

  int run(const LevelTable& levels) {
    try {
      return run_game(p, files, levels);
    } catch (const ProgramExit& exit) {
      return exit.code;
    }
  }

  std::string dir, best_path, mode_path;
  GameFiles files;
  FakePlatform p;
  LevelTable levels = {Stand_in::scores_seven, Stand_in::scores_seven, Stand_in::scores_seven,
                       Stand_in::scores_seven, Stand_in::scores_seven, Stand_in::scores_seven};
};

constexpr const char* zeros =
    "level 1: 0\nlevel 2: 0\nlevel 3: 0\nlevel 4: 0\nlevel 5: 0\nlevel 6: 0\n";

}  // namespace

TEST_F(Game, StartsInOrderAndQuitsWithTheFarewell) {
  p.hold_key(1000, key_escape);
  EXPECT_EQ(run(levels), 0);
  EXPECT_EQ(p.output, "Tirauris");
  EXPECT_EQ(p.output_channels, 1);
  std::vector<std::string> order;
  for (const Call& call : p.calls) {
    if (order.empty() || order.back() != name(call.op)) order.push_back(name(call.op));
  }
  const std::vector<std::string> expected = {"init_video",  "show_cursor", "open_black_screen",
                                             "open_audio",  "load",        "load_music",
                                             "allocate",    "volume",      "music_volume",
                                             "seed",        "play_music",  "halt",
                                             "halt_music",  "play",        "delay",
                                             "free_screen", "free",        "free_music",
                                             "close_audio", "quit"};
  EXPECT_EQ(order, expected);
  EXPECT_EQ(p.find(Op::load).size(), 16u);
  EXPECT_EQ(p.find(Op::allocate)[0].a, 3);
  EXPECT_EQ(p.find(Op::music_volume)[0].a, 32);
  const auto farewell = p.find(Op::play, 0);
  ASSERT_EQ(farewell.size(), 1u);
  EXPECT_EQ(farewell[0].sound, "data/menu/end.ogg");
  EXPECT_EQ(p.find(Op::delay).back().a, 1300);
  EXPECT_EQ(p.live_chunks(), 0);
  EXPECT_EQ(best_file(), zeros);
}

TEST_F(Game, StereoOnlyWhenTheModeFileSaysTwo) {
  for (const char* text : {"2", "1", "0", "3", ""}) {
    FakePlatform fresh;
    std::ofstream(mode_path) << text;
    fresh.hold_key(10, key_escape);
    EXPECT_EQ(run_game(fresh, files, levels), 0);
    EXPECT_EQ(fresh.output_channels, std::string(text) == "2" ? 2 : 1) << text;
  }
}

TEST_F(Game, QuittingWithoutPlayingWritesBackWhatWasRead) {
  std::ofstream(best_path) << "level 1: 5\nlevel 2: 0\nlevel 3: 17\n";
  p.hold_key(1000, key_escape);
  EXPECT_EQ(run(levels), 0);
  EXPECT_EQ(best_file(),
            "level 1: 5\nlevel 2: 0\nlevel 3: 17\nlevel 4: 0\nlevel 5: 0\nlevel 6: 0\n");
}

TEST_F(Game, ABeatenBestScoreIsSavedAtQuit) {
  std::ofstream(best_path)
      << "level 1: 5\nlevel 2: 9\nlevel 3: 1\nlevel 4: 2\nlevel 5: 3\nlevel 6: 4\n";
  play_level(0, 2);
  play_level(3000, 3);
  quit(6500);
  EXPECT_EQ(run(levels), 0);
  // Level 2 scored 7 but its best is 9; level 3 rose from 1 to 7.
  EXPECT_EQ(best_file(),
            "level 1: 5\nlevel 2: 9\nlevel 3: 7\nlevel 4: 2\nlevel 5: 3\nlevel 6: 4\n");
}

namespace {
std::string seen_by_next_level;
std::string file_seen_at(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}
}  // namespace

TEST_F(Game, ARaisedBestScoreIsSavedAsSoonAsItIsRecorded) {
  static std::string path;
  path = best_path;
  levels[3] = [](Platform& p, AudioMode) {
    seen_by_next_level = file_seen_at(path);
    p.delay(100);
    return 0;
  };
  play_level(0, 3);     // 7 beats 0
  play_level(3000, 4);  // reads the file while it runs
  quit(6500);
  EXPECT_EQ(run(levels), 0);
  EXPECT_EQ(seen_by_next_level,
            "level 1: 0\nlevel 2: 0\nlevel 3: 7\nlevel 4: 0\nlevel 5: 0\nlevel 6: 0\n");
}

TEST_F(Game, MissingMenuSoundIsReportedAfterAllSixteenWereTried) {
  p.missing = {"data/menu/menufor.ogg", "data/menu/lns.ogg"};
  EXPECT_EQ(run(levels), 1);
  EXPECT_EQ(p.find(Op::load).size(), 16u);
  EXPECT_TRUE(p.find(Op::load_music).empty());
  EXPECT_EQ(p.output, "TiraurisMix_LoadWAV: Couldn't open data/menu/menufor.ogg\n");
  EXPECT_FALSE(std::filesystem::exists(best_path));
}

TEST_F(Game, StartUpFailuresPrintTheirMessageBehindTheTitle) {
  struct Case {
    bool FakePlatform::*fails;
    const char* message;
  };
  const Case cases[] = {
      {&FakePlatform::video_fails, "TiraurisCan't init SDL: fake failure\n"},
      {&FakePlatform::screen_fails, "TiraurisCan't set VideoMode: fake failure\n"},
      {&FakePlatform::audio_fails, "TiraurisCan't set OpenAudio: fake failure\n"},
  };
  for (const Case& c : cases) {
    FakePlatform fresh;
    fresh.*c.fails = true;
    int code = 0;
    try {
      run_game(fresh, files, levels);
    } catch (const ProgramExit& exit) {
      code = exit.code;
    }
    EXPECT_EQ(code, 1);
    EXPECT_EQ(fresh.output, c.message);
  }
  p.missing = {"data/menu/bgm.ogg"};
  EXPECT_EQ(run(levels), 1);
  EXPECT_EQ(p.output, "TiraurisMix_LoadMUS: fake failure\n: ");
}

TEST_F(Game, FatalFailureInALevelSavesBestScoresThatRose) {
  std::ofstream(best_path)
      << "level 1: 5\nlevel 2: 0\nlevel 3: 0\nlevel 4: 0\nlevel 5: 0\nlevel 6: 2\n";
  levels[5] = Stand_in::cannot_load;
  p.missing = {"data/lvl6/exploen.ogg"};
  play_level(0, 2);     // 7 beats 0
  play_level(3000, 6);  // fails
  EXPECT_EQ(run(levels), 1);
  EXPECT_NE(p.output.find("Mix_LoadWAV: Couldn't open data/lvl6/exploen.ogg\n"), std::string::npos);
  EXPECT_EQ(best_file(),
            "level 1: 5\nlevel 2: 7\nlevel 3: 0\nlevel 4: 0\nlevel 5: 0\nlevel 6: 2\n");
}

TEST_F(Game, FatalFailureWithoutARiseLeavesTheFileAlone) {
  std::ofstream(best_path) << "damaged";
  levels[0] = Stand_in::cannot_load;
  p.missing = {"data/lvl6/exploen.ogg"};
  play_level(0, 1);
  EXPECT_EQ(run(levels), 1);
  EXPECT_EQ(best_file(), "damaged");
}

namespace {

// A level that runs until a quit input, like every game does, and scores 3.
int plays_until_quit(Platform& p, AudioMode) {
  LevelFrame frame;
  while (!frame.end_flag) frame_input(p, frame);
  return 3;
}

}  // namespace

TEST_F(Game, ATerminationSignalEndsTheProgramThroughTheNormalShutdown) {
  // Where the signal comes: the main menu, a submenu, a game, a count-out.
  struct Case {
    const char* where;
    int level;          // played from 0 until the signal, or 0 for none
    int best_score_at;  // time the best score's count-out starts, or 0
    int signal_at;
  };
  const Case cases[] = {{"main menu", 0, 0, 300},
                        {"submenu", 0, 0, 700},
                        {"game", 1, 0, 1500},
                        {"count-out", 0, 1000, 3000}};
  levels[0] = plays_until_quit;
  for (const Case& c : cases) {
    const std::string best_before = c.best_score_at != 0 ? "1000" : "0";
    std::ofstream(best_path) << "level 1: " << best_before << "\n";
    FakePlatform fresh;
    fresh.press_key(450, key_1, 10);
    fresh.hold_buttons(500, left_button);  // opens level 1's submenu
    fresh.release_buttons(550, left_button);
    if (c.level != 0 || c.best_score_at != 0) {
      fresh.press_key(1000, c.level != 0 ? key_1 : key_1 + 2, 10);
      fresh.hold_buttons(1100, left_button);
      fresh.release_buttons(1150, left_button);
    }
    fresh.send_signal(c.signal_at);
    EXPECT_EQ(run_game(fresh, files, levels), 0) << c.where;
    EXPECT_LT(fresh.now - c.signal_at, 3000) << c.where;
    EXPECT_EQ(fresh.find(Op::play, 0).back().sound, "data/menu/end.ogg") << c.where;
    const std::string best_after = c.level != 0 ? "3" : best_before;
    EXPECT_EQ(best_file().substr(0, 10 + best_after.size()), "level 1: " + best_after + "\n")
        << c.where;
    if (c.best_score_at != 0) {
      // Counting 1000 would take 500 s; it stopped at the signal.
      const auto ticks = fresh.play_times(0, "data/menu/hitmenu.ogg");
      ASSERT_FALSE(ticks.empty()) << c.where;
      EXPECT_LE(ticks.back(), c.signal_at);
      EXPECT_GT(ticks.back(), c.signal_at - 500);
    }
  }
}

TEST_F(Game, ACloseRequestInAGameEndsItAndThenTheProgram) {
  levels[0] = plays_until_quit;
  play_level(0, 1);  // the game starts at 1100
  p.close_window(1500);
  EXPECT_EQ(run(levels), 0);
  EXPECT_LT(p.now - 1500, 3000);
  EXPECT_EQ(p.find(Op::play, 0).back().sound, "data/menu/end.ogg");
  EXPECT_EQ(best_file().substr(0, 11), "level 1: 3\n");
}

TEST_F(Game, EscOrACloseRequestCutsACountOutShort) {
  std::ofstream(best_path) << "level 1: 2000000000\n";
  p.press_key(450, key_1, 10);
  p.hold_buttons(500, left_button);
  p.release_buttons(550, left_button);
  p.press_key(1000, key_1 + 2, 10);  // best score
  p.hold_buttons(1100, left_button);
  p.release_buttons(1150, left_button);
  p.press_key(2600, key_escape, 20);  // a tap: held, it closes the submenu too
  p.press_key(3500, key_1, 10);
  p.hold_buttons(3600, left_button);
  p.release_buttons(3650, left_button);
  p.press_key(4100, key_1 + 2, 10);  // counted out again
  p.hold_buttons(4200, left_button);
  p.release_buttons(4250, left_button);
  p.close_window(5200);
  EXPECT_EQ(run(levels), 0);
  // A tick every 500 ms until the tap, then again until the close request.
  EXPECT_EQ(p.play_times(0, "data/menu/hitmenu.ogg"),
            (std::vector<int>{1400, 1900, 2400, 4500, 5000}));
  EXPECT_LT(p.now, 5200 + 3000);
  EXPECT_EQ(best_file().substr(0, 20), "level 1: 2000000000\n");
}

TEST_F(Game, NoDisplayEndsTheStartWithOneLine) {
  p.no_display = true;
  EXPECT_EQ(run(levels), 1);
  EXPECT_EQ(p.output, "TiraurisNo display found: neither DISPLAY nor WAYLAND_DISPLAY is set.\n");
  EXPECT_TRUE(p.find(Op::init_video).empty());
}

TEST_F(Game, ScoresThatCouldNotBeSavedEndWithStatusTwo) {
  std::filesystem::create_directory(best_path);  // can't be read, so never replaced
  play_level(0, 1);
  quit(3500);
  CapturedStderr capture;
  EXPECT_EQ(run(levels), 2);
  const std::string said = capture.text();
  EXPECT_EQ(said.rfind(best_path + " could not be read", 0), 0u) << said;
  // Once when the game's score was recorded, once at the end.
  const std::string failed = "\nCould not save the best scores to " + best_path;
  const auto first = said.find(failed);
  ASSERT_NE(first, std::string::npos) << said;
  EXPECT_NE(said.find(failed, first + 1), std::string::npos) << said;
  EXPECT_TRUE(std::filesystem::is_directory(best_path));
  EXPECT_EQ(p.find(Op::quit).size(), 1u);  // the shutdown still ran to its end
}
