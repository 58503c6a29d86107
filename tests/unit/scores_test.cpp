// The best-score file and the audio-mode file, read and written for real.
#include "shell/scores.hpp"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/captured_stderr.hpp"

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
  // The folder's files, but for the lock file that saving leaves.
  std::vector<std::string> names() const {
    std::vector<std::string> found;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      if (entry.path().filename() != "highscore.txt.lock") found.push_back(entry.path().filename());
    }
    std::sort(found.begin(), found.end());
    return found;
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
  // The writer's temporary is gone: the folder holds the score file alone.
  EXPECT_EQ(names(), std::vector<std::string>{"highscore.txt"});
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
  // Not zeros, so that what the reader writes shows: the garbage line leaves
  // its score alone and the next line still reads.
  HighScoreTable best{7, 7, 7, 7, 7, 7};
  EXPECT_EQ(read_best_scores(path.c_str(), best), FileState::damaged);
  EXPECT_EQ(best, (HighScoreTable{7, 5, 7, 7, 7, 7}));
}

TEST_F(ScoreFile, FailedSaveKeepsTheOldFileAndSaysWhy) {
  write("level 1: 1\n");
  const std::string blocked = dir + "/blocked";
  std::ofstream(blocked) << "a file where the folder should be";  // no temporary can be made
  CapturedStderr capture;
  EXPECT_FALSE(write_best_scores((blocked + "/highscore.txt").c_str(), HighScoreTable{5}));
  const std::string said = capture.text();
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

TEST_F(ScoreFile, EachLineCostsOnlyItsOwnLevel) {
  const std::string good =
      "level 1: 1\nlevel 2: 2\nlevel 3: 3\nlevel 4: 4\nlevel 5: 5\nlevel 6: 6\n";
  struct Case {
    const char* name;
    std::string text;
    HighScoreTable expected;
    FileState state;
  };
  const Case cases[] = {
      {"written by the game", good, {1, 2, 3, 4, 5, 6}, FileState::clean},
      {"empty", "", {0, 0, 0, 0, 0, 0}, FileState::clean},
      {"blanks and CRLF",
       " level  1 :  1 \r\nlevel 2:2\t\r\n\nlevel 3: 3  \n",
       {1, 2, 3, 0, 0, 0},
       FileState::clean},
      {"lines in another order", "level 6: 6\nlevel 2: 2\n", {0, 2, 0, 0, 0, 6}, FileState::clean},
      {"a bad middle line",
       "level 1: 1\nlevel 2: x22\nlevel 3: 3\nlevel 4: 4\nlevel 5: 5\nlevel 6: 6\n",
       {1, 0, 3, 4, 5, 6},
       FileState::damaged},
      {"a number with a tail",
       "level 1: 12ab\nlevel 2: 2\n",
       {0, 2, 0, 0, 0, 0},
       FileState::damaged},
      {"a line of another level",
       "level 7: 7\nlevel 1: 1\nlevel 01: 9\n",
       {1, 0, 0, 0, 0, 0},
       FileState::damaged},
      {"a level twice", "level 1: 8\nlevel 1: 9\n", {8, 0, 0, 0, 0, 0}, FileState::damaged},
      {"beyond 32 bits",
       "level 1: 4294967297\nlevel 2: 2\n",
       {0, 2, 0, 0, 0, 0},
       FileState::damaged},
      {"binary",
       std::string("\x7f"
                   "ELF\0\0\xff\n",
                   8) +
           "level 3: 3\n",
       {0, 0, 3, 0, 0, 0},
       FileState::damaged},
      {"a huge score", "level 1: 2000000000\n", {2000000000, 0, 0, 0, 0, 0}, FileState::clean},
      {"a byte-order mark", "\xEF\xBB\xBF" + good, {1, 2, 3, 4, 5, 6}, FileState::clean},
      {"larger than any score file",
       good + std::string(100000, '\n'),
       {1, 2, 3, 4, 5, 6},
       FileState::damaged},
  };
  for (const Case& c : cases) {
    write(c.text);
    HighScoreTable best{};
    EXPECT_EQ(read_best_scores(path.c_str(), best), c.state) << c.name;
    EXPECT_EQ(best, c.expected) << c.name;
  }
}

TEST_F(ScoreFile, UnreadableFilesAreNeverReplaced) {
  std::filesystem::create_directory(path);
  HighScoreTable best{};
  int why = 0;
  EXPECT_EQ(read_best_scores(path.c_str(), best, &why), FileState::unreadable);
  EXPECT_STREQ(file_error(why), "Is a directory");
  CapturedStderr directory_save;
  EXPECT_FALSE(write_best_scores(path.c_str(), HighScoreTable{5}));
  EXPECT_EQ(directory_save.text().rfind("Could not save the best scores to " + path, 0), 0u);
  EXPECT_TRUE(std::filesystem::is_directory(path));
  std::filesystem::remove(path);

  // A pipe of that name neither hangs the game nor is replaced.
  ASSERT_EQ(mkfifo(path.c_str(), 0644), 0);
  // The file system of the tests compiled to WebAssembly makes a plain file.
  if (!std::filesystem::is_fifo(path)) GTEST_SKIP() << "no named pipes on this file system";
  EXPECT_EQ(read_best_scores(path.c_str(), best, &why), FileState::unreadable);
  CapturedStderr pipe_save;
  EXPECT_FALSE(write_best_scores(path.c_str(), HighScoreTable{5}));
  pipe_save.text();
  EXPECT_TRUE(std::filesystem::is_fifo(path));
  EXPECT_EQ(names(), std::vector<std::string>{"highscore.txt"});
}

TEST_F(ScoreFile, SavingKeepsADamagedFileAsideAndNeverLowersAScore) {
  // Another copy of the game saved 50 for level 2 meanwhile; level 4's line is damaged.
  write("level 1: 1\nlevel 2: 50\nlevel 3: 3\nlevel 4: ?\nlevel 5: 5\nlevel 6: 6\n");
  const std::string damaged = read();
  std::filesystem::permissions(path, std::filesystem::perms(0640));
  CapturedStderr damaged_save;
  EXPECT_TRUE(write_best_scores(path.c_str(), HighScoreTable{0, 9, 9, 9, 0, 0}));
  const std::string said = damaged_save.text();
  EXPECT_EQ(read(), "level 1: 1\nlevel 2: 50\nlevel 3: 9\nlevel 4: 9\nlevel 5: 5\nlevel 6: 6\n");
  EXPECT_EQ(std::filesystem::status(path).permissions(), std::filesystem::perms(0640));
  const std::vector<std::string> found = names();
  ASSERT_EQ(found.size(), 2u);  // no temporary file left behind
  const std::string aside = dir + "/" + found[1];
  EXPECT_EQ(aside.rfind(path + ".damaged-", 0), 0u) << aside;
  std::stringstream kept;
  kept << std::ifstream(aside).rdbuf();
  EXPECT_EQ(kept.str(), damaged);
  EXPECT_EQ(said.rfind(path + " was damaged", 0), 0u) << said;
  EXPECT_NE(said.find(aside), std::string::npos) << said;
  EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1);

  // The file is clean now: the next save keeps nothing aside.
  CapturedStderr clean_save;
  EXPECT_TRUE(write_best_scores(path.c_str(), HighScoreTable{}));
  EXPECT_EQ(clean_save.text(), "");
  EXPECT_EQ(names().size(), 2u);
}

