// The audio menu, played through the fake platform.
#include "shell/menu.hpp"

#include <gtest/gtest.h>

#include "fake/fake_platform.hpp"

namespace {

constexpr const char* click_file = "data/menu/click.ogg";

// A stand-in level: remembers how it was called and returns a set score.
struct FakeLevel {
  static inline int calls = 0;
  static inline int entered_at = -1;
  static inline AudioMode mode = -1;
  static inline int score = 0;
  static int run(Platform& p, AudioMode m) {
    ++calls;
    entered_at = p.ticks();
    mode = m;
    p.delay(1000);
    return score;
  }
};

class Menu : public ::testing::Test {
 protected:
  void SetUp() override {
    FakeLevel::calls = 0;
    FakeLevel::entered_at = -1;
    FakeLevel::mode = -1;
    FakeLevel::score = 0;
    load_sounds(p, menu_files, bank.sounds);
    bank.music = p.load_music(menu_music_file);
    p.calls.clear();
  }
  void TearDown() override {
    free_sounds(p, bank.sounds);
    p.free_music(bank.music);
  }

  void run(AudioMode mode = 1) {
    // Every scenario ends with a close request, so a menu that ignores its
    // inputs still returns.
    p.close_window(600000);
    run_menu(p, mode, scores, bank, levels);
  }

  // Clicks and announcements, in order.
  std::vector<std::pair<int, std::string>> heard(int channel) const {
    std::vector<std::pair<int, std::string>> sounds;
    for (const Call& call : p.find(Op::play, channel)) sounds.emplace_back(call.time, call.sound);
    return sounds;
  }

  FakePlatform p;
  MenuSoundBank bank;
  ScoreTables scores;
  LevelTable levels = {FakeLevel::run, FakeLevel::run, FakeLevel::run,
                       FakeLevel::run, FakeLevel::run, FakeLevel::run};
};

}  // namespace

TEST_F(Menu, HoldingTheRightButtonStepsEvery401msThenAnnounces) {
  p.hold_buttons(0, right_button);
  p.release_buttons(1300, right_button);
  p.close_window(5000);
  run();
  EXPECT_EQ(p.play_times(1, click_file), (std::vector<int>{401, 802, 1203}));
  // Entry 3 is announced a little over 2 s after the last step.
  EXPECT_EQ(heard(2), (std::vector<std::pair<int, std::string>>{{3204, "data/menu/tnb.ogg"}}));
}

TEST_F(Menu, RightButtonWrapsFromQuitToTheFirstLevel) {
  p.press_key(450, key_1 + 6, 100);  // 7: quit entry
  p.hold_buttons(900, right_button);
  p.release_buttons(950, right_button);
  p.close_window(3000);
  run();
  EXPECT_EQ(p.play_times(1, click_file).size(), 2u);
  EXPECT_EQ(heard(2).size(), 1u);
  EXPECT_EQ(heard(2)[0].second, "data/menu/tnt.ogg");
}

TEST_F(Menu, EveryMainEntryHasItsAnnouncement) {
  const char* expected[] = {"data/menu/tnt.ogg", "data/menu/bnt.ogg", "data/menu/tnb.ogg",
                            "data/menu/fna.ogg", "data/menu/bnb.ogg", "data/menu/lns.ogg",
                            "data/menu/quit.ogg"};
  for (int digit = 1; digit <= 7; ++digit) p.press_key(digit * 3000, key_1 + digit - 1, 50);
  p.close_window(25000);
  run();
  const auto said = heard(2);
  ASSERT_EQ(said.size(), 7u);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(said[i].second, expected[i]);
    EXPECT_EQ(said[i].first, (i + 1) * 3000 + 2001);
  }
}

TEST_F(Menu, SeveralDigitsInOnePassAllClickAndTheHighestWins) {
  p.hold_key(500, key_1 + 1);
  p.hold_key(500, key_1 + 4);
  p.release_key(550, key_1 + 1);
  p.release_key(550, key_1 + 4);
  p.close_window(4000);
  run();
  EXPECT_EQ(p.play_times(1, click_file), (std::vector<int>{500, 500}));
  EXPECT_EQ(heard(2)[0].second, "data/menu/bnb.ogg");
}

