// The tone target game, played through the fake platform.
#include <gtest/gtest.h>

#include "fake/fake_platform.hpp"
#include "levels/levels.hpp"

namespace {

constexpr const char* shot_file = "data/lvl1/shot.ogg";
constexpr const char* hit_file = "data/lvl1/hit.ogg";
constexpr const char* tick_file = "data/lvl1/countdown.ogg";

class ToneTarget : public ::testing::Test {
 protected:
  // Region 1 with draws x and y: the target at (100 + x, 100 + y).
  void target_at(int x, int y) {
    p.random_values.push_back(0);
    p.random_values.push_back(x - 100);
    p.random_values.push_back(y - 100);
  }
  int run(AudioMode mode = 1) {
    p.close_window(10 * 60 * 1000);  // in case the game forgets to end
    return tone_target(p, mode);
  }

  FakePlatform p;
};

}  // namespace

TEST_F(ToneTarget, LoadsAllSoundsSetsChannelsAndStarts) {
  target_at(300, 200);
  p.close_window(600);
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(p.find(Op::load).size(), 21u);
  EXPECT_EQ(p.find(Op::allocate)[0].a, 5);
  std::vector<int> volumes;
  for (const Call& call : p.find(Op::volume)) volumes.push_back(call.a);
  EXPECT_EQ(volumes, (std::vector<int>{64, 64, 32, 32, 64}));
  const auto warp = p.find(Op::warp);
  ASSERT_EQ(warp.size(), 1u);
  EXPECT_EQ(warp[0].a, 400);
  EXPECT_EQ(warp[0].b, 300);
  const auto channel0 = p.find(Op::play, 0);
  ASSERT_GE(channel0.size(), 2u);
  EXPECT_EQ(channel0[0].sound, "data/difflvl/start.ogg");
  EXPECT_EQ(channel0[0].a, 0);
  // The first frame's tone replaces the start cue after the pause: the
  // target is 141 pixels from the centre, ring 2.
  EXPECT_EQ(channel0[1].time, 501);
  EXPECT_EQ(channel0[1].sound, "data/lvl1/normal2.ogg");
  EXPECT_EQ(channel0[1].a, -1);
  // Everything halted and freed, the tones first.
  EXPECT_EQ(p.find(Op::halt, -1).size(), 1u);
  EXPECT_EQ(p.live_chunks(), 0);
  const auto freed = p.find(Op::free);
  ASSERT_EQ(freed.size(), 21u);
  EXPECT_EQ(freed[0].sound, "data/lvl1/silence.ogg");
  EXPECT_EQ(freed[11].sound, hit_file);
}

TEST_F(ToneTarget, MissingSoundEndsTheProgramAfterAllWereTried) {
  p.missing = {"data/lvl1/totalmissed.ogg", "data/lvl1/normal4.ogg"};
  EXPECT_THROW(
      try { run(); } catch (const ProgramExit& exit) {
        EXPECT_EQ(exit.code, 1);
        throw;
      },
      ProgramExit);
  EXPECT_EQ(p.find(Op::load).size(), 21u);
  EXPECT_EQ(p.output, "Mix_LoadWAV: Couldn't open data/lvl1/totalmissed.ogg\n");
  EXPECT_TRUE(p.find(Op::play).empty());
}

TEST_F(ToneTarget, ToneFollowsTheRingAndIsNotReplayedWithinIt) {
  target_at(300, 200);
  p.move_mouse(600, 300, 400);   // 200 pixels: ring 1
  p.move_mouse(700, 300, 401);   // 201: the silent ring 0
  p.move_mouse(800, 300, 399);   // ring 1 again
  p.move_mouse(900, 301, 399);   // still ring 1: nothing replayed
  p.move_mouse(1000, 300, 203);  // 3 pixels: ring 9
  p.close_window(1100);
  run();
  std::vector<std::string> tones;
  for (const Call& call : p.find(Op::play, 0)) tones.push_back(call.sound);
  EXPECT_EQ(tones, (std::vector<std::string>{"data/difflvl/start.ogg", "data/lvl1/normal2.ogg",
                                             "data/lvl1/normal1.ogg", "data/lvl1/silence.ogg",
                                             "data/lvl1/normal1.ogg", "data/lvl1/normal9.ogg"}));
}