TEST_F(ScoreFile, AudioModeFileThatGivesNoModeLeavesItAlone) {
  struct Case {
    const char* text;
    FileState state;
    AudioMode mode;
  };
  const Case cases[] = {{" \n2\r\n", FileState::clean, 2},
                        {"\xEF\xBB\xBF"
                         "2\n",
                         FileState::clean, 2},
                        {"stereo", FileState::damaged, 1},
                        {"99999999999", FileState::damaged, 1},
                        {"\xff\x00 2", FileState::damaged, 1}};
  for (const Case& c : cases) {
    write(c.text);
    AudioMode mode = 1;
    EXPECT_EQ(read_audio_mode(path.c_str(), mode), c.state) << c.text;
    EXPECT_EQ(mode, c.mode) << c.text;
  }
  std::filesystem::remove(path);
  std::filesystem::create_directory(path);
  AudioMode mode = 1;
  EXPECT_EQ(read_audio_mode(path.c_str(), mode), FileState::unreadable);
  EXPECT_EQ(mode, 1);
}

TEST_F(ScoreFile, CopiesSavingAtOnceKeepEachOthersRecords) {
  // Six copies of the game, each with a new record in its own level, save
  // at the same moment.
  int start[2];
  ASSERT_EQ(pipe(start), 0);
  std::vector<pid_t> copies;
  for (int level = 0; level < 6; ++level) {
    const pid_t pid = fork();
    // The tests compiled to WebAssembly run in one process.
    if (pid < 0 && copies.empty()) GTEST_SKIP() << "no processes of its own on this system";
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      char go;
      close(start[1]);
      const bool read_go = ::read(start[0], &go, 1) == 0;
      HighScoreTable best{};
      best[level] = 100 + level;
      _exit(read_go && write_best_scores(path.c_str(), best) ? 0 : 1);
    }
    copies.push_back(pid);
  }
  close(start[0]);
  close(start[1]);  // all six go
  for (const pid_t pid : copies) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  EXPECT_EQ(read_scores(), (HighScoreTable{100, 101, 102, 103, 104, 105}));
}