TEST_F(Menu, HeldDigitRepeatsAndPostponesTheAnnouncement) {
  p.hold_key(0, key_1);
  p.release_key(1000, key_1);
  p.close_window(4000);
  run();
  EXPECT_EQ(p.play_times(1, click_file), (std::vector<int>{401, 802}));
  EXPECT_EQ(heard(2)[0].first, 2803);
}

TEST_F(Menu, DigitsEightToZeroDoNothing) {
  p.press_key(100, key_1 + 7, 100);
  p.press_key(600, key_1 + 8, 100);
  p.press_key(1100, key_1 - 1, 100);
  p.close_window(4000);
  run();
  EXPECT_TRUE(p.play_times(1).empty());
  EXPECT_TRUE(heard(2).empty());
}

TEST_F(Menu, StepsCloserThan401msAreIgnoredAcrossDigitsAndButton) {
  p.press_key(500, key_1 + 2, 10);
  p.hold_buttons(600, right_button);  // 100 ms after the digit
  p.release_buttons(850, right_button);
  p.close_window(4000);
  run();
  EXPECT_EQ(p.play_times(1, click_file), (std::vector<int>{500}));
  EXPECT_EQ(heard(2)[0].second, "data/menu/tnb.ogg");
}

TEST_F(Menu, NothingHappensBeforeAnEntryIsChosenAndMusicStartsAtOnce) {
  p.hold_buttons(100, left_button);
  p.release_buttons(600, left_button);
  p.close_window(3000);
  run();
  EXPECT_TRUE(p.find(Op::play).empty());
  EXPECT_EQ(FakeLevel::calls, 0);
  ASSERT_FALSE(p.find(Op::play_music).empty());
  EXPECT_EQ(p.find(Op::play_music)[0].time, 1);
  EXPECT_EQ(p.find(Op::play_music)[0].a, 1);
}

TEST_F(Menu, MusicIsRestartedWhenItEnds) {
  p.music_length = 1000;
  p.close_window(2500);
  run();
  EXPECT_EQ(p.times(Op::play_music), (std::vector<int>{1, 1001, 2001}));
}

TEST_F(Menu, AnnouncementWaitsForTheEarlierOneToEnd) {
  p.lengths["data/menu/tnt.ogg"] = 3000;
  p.press_key(450, key_1, 10);
  p.press_key(2500, key_1 + 1, 10);
  p.close_window(9000);
  run();
  const auto said = heard(2);
  ASSERT_EQ(said.size(), 2u);
  EXPECT_EQ(said[0].first, 2451);
  EXPECT_EQ(said[1], (std::pair<int, std::string>{5451, "data/menu/bnt.ogg"}));
}

TEST_F(Menu, EscQuitsFromTheMainMenu) {
  p.hold_key(1000, key_escape);
  run();
  EXPECT_LE(p.now, 1002);
}

TEST_F(Menu, QuitEntryEndsTheMenu) {
  p.press_key(450, key_1 + 6, 10);
  p.hold_buttons(1000, left_button);
  run();
  EXPECT_LE(p.now, 1002);
  EXPECT_EQ(heard(2).size(), 0u);  // chosen before its announcement was due
}

TEST_F(Menu, OpeningTheSubmenuSilencesThePendingAnnouncement) {
  p.press_key(450, key_1 + 3, 10);
  p.hold_buttons(1000, left_button);
  p.release_buttons(1100, left_button);
  p.close_window(8000);
  run();
  const auto cues = p.find(Op::play, 0);
  ASSERT_GE(cues.size(), 1u);
  EXPECT_EQ(cues[0].sound, "data/menu/menufor.ogg");
  EXPECT_EQ(cues[0].time, 1000);
  // Channel 0 is halted just before the cue.
  const auto halts = p.times(Op::halt, 0);
  ASSERT_FALSE(halts.empty());
  EXPECT_EQ(halts[0], 1000);
  EXPECT_TRUE(heard(2).empty());
}

