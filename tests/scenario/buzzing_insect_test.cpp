// The buzzing insect game played through the fake platform: the buzz and its
// cue, shots, escapes, the tractor and the endings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake/fake_platform.hpp"
#include "fake/record_views.hpp"
#include "levels/levels.hpp"

namespace {

const std::string bow = "data/difflvl/bow.ogg";
const std::string hit = "data/lvl2/applehitbuzzaway.ogg";
const std::string miss = "data/lvl2/massbuzz.ogg";
const std::string escape = "data/lvl2/buzzaway.ogg";
const std::string game_over = "data/lvl2/massbuzzaway.ogg";
const std::string tractor = "data/lvl2/tractor.ogg";
const std::string arriving = "data/lvl2/tractorinsect.ogg";
const std::string leaves = "data/lvl2/tractoraway.ogg";
const std::string very_fast = "data/lvl2/buzzveryfast.ogg";
const std::string fast = "data/lvl2/buzzfast.ogg";
const std::string normal = "data/lvl2/buzz.ogg";
const std::string slow = "data/lvl2/buzzslow.ogg";

const std::vector<std::string> general_files = {hit,
                                                miss,
                                                escape,
                                                game_over,
                                                bow,
                                                "data/difflvl/lrwall.ogg",
                                                "data/difflvl/udwall.ogg",
                                                tractor,
                                                arriving,
                                                "data/difflvl/start.ogg",
                                                leaves};
const std::vector<std::string> buzz_files = {very_fast, fast, normal, slow};

// The next insect at (x, y), drawn in the centre region (x 200..599, y 150..449).
void insect_at(FakePlatform& p, int x, int y) {
  p.random_values.insert(p.random_values.end(), {4, x - 200, y - 150});
}

}  // namespace

TEST(BuzzingInsect, LoadsEverySoundBeforeTheFirstMissingOneEndsTheProcess) {
  struct Row {
    std::vector<std::string> missing;
    std::string reported;
  };
  const Row rows[] = {{{tractor}, tractor}, {{slow}, slow}, {{very_fast, leaves}, leaves}};
  for (const Row& row : rows) {
    FakePlatform p;
    p.missing.insert(row.missing.begin(), row.missing.end());
    try {
      buzzing_insect(p, stereo);
      ADD_FAILURE() << "the level went on without " << row.reported;
    } catch (const ProgramExit& exit) {
      EXPECT_EQ(exit.code, 1);
    }
    std::vector<std::string> all = general_files;
    all.insert(all.end(), buzz_files.begin(), buzz_files.end());
    EXPECT_EQ(sounds(p, Op::load), all);
    EXPECT_EQ(p.output, "Mix_LoadWAV: Couldn't open " + row.reported + "\n");
    EXPECT_TRUE(p.find(Op::play).empty());
    EXPECT_TRUE(p.find(Op::allocate).empty());
  }
}

TEST(BuzzingInsect, StartsTheBuzzAfterTheStartCueAndFreesEverythingAtTheEnd) {
  struct Row {
    AudioMode mode;
    std::string cue, reset;
  };
  // The insect 100 pixels right of the centre: ring 4, the normal buzz.
  const Row rows[] = {{stereo, "panning 0  25 75", "panning 0  255 255"},
                      {1, "distance 0  155 0", ""}};
  for (const Row& row : rows) {
    FakePlatform p;
    insect_at(p, 500, 300);
    p.close_window(1000);
    EXPECT_EQ(buzzing_insect(p, row.mode), 0);
    std::vector<std::string> expected = {"allocate -1  5 0",
                                         "volume 0  128 0",
                                         "volume 1  64 0",
                                         "volume 2  128 0",
                                         "volume 3  32 0",
                                         "volume 4  64 0",
                                         "warp -1  400 300",
                                         "play 0 data/difflvl/start.ogg 0 0",
                                         "delay -1  500 0",
                                         "play 0 " + normal + " -1 0",
                                         row.cue,
                                         "halt -1  0 0"};
    if (!row.reset.empty()) expected.push_back(row.reset);
    for (const std::string& file : buzz_files) expected.push_back("free -1 " + file + " 0 0");
    for (const std::string& file : general_files) expected.push_back("free -1 " + file + " 0 0");
    EXPECT_EQ(trace(p), expected);
    EXPECT_EQ(p.play_times(0), (std::vector<int>{0, 500}));
    EXPECT_EQ(p.times(Op::halt), std::vector<int>{1001});
    EXPECT_EQ(p.live_chunks(), 0);
  }
}

