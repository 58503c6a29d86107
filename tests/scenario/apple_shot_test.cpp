// The apple shot game played through the fake platform: the boy's sounds and
// their cues, where a shot lands, the calls and the endings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake/fake_platform.hpp"
#include "fake/record_views.hpp"
#include "levels/levels.hpp"

namespace {

const std::string apple_hit = "data/lvl3/applehitnewpos.ogg";
const std::string stammer = "data/lvl3/stammer.ogg";
const std::string cringe = "data/lvl3/cringe.ogg";
const std::string running_home = "data/lvl3/runninghome.ogg";
const std::string boy_hit = "data/lvl3/boyhit.ogg";
const std::string bow = "data/difflvl/bow.ogg";
const std::string first_call = "data/lvl3/mthey1.ogg";
const std::string second_call = "data/lvl3/mthey2.ogg";
const std::string breath = "data/lvl3/breath.ogg";
const std::string mumble = "data/lvl3/mumble.ogg";
const std::string heart = "data/lvl3/heart.ogg";

const std::vector<std::string> general_files = {apple_hit,
                                                stammer,
                                                cringe,
                                                running_home,
                                                boy_hit,
                                                bow,
                                                "data/difflvl/lrwall.ogg",
                                                "data/difflvl/udwall.ogg",
                                                first_call,
                                                second_call,
                                                "data/difflvl/start.ogg"};
const std::vector<std::string> body_files = {breath, mumble, heart};

// The next apple at (x, y): x 60..709, y 60..399.
void apple_at(FakePlatform& p, int x, int y) {
  p.random_values.insert(p.random_values.end(), {x - 60, y - 60});
}

std::vector<int> body_halts(const FakePlatform& p) {
  std::vector<int> times;
  for (int channel = 5; channel <= 7; ++channel) {
    for (int time : p.times(Op::halt, channel)) times.push_back(time);
  }
  return times;
}

}  // namespace

TEST(AppleShot, LoadsEverySoundBeforeTheFirstMissingOneEndsTheProcess) {
  struct Row {
    std::vector<std::string> missing;
    std::string reported;
  };
  const Row rows[] = {{{boy_hit}, boy_hit}, {{heart}, heart}, {{breath, second_call}, second_call}};
  for (const Row& row : rows) {
    FakePlatform p;
    p.missing.insert(row.missing.begin(), row.missing.end());
    try {
      apple_shot(p, stereo);
      ADD_FAILURE() << "the level went on without " << row.reported;
    } catch (const ProgramExit& exit) {
      EXPECT_EQ(exit.code, 1);
    }
    std::vector<std::string> all = general_files;
    all.insert(all.end(), body_files.begin(), body_files.end());
    EXPECT_EQ(sounds(p, Op::load), all);
    EXPECT_EQ(p.output, "Mix_LoadWAV: Couldn't open " + row.reported + "\n");
    EXPECT_TRUE(p.find(Op::play).empty());
    EXPECT_TRUE(p.find(Op::allocate).empty());
  }
}

TEST(AppleShot, StartsTheBodySoundsBesideTheStartCueAndResetsTheirPanningAtTheEnd) {
  // Apple at (380, 250): breath 22 pixels away, a little left (ring 6); the
  // mumble 36 (ring 4); the heart 90 (ring 0, silent in stereo).
  struct Row {
    AudioMode mode;
    std::vector<std::string> cues, resets;
  };
  const Row rows[] = {
      {stereo,
       {"panning 5  113 37", "panning 6  75 25", "panning 7  0 0"},
       {"panning 5  255 255", "panning 6  255 255", "panning 7  255 255"}},
      {1, {"distance 5  105 0", "distance 6  155 0", "distance 7  255 0"}, {}},
  };
  for (const Row& row : rows) {
    FakePlatform p;
    apple_at(p, 380, 250);
    p.close_window(1000);
    EXPECT_EQ(apple_shot(p, row.mode), 0);
    std::vector<std::string> expected = {"allocate -1  8 0",
                                         "volume 0  128 0",
                                         "volume 1  64 0",
                                         "volume 2  128 0",
                                         "volume 3  32 0",
                                         "volume 4  128 0",
                                         "volume 5  128 0",
                                         "volume 6  128 0",
                                         "volume 7  128 0",
                                         "warp -1  400 300",
                                         "play 0 data/difflvl/start.ogg 0 0",
                                         "delay -1  500 0"};
    for (int spot = 0; spot < 3; ++spot) {
      expected.push_back("play " + std::to_string(5 + spot) + " " + body_files[spot] + " -1 0");
      expected.push_back(row.cues[spot]);
    }
    expected.push_back("halt -1  0 0");
    expected.insert(expected.end(), row.resets.begin(), row.resets.end());
    for (const std::string& file : body_files) expected.push_back("free -1 " + file + " 0 0");
    for (const std::string& file : general_files) expected.push_back("free -1 " + file + " 0 0");
    EXPECT_EQ(trace(p), expected);
    EXPECT_EQ(p.times(Op::halt, -1), std::vector<int>{1001});
    EXPECT_EQ(p.live_chunks(), 0);
  }
}

