// The quiet column game played through the fake platform.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "fake/fake_platform.hpp"
#include "fake/record_views.hpp"
#include "levels/levels.hpp"

namespace {

const std::vector<std::string> slot_files = {
    "data/lvl4/fizz.ogg",       "data/difflvl/revolvershot.ogg", "data/difflvl/lrwall.ogg",
    "data/difflvl/udwall.ogg",  "data/difflvl/start.ogg",        "data/lvl4/tinhit.ogg",
    "data/lvl4/water.ogg",      "data/lvl4/shotup.ogg",          "data/lvl4/tinhit2.ogg",
    "data/lvl4/tinhit3.ogg",    "data/lvl4/countdown1.ogg",      "data/lvl4/countdown2.ogg",
    "data/lvl4/countdown3.ogg", "data/lvl4/barreldest.ogg",
};
const std::string fizz = "data/lvl4/fizz.ogg";
const std::string shot = "data/difflvl/revolvershot.ogg";
const std::string tinhit = "data/lvl4/tinhit.ogg";
const std::string tinhit2 = "data/lvl4/tinhit2.ogg";
const std::string tinhit3 = "data/lvl4/tinhit3.ogg";
const std::string water = "data/lvl4/water.ogg";
const std::string shotup = "data/lvl4/shotup.ogg";
const std::string barreldest = "data/lvl4/barreldest.ogg";
const std::string countdown1 = "data/lvl4/countdown1.ogg";
const std::string countdown2 = "data/lvl4/countdown2.ogg";
const std::string countdown3 = "data/lvl4/countdown3.ogg";

// The first pass runs 1 ms after the 500 ms start pause; the countdown starts
// at the end of that pause.
constexpr int start_done = 500;

std::vector<std::pair<int, int>> distances(const FakePlatform& p, int channel) {
  std::vector<std::pair<int, int>> found;
  for (const Call& call : p.find(Op::distance, channel)) found.emplace_back(call.time, call.a);
  return found;
}

// Every draw puts the target in column `column`.
void target_always_in(FakePlatform& p, int column) {
  for (int i = 0; i < 40; ++i) p.random_values.push_back(column);
}

// A click of 1 ms: exactly one shot at `time` if the gun is ready.
void click(FakePlatform& p, int time) {
  p.hold_buttons(time, left_button);
  p.release_buttons(time + 1, left_button);
}

TEST(QuietColumn, TriesEveryFileThenReportsTheFirstMissingInSlotOrder) {
  FakePlatform p;
  p.missing = {"data/lvl4/barreldest.ogg", "data/lvl4/water.ogg"};
  try {
    quiet_column(p);
    FAIL() << "a missing sound must end the program";
  } catch (const ProgramExit& exit) {
    EXPECT_EQ(exit.code, 1);
  }
  EXPECT_EQ(sounds(p.find(Op::load)), slot_files);
  EXPECT_EQ(p.output, "Mix_LoadWAV: Couldn't open data/lvl4/water.ogg\n");
  EXPECT_TRUE(p.find(Op::allocate).empty());
  EXPECT_TRUE(p.find(Op::play).empty());
}

TEST(QuietColumn, SetsUpChannelsStartsTheFizzAndFreesInSlotOrder) {
  FakePlatform p;
  target_always_in(p, 0);  // a decoy stands in the centre column
  p.press_key(800, key_escape, 5);
  EXPECT_EQ(quiet_column(p), 0);

  const auto allocations = p.find(Op::allocate);
  ASSERT_EQ(allocations.size(), 1u);
  EXPECT_EQ(allocations[0].a, 6);
  const int volumes[6] = {128, 64, 64, 32, 64, 128};
  const auto volume_calls = p.find(Op::volume);
  ASSERT_EQ(volume_calls.size(), 6u);
  for (int channel = 0; channel < 6; ++channel) {
    EXPECT_EQ(volume_calls[channel].channel, channel);
    EXPECT_EQ(volume_calls[channel].a, volumes[channel]);
  }
  const auto channel0 = p.find(Op::play, 0);
  ASSERT_EQ(channel0.size(), 2u);
  EXPECT_EQ(channel0[0].sound, "data/difflvl/start.ogg");
  EXPECT_EQ(channel0[0].time, 0);
  EXPECT_EQ(channel0[1].sound, fizz);
  EXPECT_EQ(channel0[1].time, start_done);
  EXPECT_EQ(channel0[1].a, -1);
  EXPECT_EQ(distances(p, 0), (std::vector<std::pair<int, int>>{{start_done, 5}}));

  EXPECT_EQ(p.calls.back().op, Op::free);
  EXPECT_EQ(sounds(p.find(Op::free)), slot_files);
  EXPECT_EQ(p.live_chunks(), 0);
  EXPECT_EQ(p.find(Op::halt, -1).size(), 1u);
  EXPECT_TRUE(p.find(Op::panning).empty());
}

TEST(QuietColumn, FizzStartsFarthestWhenTheTargetHoldsTheCentre) {
  FakePlatform p;
  target_always_in(p, 2);
  p.close_window(700);
  quiet_column(p);
  EXPECT_EQ(distances(p, 0), (std::vector<std::pair<int, int>>{{start_done, 255}}));
}

TEST(QuietColumn, DecoyChangesApplyInRecordOrderAndOnlyOnChange) {
  // Target to column 0; decoy 0 moves to column 4; decoys 1..3 stay in 1..3.
  FakePlatform p;
  target_always_in(p, 0);
  p.move_mouse(600, 470, 300);  // decoy 2 (x 400) at dx 70: ring 2
  p.move_mouse(700, 481, 10);   // decoy 2 at 81: ring 0; decoy 3 (x 560) at 79: ring 2
  p.move_mouse(800, 482, 590);  // decoy 3 at 78: still ring 2, nothing is touched
  p.move_mouse(900, 560, 300);  // decoy 3 at 0: ring 10
  p.press_key(1000, key_escape, 5);
  quiet_column(p);
  EXPECT_EQ(distances(p, 0), (std::vector<std::pair<int, int>>{
                                 {start_done, 5}, {601, 205}, {701, 255}, {701, 205}, {901, 5}}));
}

TEST(QuietColumn, ShotHitsWithinEightyPixelsOfTheTargetColumn) {
  struct Case {
    int target_column;
    int cursor_x;
    bool hit;
  };
  const Case cases[] = {
      {2, 480, true},  {2, 481, false}, {2, 320, true},  {2, 319, false},
      {0, 0, true},    {4, 799, true},  {0, 160, true},  {1, 160, true},
      {2, 160, false}, {1, 320, true},  {2, 480, true},  {3, 480, true},
      {3, 640, true},  {4, 640, true},  {2, 640, false}, {4, 560, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "target column " << c.target_column << ", x " << c.cursor_x);
    FakePlatform p;
    target_always_in(p, c.target_column);
    p.move_mouse(600, c.cursor_x, 123);
    click(p, 1001);
    p.close_window(1100);
    EXPECT_EQ(quiet_column(p), c.hit ? 1 : 0);
    EXPECT_EQ(p.play_times(1, shot), std::vector<int>{1001});
    EXPECT_EQ(p.play_times(2, tinhit).size(), c.hit ? 2u : 0u);
    EXPECT_EQ(p.play_times(5, water).size(), c.hit ? 0u : 1u);
  }
}

TEST(QuietColumn, ShotWithinOneSecondOfEntryIsIgnored) {
  FakePlatform p;
  p.now = 5000;  // the level is entered at 5000; loading takes no time here
  p.hold_buttons(0, left_button);
  p.move_mouse(0, 700, 300);
  target_always_in(p, 0);  // the cursor is far from it: every shot misses
  EXPECT_EQ(quiet_column(p), 0);
  EXPECT_EQ(p.play_times(1, shot), (std::vector<int>{6001, 7002, 8003}));
}

TEST(QuietColumn, HitSoundAndPauseFollowTheScoreBeforeTheHit) {
  FakePlatform p;
  target_always_in(p, 2);  // the target stays under the resting cursor
  for (int i = 0; i < 7; ++i) click(p, 1001 + 3000 * i);
  p.press_key(1001 + 3000 * 7, key_escape, 5);
  EXPECT_EQ(quiet_column(p), 7);

  const auto answers = p.find(Op::play, 2);
  ASSERT_EQ(answers.size(), 14u);
  const std::string expected[7] = {tinhit, tinhit, tinhit2, tinhit2, tinhit2, tinhit3, tinhit3};
  const int pauses[7] = {2500, 2500, 1800, 1800, 1800, 1300, 1300};
  const auto delays = p.find(Op::delay);
  ASSERT_EQ(delays.size(), 8u);  // the start pause, then one per hit
  for (std::size_t hit = 0; hit < 7; ++hit) {
    const int time = 1001 + 3000 * static_cast<int>(hit);
    EXPECT_EQ(answers[2 * hit].sound, tinhit) << "hit " << hit;
    EXPECT_EQ(answers[2 * hit].time, time);
    EXPECT_EQ(answers[2 * hit + 1].sound, expected[hit]) << "hit " << hit;
    EXPECT_EQ(answers[2 * hit + 1].time, time);
    EXPECT_EQ(delays[hit + 1].time, time);
    EXPECT_EQ(delays[hit + 1].a, pauses[hit]) << "hit " << hit;
  }
  EXPECT_EQ(p.random_draws, 1 + 7);
}

TEST(QuietColumn, CountdownShortensOnTheFirstTenHitsOnly) {
  struct Case {
    int hits;
    int cue1, cue2, cue3, end;  // ms after the countdown's start
  };
  const Case cases[] = {
      {0, 1000, 4000, 7000, 10000}, {1, 1000, 3800, 6600, 9500},  {9, 1000, 2200, 3400, 5500},
      {10, 1000, 2000, 3000, 5000}, {11, 1000, 2000, 3000, 5000},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.hits << " hits");
    FakePlatform p;
    target_always_in(p, 2);
    for (int i = 0; i < c.hits; ++i) click(p, 1001 + 3000 * i);
    EXPECT_EQ(quiet_column(p), c.hits);

    // The countdown restarts when the last hit's pause is over.
    const auto delays = p.find(Op::delay);
    ASSERT_EQ(delays.size(), static_cast<std::size_t>(c.hits + 2));
    const Call& last_pause = delays[delays.size() - 2];
    const int start = last_pause.time + last_pause.a;
    EXPECT_EQ(p.play_times(4, countdown1).back(), start + c.cue1 + 1);
    EXPECT_EQ(p.play_times(4, countdown2).back(), start + c.cue2 + 1);
    EXPECT_EQ(p.play_times(4, countdown3).back(), start + c.cue3 + 1);
    EXPECT_EQ(p.play_times(4, shotup), std::vector<int>{start + c.end + 1});
    EXPECT_EQ(p.times(Op::halt, 0), (std::vector<int>{start + c.end + 1}));
    EXPECT_EQ(p.times(Op::halt, 5), (std::vector<int>{start + c.end + 1}));
    EXPECT_EQ(delays.back().a, 2000);
    EXPECT_EQ(p.times(Op::halt, -1), (std::vector<int>{start + c.end + 1 + 2000}));
  }
}