TEST_F(ToneTarget, HitAtFivePixelsMissAtSix) {
  target_at(300, 200);
  target_at(600, 400);
  p.move_mouse(600, 305, 200);
  p.hold_buttons(600, left_button);
  p.release_buttons(1100, left_button);
  p.move_mouse(1200, 606, 400);
  p.hold_buttons(2100, left_button);
  p.release_buttons(2200, left_button);
  p.close_window(2500);
  EXPECT_EQ(run(), 1);
  EXPECT_EQ(p.play_times(1, shot_file), (std::vector<int>{1001, 2100}));
  EXPECT_EQ(p.play_times(2, hit_file), (std::vector<int>{1001}));
  EXPECT_EQ(p.play_times(2, "data/lvl1/missed.ogg"), (std::vector<int>{2100}));
  EXPECT_EQ(p.random_draws, 6);
}

TEST_F(ToneTarget, ShotsComeMoreThanASecondApartCountedFromEntry) {
  target_at(300, 200);
  p.now = 5000;  // the level is entered late in the run
  p.hold_buttons(5000, left_button);
  p.close_window(8500);
  run();
  EXPECT_EQ(p.play_times(1, shot_file), (std::vector<int>{6001, 7002, 8003}));
}

TEST_F(ToneTarget, ThreeMissesCostALifeAndTheLastEndsTheGame) {
  for (int i = 0; i < 3; ++i) target_at(300, 200);
  p.move_mouse(600, 700, 500);
  p.hold_buttons(600, left_button);
  EXPECT_EQ(run(), 0);
  const std::vector<int> shots = {1001, 2002, 3003, 4004, 5005, 6006, 7007, 8008, 9009};
  EXPECT_EQ(p.play_times(1, shot_file), shots);
  EXPECT_EQ(p.play_times(2, "data/lvl1/missed.ogg"),
            (std::vector<int>{1001, 2002, 4004, 5005, 7007, 8008}));
  EXPECT_EQ(p.play_times(2, "data/lvl1/totalmissed.ogg"), (std::vector<int>{3003, 6006}));
  // The last life: no lost-life sound, no new target, game over at once.
  EXPECT_EQ(p.play_times(2, "data/lvl1/gameover.ogg"), (std::vector<int>{9009}));
  EXPECT_EQ(p.random_draws, 9);
  EXPECT_EQ(p.find(Op::delay).back().a, 2000);
  EXPECT_EQ(p.find(Op::halt, -1)[0].time, 11009);
}

TEST_F(ToneTarget, CountdownTicksThenTimeIsUp) {
  target_at(300, 200);
  EXPECT_EQ(run(), 0);
  // The period starts after the 500 ms start pause.
  EXPECT_EQ(p.play_times(4, tick_file),
            (std::vector<int>{30501, 55501, 56501, 57501, 58501, 59501}));
  EXPECT_EQ(p.play_times(4, "data/lvl1/countdown0.ogg"), (std::vector<int>{60501}));
  EXPECT_EQ(p.find(Op::delay).back().a, 1500);
  EXPECT_EQ(p.find(Op::halt, -1)[0].time, 62001);
}

TEST_F(ToneTarget, EachHitShortensThePeriodDownToTwentySeconds) {
  // Every target at (300, 200) and the cursor on it: a hit every shot.
  for (int i = 0; i < 9; ++i) target_at(300, 200);
  p.move_mouse(600, 300, 200);
  p.hold_buttons(600, left_button);
  p.release_buttons(7500, left_button);  // seven hits, 1001 ms apart
  EXPECT_EQ(run(), 7);
  const auto hits = p.play_times(2, hit_file);
  ASSERT_EQ(hits.size(), 7u);
  // Periods 50, 40, 35, 30, 25, 20 and 20 s: each hit comes before half of
  // the running one, so the only ticks are those after the last hit.
  const int last = hits.back();
  EXPECT_EQ(p.play_times(4, tick_file),
            (std::vector<int>{last + 10001, last + 15001, last + 16001, last + 17001, last + 18001,
                              last + 19001}));
  EXPECT_EQ(p.play_times(4, "data/lvl1/countdown0.ogg"), (std::vector<int>{last + 20001}));
}