TEST(AppleShot, RefreshesEachSpotsCueOnlyWhenItsOwnRingChanges) {
  // Apple at (400, 300): breath (400, 360), mumble (400, 380), heart (430, 440).
  struct Row {
    AudioMode mode;
    Op op;
    std::vector<Cue> breath, mumble, heart;
  };
  const Row rows[] = {
      {stereo,
       Op::panning,
       {{500, 25, 25}, {701, 75, 75}, {801, 12, 38}, {1001, 255, 255}},
       {{500, 0, 0}, {701, 25, 25}, {801, 0, 0}, {1001, 255, 255}},
       {{500, 0, 0}, {1001, 255, 255}}},
      {1,
       Op::distance,
       {{500, 205, 0}, {701, 105, 0}, {801, 205, 0}},
       {{500, 255, 0}, {701, 205, 0}, {801, 255, 0}},
       {{500, 255, 0}}},
  };
  for (const Row& row : rows) {
    FakePlatform p;
    apple_at(p, 400, 300);
    p.move_mouse(600, 400, 305);  // no ring changes
    p.move_mouse(700, 400, 330);  // breath 30 (ring 6), mumble 50 (ring 2)
    p.move_mouse(800, 350, 330);  // breath 58 to the right (ring 2), mumble 70 (ring 0)
    p.close_window(1000);
    apple_shot(p, row.mode);
    EXPECT_EQ(cues(p, row.op, 5), row.breath);
    EXPECT_EQ(cues(p, row.op, 6), row.mumble);
    EXPECT_EQ(cues(p, row.op, 7), row.heart);
    for (int channel = 5; channel <= 7; ++channel) {
      EXPECT_EQ(p.play_times(channel), std::vector<int>{500}) << channel;
    }
  }
}

TEST(AppleShot, IgnoresShotsInTheFirstSecondAfterEntry) {
  FakePlatform p;
  p.now = 5000;
  apple_at(p, 100, 80);
  p.hold_buttons(5000, left_button);
  p.close_window(8000);
  EXPECT_EQ(apple_shot(p, stereo), 0);
  EXPECT_EQ(p.play_times(1, bow), (std::vector<int>{6001, 7002}));
  EXPECT_EQ(p.play_times(2, stammer), (std::vector<int>{6001, 7002}));
}

TEST(AppleShot, TestsTheAppleFirstThenTheBreathAndTheHeart) {
  enum Outcome { apple, boy, nobody };
  struct Row {
    const char* where;
    int dx, dy;  // from the apple; breath at (0, 60), mumble (0, 80), heart (30, 140)
    Outcome outcome;
  };
  const Row rows[] = {
      {"20 right of the apple", 20, 0, apple},
      {"20 above the apple", 0, -20, apple},
      {"20 from the apple, diagonally", -12, 16, apple},
      {"15 below the apple, 45 above the breath", 0, 15, apple},
      {"20 below the apple", 0, 20, apple},
      {"21 below the apple, 39 above the breath", 0, 21, boy},
      {"21 right of the apple", 21, 0, nobody},
      {"45 right of the breath", 45, 60, boy},
      {"46 right of the breath", 46, 60, nobody},
      {"45 left of the breath", -45, 60, boy},
      {"46 left of the breath", -46, 60, nobody},
      {"45 right of the heart", 75, 140, boy},
      {"46 right of the heart", 76, 140, nobody},
      {"45 below the heart", 30, 185, boy},
      {"46 below the heart", 30, 186, nobody},
      {"36 from the mumble, 46 from the breath", -35, 90, nobody},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.where);
    FakePlatform p;
    apple_at(p, 400, 200);
    p.move_mouse(600, 400 + row.dx, 200 + row.dy);
    p.hold_buttons(1500, left_button);
    p.release_buttons(1600, left_button);
    p.close_window(1700);
    EXPECT_EQ(apple_shot(p, stereo), row.outcome == apple ? 1 : 0);
    const std::string sound[] = {apple_hit, boy_hit, stammer};
    EXPECT_EQ(sounds(p, Op::play, 2), std::vector<std::string>{sound[row.outcome]});
    EXPECT_EQ(p.play_times(2), std::vector<int>{1500});
    EXPECT_EQ(body_halts(p),
              row.outcome == nobody ? std::vector<int>{} : (std::vector<int>{1500, 1500, 1500}));
    if (row.outcome == boy) {
      EXPECT_EQ(p.find(Op::delay).back().a, 2500);
      EXPECT_EQ(p.times(Op::halt, -1), std::vector<int>{4000});
    }
  }
}