TEST(QuietColumn, FirstHitRestartsTheCountdownAfterItsPause) {
  FakePlatform p;
  target_always_in(p, 2);
  click(p, 1001);
  p.close_window(5000);
  quiet_column(p);
  // Not 1001 + 1001: the countdown starts again once the 2500 ms are over.
  EXPECT_EQ(p.play_times(4, countdown1), (std::vector<int>{1001 + 2500 + 1001}));
}

TEST(QuietColumn, HitCutsOffOnlyACountdownCueThatStillSounds) {
  struct Case {
    int cue_length;
    bool cut;
  };
  // Cue 1 starts at 1501; the hit at 1600 checks channel 4 after its 2500 ms.
  const Case cases[] = {{2000, false}, {2599, false}, {2600, true}, {10000, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "cue length " << c.cue_length);
    FakePlatform p;
    p.lengths[countdown1] = c.cue_length;
    target_always_in(p, 2);
    click(p, 1600);
    p.close_window(4200);
    quiet_column(p);
    EXPECT_EQ(p.play_times(4, countdown1), std::vector<int>{1501});
    EXPECT_EQ(p.times(Op::halt, 4), c.cut ? std::vector<int>{4100} : std::vector<int>{});
  }
}

TEST(QuietColumn, MissesBringTheWaterNearerThenBurstTheBarrel) {
  FakePlatform p;
  target_always_in(p, 4);
  p.hold_buttons(0, left_button);  // the resting cursor is 320 pixels off
  EXPECT_EQ(quiet_column(p), 0);

  EXPECT_EQ(p.play_times(1, shot), (std::vector<int>{1001, 2002, 3003}));
  const auto waters = p.find(Op::play, 5);
  ASSERT_EQ(waters.size(), 1u);  // the second miss starts no sound of its own
  EXPECT_EQ(waters[0].sound, water);
  EXPECT_EQ(waters[0].time, 1001);
  EXPECT_EQ(waters[0].a, 0);
  EXPECT_EQ(distances(p, 5), (std::vector<std::pair<int, int>>{{1001, 200}, {2002, 50}}));
  EXPECT_EQ(p.play_times(2), std::vector<int>{3003});
  EXPECT_EQ(p.play_times(2, barreldest), std::vector<int>{3003});
  EXPECT_EQ(p.times(Op::halt, 0), std::vector<int>{3003});
  EXPECT_EQ(p.times(Op::halt, 5), std::vector<int>{3003});
  EXPECT_EQ(p.find(Op::delay).back().a, 3000);
  EXPECT_EQ(p.times(Op::halt, -1), std::vector<int>{6003});
  EXPECT_TRUE(p.play_times(4, shotup).empty());
}