TEST(BuzzingInsect, IgnoresShotsInTheFirstSecondAfterEntry) {
  FakePlatform p;
  p.now = 5000;
  insect_at(p, 500, 300);
  p.hold_buttons(5000, left_button);
  p.close_window(8000);
  EXPECT_EQ(buzzing_insect(p, stereo), 0);
  EXPECT_EQ(p.play_times(1, bow), (std::vector<int>{6001, 7002}));
  EXPECT_EQ(p.play_times(2, miss), (std::vector<int>{6001, 7002}));
}

TEST(BuzzingInsect, HitsWithinTenPixelsAndMissesAtEleven) {
  struct Row {
    int dx, dy;
    bool hit;
  };
  const Row rows[] = {{0, 10, true},  {-10, 0, true},  {7, 8, true},
                      {0, 11, false}, {-11, 0, false}, {8, -8, false}};
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.dx << ", " << row.dy);
    FakePlatform p;
    insect_at(p, 400, 300);
    p.move_mouse(600, 400 + row.dx, 300 + row.dy);
    p.hold_buttons(1500, left_button);
    p.release_buttons(1600, left_button);
    p.close_window(1700);
    EXPECT_EQ(buzzing_insect(p, stereo), row.hit ? 1 : 0);
    EXPECT_EQ(p.play_times(1, bow), std::vector<int>{1500});
    EXPECT_EQ(sounds(p, Op::play, 2), std::vector<std::string>{row.hit ? hit : miss});
  }
}

TEST(BuzzingInsect, RefreshesTheCueOnlyWhenTheRingChangesAndTheBuzzOnlyWithTheBand) {
  FakePlatform p;
  insect_at(p, 400, 300);
  p.move_mouse(600, 300, 300);  // 100 pixels left of it: ring 4, band 2
  p.move_mouse(700, 500, 300);  // 100 pixels right: the same ring
  p.move_mouse(800, 400, 240);  // 60 above: ring 5, still band 2
  p.move_mouse(900, 400, 270);  // 30 above: ring 6, band 1
  p.close_window(1000);
  buzzing_insect(p, stereo);
  EXPECT_EQ(cues(p, Op::panning, 0),
            (std::vector<Cue>{
                {500, 125, 125}, {601, 25, 75}, {801, 62, 62}, {901, 75, 75}, {1001, 255, 255}}));
  EXPECT_EQ(p.play_times(0), (std::vector<int>{0, 500, 601, 901}));
  EXPECT_EQ(sounds(p, Op::play, 0),
            (std::vector<std::string>{"data/difflvl/start.ogg", very_fast, normal, fast}));

  FakePlatform mono;
  insect_at(mono, 400, 300);
  mono.move_mouse(600, 300, 300);
  mono.move_mouse(700, 500, 300);
  mono.move_mouse(800, 400, 240);
  mono.close_window(1000);
  buzzing_insect(mono, 1);
  EXPECT_EQ(cues(mono, Op::distance, 0),
            (std::vector<Cue>{{500, 5, 0}, {601, 155, 0}, {801, 130, 0}}));
  EXPECT_TRUE(mono.find(Op::panning).empty());
}

TEST(BuzzingInsect, SilencesTheBuzzThroughThePauseAndRestartsItForTheNewInsect) {
  // The new insect lies in the band heard before; the buzz restarts anyway.
  struct Row {
    const char* what;
    int cursor_y;        // the cursor stays at x 400
    int next_x, next_y;  // the new insect
    int halt;            // the shot that hits or costs the life
    std::vector<std::string> buzzes;
    std::vector<int> buzz_times;
    std::string sound;
  };
  const Row rows[] = {
      {"hit", 300, 403, 300, 1500, {very_fast, very_fast}, {500, 3500}, hit},
      {"escape", 150, 450, 300, 3502, {very_fast, slow, slow}, {500, 501, 5502}, escape},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    FakePlatform p;
    insect_at(p, 400, 300);
    insect_at(p, row.next_x, row.next_y);
    p.move_mouse(500, 400, row.cursor_y);
    p.hold_buttons(1500, left_button);
    p.release_buttons(row.halt + 1, left_button);
    p.close_window(row.halt + 3000);
    buzzing_insect(p, 1);
    EXPECT_EQ(p.times(Op::halt, 0), std::vector<int>{row.halt});
    EXPECT_EQ(p.play_times(2, row.sound), std::vector<int>{row.halt});
    EXPECT_EQ(p.find(Op::delay).at(1).time, row.halt);
    EXPECT_EQ(p.find(Op::delay).at(1).a, 2000);
    std::vector<std::string> buzzes = sounds(p, Op::play, 0);
    buzzes.erase(buzzes.begin());  // the start cue
    EXPECT_EQ(buzzes, row.buzzes);
    std::vector<int> buzz_times = p.play_times(0);
    buzz_times.erase(buzz_times.begin());
    EXPECT_EQ(buzz_times, row.buzz_times);
    EXPECT_EQ(p.times(Op::distance, 0).back(), row.halt + 2000);
  }
}