TEST_F(ToneTarget, AHitSilencesTheTickAndRestartsTheCountdown) {
  target_at(300, 200);
  target_at(300, 200);
  p.move_mouse(600, 300, 200);
  p.hold_buttons(30600, left_button);
  p.release_buttons(30700, left_button);
  run();
  // First tick at 30501, the hit at 30600 halts channel 4; the next period
  // is 50 s from the hit.
  const auto ticks = p.play_times(4, tick_file);
  ASSERT_GE(ticks.size(), 2u);
  EXPECT_EQ(ticks[0], 30501);
  EXPECT_EQ(ticks[1], 30600 + 25001);
  const auto halts = p.times(Op::halt, 4);
  ASSERT_EQ(halts.size(), 1u);
  EXPECT_EQ(halts[0], 30600);
}

TEST_F(ToneTarget, LostLivesDoNotRestartTheCountdown) {
  for (int i = 0; i < 3; ++i) target_at(300, 200);
  p.move_mouse(600, 700, 500);
  p.hold_buttons(600, left_button);
  p.release_buttons(3100, left_button);  // three misses: a life lost at 3003
  run();
  EXPECT_EQ(p.play_times(4, tick_file)[0], 30501);
}

TEST_F(ToneTarget, StereoBalanceIsSetOnRingChangesAndResetAtTheEnd) {
  target_at(300, 200);
  p.move_mouse(600, 250, 200);  // target 50 right: ring 5
  p.move_mouse(700, 350, 200);  // 50 left: still ring 5, balance kept
  p.move_mouse(800, 310, 200);  // 10 left: ring 8, centre zone
  p.hold_key(900, key_escape);
  run(stereo);
  const auto panning = p.find(Op::panning, 0);
  ASSERT_EQ(panning.size(), 4u);
  // From the centre: the target 100 left.
  EXPECT_EQ(panning[0].a, 188);
  EXPECT_EQ(panning[0].b, 62);
  EXPECT_EQ(panning[1].a, 62);
  EXPECT_EQ(panning[1].b, 188);
  EXPECT_EQ(panning[2].a, 125);
  EXPECT_EQ(panning[2].b, 125);
  EXPECT_EQ(panning[3].a, 255);
  EXPECT_EQ(panning[3].b, 255);
  EXPECT_GE(panning[3].time, 900);
  EXPECT_TRUE(p.find(Op::distance).empty());
}

TEST_F(ToneTarget, MonoHasNoBalanceAndNoDistance) {
  target_at(300, 200);
  p.move_mouse(600, 250, 200);
  p.hold_key(900, key_escape);
  run(1);
  EXPECT_TRUE(p.find(Op::panning).empty());
  EXPECT_TRUE(p.find(Op::distance).empty());
}

TEST_F(ToneTarget, QuitInputsEndTheLevelWithTheScoreSoFar) {
  struct Case {
    const char* name;
    void (*script)(FakePlatform&);
  };
  const Case cases[] = {
      {"Esc", [](FakePlatform& p) { p.hold_key(1500, key_escape); }},
      {"right button", [](FakePlatform& p) { p.hold_buttons(1500, right_button); }},
      {"close", [](FakePlatform& p) { p.close_window(1500); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakePlatform fresh;
    fresh.random_values = {0, 200, 100, 0, 0, 0};
    fresh.move_mouse(600, 300, 200);
    fresh.hold_buttons(1000, left_button);  // a hit at 1001
    fresh.release_buttons(1100, left_button);
    c.script(fresh);
    EXPECT_EQ(tone_target(fresh, 1), 1);
    EXPECT_LE(fresh.now, 1502);
  }
}

TEST_F(ToneTarget, InputsDuringTheStartPause) {
  // A close request waits in the queue; Esc pressed and released is missed.
  target_at(300, 200);
  p.press_key(100, key_escape, 100);
  p.close_window(3000);
  run();
  EXPECT_GE(p.now, 3000);
  FakePlatform closed;
  closed.random_values = {0, 200, 100};
  closed.close_window(100);
  tone_target(closed, 1);
  EXPECT_EQ(closed.passes, 1);
}