TEST(QuietColumn, CountdownAndLastLifeInOnePassPlayBothEndings) {
  FakePlatform p;
  target_always_in(p, 4);
  click(p, 2000);
  click(p, 5000);
  // The countdown runs out in the pass at 10501; the third miss comes then too.
  click(p, start_done + 10001);
  EXPECT_EQ(quiet_column(p), 0);

  // Misses never restart the countdown.
  EXPECT_EQ(p.play_times(4, countdown1), std::vector<int>{1501});
  EXPECT_EQ(p.play_times(4, countdown2), std::vector<int>{4501});
  EXPECT_EQ(p.play_times(4, countdown3), std::vector<int>{7501});

  std::vector<std::string> ending;
  for (const Call& call : p.calls) {
    if (call.time < 10501) continue;
    if (call.op == Op::play || call.op == Op::delay || call.op == Op::halt) {
      ending.push_back(name(call.op) + " " + std::to_string(call.channel) + " " + call.sound + " " +
                       std::to_string(call.a) + " @" + std::to_string(call.time));
    }
  }
  const std::vector<std::string> expected = {
      "play 1 " + shot + " 0 @10501",
      "halt 0  0 @10501",
      "halt 5  0 @10501",
      "play 4 " + shotup + " 0 @10501",
      "delay -1  2000 @10501",
      "halt 0  0 @12501",
      "halt 5  0 @12501",
      "play 2 " + barreldest + " 0 @12501",
      "delay -1  3000 @12501",
      "halt -1  0 @15501",
  };
  EXPECT_EQ(ending, expected);
}

}  // namespace