TEST_F(ScoreFile, ASaveRemovesTheTemporaryFilesOfAKilledSave) {
  const std::string score_text = "level 1: 4\nlevel 2: 1";
  for (const char* name : {"highscore.txt.Ab3xYz", "highscore.txt.q0W9eR", "highscore.txt.backup",
                           "highscore.txt.Zx81Lm"}) {
    std::ofstream(dir + "/" + name) << (name[14] == 'Z' ? "a letter to keep" : score_text);
  }
  std::filesystem::resize_file(dir + "/highscore.txt.q0W9eR", 0);  // empty: killed before writing
  ASSERT_TRUE(write_best_scores(path.c_str(), HighScoreTable{1}));
  // A word is no name mkstemp makes, and text other than scores is no save.
  EXPECT_EQ(names(), (std::vector<std::string>{"highscore.txt", "highscore.txt.Zx81Lm",
                                               "highscore.txt.backup"}));
}

TEST_F(ScoreFile, AnOpenFileLimitIsNoReasonToCallAMissingFileUnreadable) {
  write("level 1: 3\n");
  rlimit old{};
  ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &old), 0);
  rlimit low = old;
  low.rlim_cur = 64;
  if (setrlimit(RLIMIT_NOFILE, &low) != 0) GTEST_SKIP() << "no open-file limit on this system";
  std::vector<int> taken;
  for (int fd; taken.size() < 100 && (fd = dup(0)) >= 0;) taken.push_back(fd);
  const int error = errno;
  HighScoreTable best{};
  int why = 0;
  const FileState missing = read_best_scores((dir + "/nothing.txt").c_str(), best, &why);
  const FileState present = read_best_scores(path.c_str(), best, &why);
  for (const int fd : taken) close(fd);
  setrlimit(RLIMIT_NOFILE, &old);
  if (taken.size() == 100 || error != EMFILE)
    GTEST_SKIP() << "the open-file limit is not kept on this system";
  EXPECT_EQ(missing, FileState::missing);
  EXPECT_EQ(present, FileState::unreadable);
  EXPECT_STREQ(file_error(why), "Too many open files");
  EXPECT_STREQ(file_error(ENOMEM), "out of memory");
}