TEST(AppleShot, WarpsTheMouseToTheCursorAtEveryShot) {
  FakePlatform p;
  apple_at(p, 400, 200);
  p.move_mouse(600, 123, 456);
  p.move_mouse(3000, 321, 222);
  p.hold_buttons(1500, left_button);
  p.release_buttons(3600, left_button);
  p.close_window(8000);
  apple_shot(p, stereo);
  const auto warps = p.find(Op::warp);
  ASSERT_EQ(warps.size(), 4u);
  const int expected[4][3] = {{0, 400, 300}, {1500, 123, 456}, {2501, 123, 456}, {3502, 321, 222}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(warps[i].time, expected[i][0]) << i;
    EXPECT_EQ(warps[i].a, expected[i][1]) << i;
    EXPECT_EQ(warps[i].b, expected[i][2]) << i;
  }
}

TEST(AppleShot, CallsAtHalfThePeriodAndSendsTheBoyHomeAtItsEnd) {
  struct Row {
    int hits, period;
  };
  const Row rows[] = {{0, 60000}, {1, 50000}, {2, 40000}, {6, 20000}, {7, 20000}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.hits);
    FakePlatform p;
    for (int i = 0; i <= row.hits; ++i) apple_at(p, 400, 300);
    // Held on the apple: a hit every 2001 ms from 1001 on.
    if (row.hits > 0) {
      p.hold_buttons(1001, left_button);
      p.release_buttons(1001 + (row.hits - 1) * 2001 + 1, left_button);
    }
    EXPECT_EQ(apple_shot(p, stereo), row.hits);
    const int start = row.hits == 0 ? 500 : p.play_times(2, apple_hit).back() + 2000;
    const int end = start + row.period + 1;
    EXPECT_EQ(p.play_times(4, first_call).back(), start + row.period / 2 + 1);
    EXPECT_EQ(p.play_times(4, second_call), std::vector<int>{end});
    EXPECT_EQ(p.play_times(2, running_home), std::vector<int>{end + 1000});
    EXPECT_EQ(p.times(Op::halt, 5).back(), end);
    EXPECT_EQ(p.find(Op::delay).back().a, 3200);
    EXPECT_EQ(p.times(Op::halt, -1), std::vector<int>{end + 4200});
  }
}

TEST(AppleShot, LostLivesKeepThePeriodAndAnAppleHitLeavesTheCallSounding) {
  FakePlatform p;
  p.lengths[first_call] = 10000;
  apple_at(p, 100, 80);   // far from the cursor at the centre
  apple_at(p, 100, 80);   // after the first lost life
  apple_at(p, 600, 100);  // after the second; then (60, 60)
  p.hold_buttons(1500, left_button);
  p.release_buttons(3600, left_button);  // the third miss at 3502, before the first call
  p.hold_buttons(31000, left_button);
  p.release_buttons(33100, left_button);  // the third miss at 33002, after it
  p.move_mouse(37500, 600, 100);
  p.hold_buttons(38000, left_button);
  p.release_buttons(38100, left_button);
  p.close_window(65500);
  EXPECT_EQ(apple_shot(p, 1), 1);
  EXPECT_EQ(p.play_times(2, cringe), (std::vector<int>{3502, 33002}));
  EXPECT_EQ(p.play_times(2, apple_hit), std::vector<int>{38000});
  EXPECT_EQ(p.play_times(4, first_call), (std::vector<int>{30501, 65001}));
  EXPECT_TRUE(p.times(Op::halt, 4).empty());
  // The boy sounds again from his new place, far from the cursor.
  EXPECT_EQ(p.play_times(5, breath), (std::vector<int>{500, 7502, 37002, 40000}));
  EXPECT_EQ(cues(p, Op::distance, 5).back(), (Cue{40000, 255, 0}));
  EXPECT_EQ(p.random_draws, 8);
}

TEST(AppleShot, LastLifeSendsTheBoyHomeWithoutACringe) {
  FakePlatform p;
  apple_at(p, 100, 80);  // later placements at (60, 60), far as well
  p.hold_buttons(1500, left_button);
  EXPECT_EQ(apple_shot(p, stereo), 0);
  EXPECT_EQ(p.play_times(1, bow),
            (std::vector<int>{1500, 2501, 3502, 7503, 8504, 9505, 13506, 14507, 15508}));
  EXPECT_EQ(p.play_times(2, cringe), (std::vector<int>{3502, 9505}));
  EXPECT_EQ(p.play_times(2, running_home), std::vector<int>{15508});
  EXPECT_EQ(p.random_draws, 6);  // no placement after the last life
  EXPECT_EQ(p.play_times(5, breath), (std::vector<int>{500, 7502, 13505}));
  EXPECT_EQ(p.times(Op::halt, 6), (std::vector<int>{3502, 9505, 15508}));
  EXPECT_EQ(p.find(Op::delay).back().a, 3200);
  EXPECT_EQ(p.times(Op::halt, -1), std::vector<int>{18708});
  EXPECT_EQ(p.live_chunks(), 0);
}
