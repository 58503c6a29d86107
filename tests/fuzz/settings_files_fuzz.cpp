// Feeds arbitrary bytes to the readers of the best-score file and the
// audio-mode file, through a real file, and checks what a clean read
// promises: saving what was read and reading it again gives the same scores.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "shell/scores.hpp"

namespace {

// One file in memory, rewritten for every input and opened by its path.
struct MemoryFile {
  int fd = memfd_create("settings", 0);
  std::string path = "/proc/self/fd/" + std::to_string(fd);

  void hold(const std::uint8_t* data, std::size_t size) {
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != static_cast<ssize_t>(size))
      std::abort();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static MemoryFile file;
  file.hold(data, size);

  HighScoreTable best{};
  const FileState state = read_best_scores(file.path.c_str(), best);
  if (state == FileState::missing || state == FileState::unreadable) std::abort();

  if (state == FileState::clean) {
    std::string text;
    for (std::size_t slot = 0; slot < best.size(); ++slot)
      text += "level " + std::to_string(slot + 1) + ": " + std::to_string(best[slot]) + "\n";
    HighScoreTable again{};
    if (parse_best_scores(text.data(), text.size(), again) != FileState::clean || again != best)
      std::abort();
  }

  AudioMode mode = 1;
  const FileState mode_state = read_audio_mode(file.path.c_str(), mode);
  if (mode_state != FileState::clean && mode != 1) std::abort();
  return 0;
}