TEST(BuzzingInsect, SendsTheTractorAwayOnlyWhileItIsStillHeard) {
  struct Row {
    int tractor_length, hit_time;
    bool leaves;
    int next_tractor;  // half of the shortened period after the hit's pause
  };
  // The tractor comes at 30501; the test follows the hit's 2000 ms pause.
  const Row rows[] = {
      {60000, 31000, true, 58001}, {1500, 31000, false, 58001}, {60000, 2000, false, 29001}};
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.tractor_length << " at " << row.hit_time);
    FakePlatform p;
    p.lengths[tractor] = row.tractor_length;
    insect_at(p, 400, 300);
    p.hold_buttons(row.hit_time, left_button);
    p.release_buttons(row.hit_time + 1, left_button);
    p.close_window(58500);
    EXPECT_EQ(buzzing_insect(p, stereo), 1);
    EXPECT_EQ(p.play_times(2, hit), std::vector<int>{row.hit_time});
    EXPECT_EQ(p.play_times(4, leaves),
              row.leaves ? std::vector<int>{row.hit_time + 2000} : std::vector<int>{});
    EXPECT_EQ(p.play_times(4, tractor).back(), row.next_tractor);
  }
}

TEST(BuzzingInsect, ShortensThePeriodWithEachHitDownToTwentySeconds) {
  const int periods[] = {60000, 50000, 40000, 35000, 30000, 25000, 20000, 20000};
  for (int hits = 0; hits < 8; ++hits) {
    SCOPED_TRACE(hits);
    FakePlatform p;
    for (int i = 0; i <= hits; ++i) insect_at(p, 400, 300);
    // Held on the insect: a hit every 2001 ms from 1001 on.
    if (hits > 0) {
      p.hold_buttons(1001, left_button);
      p.release_buttons(1001 + (hits - 1) * 2001 + 1, left_button);
    }
    EXPECT_EQ(buzzing_insect(p, stereo), hits);
    const int start = hits == 0 ? 500 : p.play_times(2, hit).back() + 2000;
    const int period = periods[hits];
    EXPECT_EQ(p.play_times(4, tractor).back(), start + period / 2 + 1);
    EXPECT_EQ(p.play_times(4, arriving).back(), start + period - 2000 + 1);
    EXPECT_EQ(p.find(Op::delay).back().time, start + period + 1);
    EXPECT_EQ(p.find(Op::delay).back().a, 6000);
    EXPECT_EQ(p.times(Op::halt, -1), std::vector<int>{start + period + 6001});
  }
}

TEST(BuzzingInsect, LostLivesDoNotHoldBackTheTractor) {
  FakePlatform p;
  insect_at(p, 600, 400);  // 223 pixels from the centre
  p.hold_buttons(1500, left_button);
  p.release_buttons(5600, left_button);  // four misses, one life lost at 3502
  EXPECT_EQ(buzzing_insect(p, stereo), 0);
  EXPECT_EQ(p.play_times(2, escape), std::vector<int>{3502});
  EXPECT_EQ(p.play_times(4, tractor), std::vector<int>{30501});
  EXPECT_EQ(p.play_times(4, arriving), std::vector<int>{58501});
  // The buzz goes on through the last pause; only the ending halts it.
  EXPECT_EQ(p.times(Op::halt, 0), std::vector<int>{3502});
  EXPECT_EQ(p.times(Op::halt, -1), std::vector<int>{66501});
  EXPECT_EQ(p.live_chunks(), 0);
}

TEST(BuzzingInsect, LastLifeEndsFourSecondsAfterTheGameOverWithoutAnEscape) {
  FakePlatform p;
  insect_at(p, 600, 400);  // later insects at (100, 100), far as well
  p.hold_buttons(1500, left_button);
  EXPECT_EQ(buzzing_insect(p, 1), 0);
  EXPECT_EQ(p.play_times(1, bow),
            (std::vector<int>{1500, 2501, 3502, 5503, 6504, 7505, 9506, 10507, 11508}));
  EXPECT_EQ(p.play_times(2, escape), (std::vector<int>{3502, 7505}));
  EXPECT_EQ(p.play_times(2, game_over), std::vector<int>{11508});
  EXPECT_EQ(p.random_draws, 9);  // no placement after the last life
  EXPECT_EQ(p.times(Op::halt, 0), (std::vector<int>{3502, 7505}));
  EXPECT_EQ(p.find(Op::delay).back().a, 4000);
  EXPECT_EQ(p.times(Op::halt, -1), std::vector<int>{15508});
  EXPECT_EQ(p.live_chunks(), 0);
}
