// The best-score file and the audio-mode file, read and written for real.
#include "shell/scores.hpp"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

class ScoreFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/tirauris-scores-XXXXXX";
    dir = mkdtemp(name);
    path = dir + "/highscore.txt";
  }
  void TearDown() override { std::filesystem::remove_all(dir); }

  void write(const std::string& text) { std::ofstream(path, std::ios::binary) << text; }
  std::string read() const {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  HighScoreTable read_scores() {
    HighScoreTable best{};
    read_best_scores(path.c_str(), best);
    return best;
  }

  std::string dir;
  std::string path;
};

}  // namespace

TEST_F(ScoreFile, ReadsWhatItWrites) {
  const HighScoreTable best = {3, 0, 12, 7, 1234567, 5};
  ASSERT_TRUE(write_best_scores(path.c_str(), best));
  EXPECT_EQ(read(),
            "level 1: 3\nlevel 2: 0\nlevel 3: 12\nlevel 4: 7\nlevel 5: 1234567\nlevel 6: 5\n");
  EXPECT_EQ(read_scores(), best);
  EXPECT_FALSE(std::filesystem::exists(path + ".new"));
}

TEST_F(ScoreFile, MissingFileLeavesZeros) {
  EXPECT_EQ(read_scores(), (HighScoreTable{0, 0, 0, 0, 0, 0}));
}

TEST_F(ScoreFile, ShortFileLeavesTheRestZero) {
  write("level 1: 4\nlevel 2: 9\n");
  EXPECT_EQ(read_scores(), (HighScoreTable{4, 9, 0, 0, 0, 0}));
}

TEST_F(ScoreFile, ReadsTwoByteLineEndsAndNegativeNumbers) {
  write("level 1: 8\r\nlevel 2: -3\r\nlevel 3: 1\r\nlevel 4: 2\r\nlevel 5: 0\r\nlevel 6: 44\r\n");
  EXPECT_EQ(read_scores(), (HighScoreTable{8, -3, 1, 2, 0, 44}));
}

TEST_F(ScoreFile, NumbersBeyondThirtyTwoBitsAreFailedReads) {
  write(
      "level 1: 2147483647\nlevel 2: 2147483648\nlevel 3: -2147483648\n"
      "level 4: 99999999999999999999999\nlevel 5: 6\nlevel 6: 7\n");
  // The whole number is passed over, so the lines behind it still read.
  EXPECT_EQ(read_scores(), (HighScoreTable{2147483647, 0, -2147483648, 0, 6, 7}));
}

TEST_F(ScoreFile, GarbageIsAFailedRead) {
  write("level 1: abc\nlevel 2: 5\n");
  const HighScoreTable best = read_scores();
  EXPECT_EQ(best[0], 0);
}

TEST_F(ScoreFile, FailedSaveKeepsTheOldFileAndSaysWhy) {
  write("level 1: 1\n");
  const std::string blocked = dir + "/blocked";
  std::filesystem::create_directory(blocked);
  std::filesystem::create_directory(blocked + "/highscore.txt.new");  // the temporary can't be made
  testing::internal::CaptureStderr();
  EXPECT_FALSE(write_best_scores((blocked + "/highscore.txt").c_str(), HighScoreTable{5}));
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find(blocked + "/highscore.txt"), std::string::npos) << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1);
  EXPECT_EQ(read(), "level 1: 1\n");
}

TEST_F(ScoreFile, AudioModeIsOneUnlessTheFileSaysOtherwise) {
  const std::string mode_path = dir + "/monostereo.txt";
  AudioMode mode = 1;
  read_audio_mode(mode_path.c_str(), mode);
  EXPECT_EQ(mode, 1);
  std::ofstream(mode_path) << "2 and anything after";
  read_audio_mode(mode_path.c_str(), mode);
  EXPECT_EQ(mode, 2);
  mode = 1;
  std::ofstream(mode_path) << "";
  read_audio_mode(mode_path.c_str(), mode);
  EXPECT_EQ(mode, 1);
}
