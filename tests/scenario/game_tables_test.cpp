// Every game against its own table: the files it loads and checks, the
// channels it sets up, the channels and loop counts it plays on, the
// panning it takes off and the order it frees in.
#include <gtest/gtest.h>

#include <set>

#include "fake/fake_platform.hpp"
#include "fake/record_views.hpp"
#include "levels/levels.hpp"

namespace {

int enter(int menu_entry, Platform& p, AudioMode mode) {
  switch (menu_entry) {
    case 1:
      return tone_target(p, mode);
    case 2:
      return quiet_column(p);
    case 3:
      return falling_tin(p, mode);
    case 4:
      return buzzing_insect(p, mode);
    case 5:
      return apple_shot(p, mode);
    default:
      return laser_defence(p, mode);
  }
}

std::vector<std::string> paths(const GameTable& table) {
  std::vector<std::string> found;
  for (const SoundRow& row : table.sounds) found.push_back(row.path);
  return found;
}

class GameTables : public ::testing::TestWithParam<int> {
 protected:
  const GameTable& table = *game_tables[GetParam() - 1];
};

TEST_P(GameTables, LoadsSetsUpPlaysAndFreesByItsTable) {
  EXPECT_EQ(table.menu_entry, GetParam());
  FakePlatform p;
  // Shots at the centre and a walk to the edges sound most of the table.
  p.hold_buttons(600, left_button);
  for (int t = 700; t < 9000; t += 300) p.move_mouse(t, (t * 7) % 800, (t * 3) % 600);
  p.hold_key(9000, key_escape);
  enter(GetParam(), p, stereo);

  EXPECT_EQ(sounds(p, Op::load), paths(table));
  ASSERT_EQ(p.find(Op::allocate).size(), 1u);
  EXPECT_EQ(p.find(Op::allocate)[0].a, static_cast<int>(table.volumes.size()));
  std::vector<int> volumes;
  for (const Call& call : p.find(Op::volume)) volumes.push_back(call.a);
  EXPECT_EQ(volumes, std::vector<int>(table.volumes.begin(), table.volumes.end()));

  for (const Call& play : p.find(Op::play)) {
    bool found = false;
    for (const SoundRow& row : table.sounds) {
      if (play.sound != row.path) continue;
      found = play.channel >= row.channel && play.channel < row.channel + row.sources &&
              play.a == row.loops;
    }
    EXPECT_TRUE(found) << play.sound << " on channel " << play.channel << ", loops " << play.a;
  }

  std::set<int> reset;
  for (const Call& call : p.find(Op::panning)) {
    if (call.time >= 9000 && call.a == 255 && call.b == 255) reset.insert(call.channel);
  }
  EXPECT_EQ(reset, std::set<int>(table.panned.begin(), table.panned.end()));

  std::vector<std::string> free_order;
  const std::vector<std::string> all = paths(table);
  free_order.insert(free_order.end(), all.begin() + static_cast<long>(table.second_array),
                    all.end());
  free_order.insert(free_order.end(), all.begin(),
                    all.begin() + static_cast<long>(table.second_array));
  EXPECT_EQ(sounds(p, Op::free), free_order);
  EXPECT_EQ(p.live_chunks(), 0);
}

TEST_P(GameTables, TriesEveryFileThenStopsAtTheFirstMissingOne) {
  const std::size_t n = table.sounds.size();
  for (const std::size_t first : {std::size_t{0}, n / 2, n - 1}) {
    SCOPED_TRACE(table.sounds[first].path);
    FakePlatform p;
    p.missing = {table.sounds[first].path, table.sounds[n - 1].path};
    try {
      enter(GetParam(), p, mono);
      ADD_FAILURE() << "the game ran without its sounds";
    } catch (const ProgramExit& exit) {
      EXPECT_EQ(exit.code, 1);
    }
    EXPECT_EQ(sounds(p, Op::load), paths(table));
    EXPECT_EQ(p.output,
              "Mix_LoadWAV: Couldn't open " + std::string(table.sounds[first].path) + "\n");
    EXPECT_TRUE(p.find(Op::allocate).empty());
    EXPECT_TRUE(p.find(Op::play).empty());
  }
}

INSTANTIATE_TEST_SUITE_P(EveryGame, GameTables, ::testing::Range(1, 7),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(game_tables[info.param - 1]->name);
                         });

}  // namespace