TEST_F(Menu, SubmenuStepsWrapAndAreAnnounced) {
  p.press_key(450, key_1, 10);
  p.hold_buttons(500, left_button);
  p.release_buttons(550, left_button);
  // 5 steps from entry 0: 1, 2, 3, 4, 1.
  p.hold_buttons(600, right_button);
  p.release_buttons(2550, right_button);
  p.close_window(10000);
  run();
  EXPECT_EQ(p.play_times(1, click_file), (std::vector<int>{450, 901, 1302, 1703, 2104, 2505}));
  const auto said = heard(2);
  ASSERT_EQ(said.size(), 1u);
  EXPECT_EQ(said[0], (std::pair<int, std::string>{4506, "data/menu/startgame.ogg"}));
}

TEST_F(Menu, SubmenuIgnoresDigitsFiveToSevenAndStepsRightAfterOpening) {
  p.press_key(450, key_1 + 1, 10);
  p.hold_buttons(500, left_button);
  p.release_buttons(550, left_button);
  p.press_key(700, key_1 + 2, 10);   // 200 ms after opening: ignored
  p.press_key(1000, key_1 + 4, 10);  // 5: ignored in the submenu
  p.press_key(1500, key_1 + 3, 10);  // 4: back
  p.close_window(6000);
  run();
  EXPECT_EQ(p.play_times(1, click_file), (std::vector<int>{450, 1500}));
  EXPECT_EQ(heard(2).back().second, "data/menu/back.ogg");
}

TEST_F(Menu, StartingALevelRecordsItsScore) {
  FakeLevel::score = 4;
  scores.best = {0, 3, 0, 0, 0, 0};
  p.press_key(450, key_1 + 1, 10);  // level 2
  p.hold_buttons(500, left_button);
  p.release_buttons(550, left_button);
  p.press_key(1000, key_1, 10);  // start
  p.hold_buttons(1100, left_button);
  p.release_buttons(1150, left_button);
  p.close_window(5000);
  run(stereo);
  EXPECT_EQ(FakeLevel::calls, 1);
  EXPECT_EQ(FakeLevel::mode, stereo);
  EXPECT_EQ(FakeLevel::entered_at, 1100);
  EXPECT_EQ(scores.last[1], 4);
  EXPECT_EQ(scores.best[1], 4);
  // Channels 0 to 2 and the music are halted before the level starts.
  for (int channel = 0; channel <= 2; ++channel) {
    EXPECT_EQ(p.times(Op::halt, channel).back(), 1100) << channel;
  }
  EXPECT_EQ(p.times(Op::halt_music).back(), 1100);
  // After it: the volumes reset, the closed cue, half a second of quiet.
  const auto volumes = p.find(Op::volume);
  ASSERT_EQ(volumes.size(), 3u);
  EXPECT_EQ(volumes[0].time, 2100);
  EXPECT_EQ(volumes[0].a, 32);
  EXPECT_EQ(volumes[1].a, 64);
  EXPECT_EQ(volumes[2].a, 64);
  const auto cues = p.find(Op::play, 0);
  ASSERT_GE(cues.size(), 2u);
  EXPECT_EQ(cues[1].sound, "data/menu/menuback.ogg");
  EXPECT_EQ(cues[1].time, 2100);
  EXPECT_EQ(p.find(Op::delay)[1].a, 500);
  EXPECT_EQ(p.find(Op::play_music)[1].time, 2600);
}

TEST_F(Menu, BestScoreIsReplacedOnlyByAStrictlyGreaterOne) {
  FakeLevel::score = 3;
  scores.best = {3, 0, 0, 0, 0, 0};
  scores.last = {9, 0, 0, 0, 0, 0};
  p.press_key(450, key_1, 10);
  p.hold_buttons(500, left_button);
  p.release_buttons(550, left_button);
  p.press_key(1000, key_1, 10);
  p.hold_buttons(1100, left_button);
  p.release_buttons(1150, left_button);
  p.close_window(5000);
  run();
  EXPECT_EQ(scores.last[0], 3);
  EXPECT_EQ(scores.best[0], 3);
}

TEST_F(Menu, CountingOutAScoreOfThreeTakes1800ms) {
  scores.last = {3, 0, 0, 0, 0, 0};
  p.press_key(450, key_1, 10);
  p.hold_buttons(500, left_button);
  p.release_buttons(550, left_button);
  p.press_key(1000, key_1 + 1, 10);  // last score
  p.hold_buttons(1100, left_button);
  p.release_buttons(1150, left_button);
  p.close_window(6000);
  run();
  EXPECT_EQ(p.play_times(0, "data/menu/hitmenu.ogg"), (std::vector<int>{1400, 1900, 2400}));
  EXPECT_EQ(p.times(Op::halt_music).back(), 1100);
  // The music comes back in the same pass, after the last tick's 500 ms.
  EXPECT_EQ(p.find(Op::play_music).back().time, 2900);
}

TEST_F(Menu, CountingOutZeroIsSilenceAndBestScoreCountsTheBest) {
  scores.best = {0, 0, 0, 0, 2, 0};
  p.press_key(450, key_1 + 4, 10);
  p.hold_buttons(500, left_button);
  p.release_buttons(550, left_button);
  p.press_key(1000, key_1 + 1, 10);  // last score: 0
  p.hold_buttons(1100, left_button);
  p.release_buttons(1150, left_button);
  p.press_key(2000, key_1 + 2, 10);  // best score: 2
  p.hold_buttons(2100, left_button);
  p.release_buttons(2150, left_button);
  p.close_window(6000);
  run();
  EXPECT_EQ(p.play_times(0, "data/menu/hitmenu.ogg"), (std::vector<int>{2400, 2900}));
  // Zero is 300 ms of quiet, then the music again.
  EXPECT_EQ(p.times(Op::halt_music)[0], 1100);
  EXPECT_EQ(p.times(Op::play_music)[1], 1400);
}

TEST_F(Menu, EscClosesTheSubmenuAndStillHeldQuits) {
  p.press_key(450, key_1, 10);
  p.hold_buttons(500, left_button);
  p.release_buttons(550, left_button);
  p.hold_key(1000, key_escape);
  run();
  const auto cues = p.find(Op::play, 0);
  EXPECT_EQ(cues.back().sound, "data/menu/menuback.ogg");
  EXPECT_EQ(cues.back().time, 1000);
  EXPECT_EQ(p.now, 1501);  // quit in the first main-menu pass after the pause
  EXPECT_TRUE(heard(2).empty());
}

TEST_F(Menu, BackClosesTheSubmenuWithNothingToAnnounce) {
  p.press_key(450, key_1 + 5, 10);
  p.hold_buttons(500, left_button);
  p.release_buttons(550, left_button);
  p.press_key(1000, key_1 + 3, 10);
  p.hold_buttons(1200, left_button);
  p.release_buttons(1250, left_button);
  p.close_window(6000);
  run();
  EXPECT_EQ(p.find(Op::play, 0).back().sound, "data/menu/menuback.ogg");
  EXPECT_EQ(p.find(Op::play, 0).back().time, 1200);
  EXPECT_TRUE(heard(2).empty());  // "back" was chosen before its announcement came due
}

TEST_F(Menu, ClosingTheWindowInASubmenuQuits) {
  p.press_key(450, key_1, 10);
  p.hold_buttons(500, left_button);
  p.release_buttons(550, left_button);
  p.close_window(1000);
  p.time_limit = 3000;
  run();
  EXPECT_EQ(p.find(Op::play, 0).back().sound, "data/menu/menuback.ogg");
  EXPECT_LE(p.now, 1502);
  EXPECT_EQ(FakeLevel::calls, 0);
}

TEST_F(Menu, EscTogetherWithStartDoesNotStartALevel) {
  p.press_key(450, key_1, 10);
  p.hold_buttons(500, left_button);
  p.release_buttons(550, left_button);
  p.press_key(1000, key_1, 10);
  p.hold_key(1500, key_escape);
  p.hold_buttons(1500, left_button);
  run();
  EXPECT_EQ(FakeLevel::calls, 0);
}
