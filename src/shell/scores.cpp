#include "scores.hpp"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

// Reads a decimal number as "%d" would: blanks, a sign, digits, and the
// file left just behind the last digit. A number beyond the 32-bit range
// is a failed read.
bool read_number(std::FILE* file, std::int32_t& value) {
  int c = std::fgetc(file);
  while (c != EOF && std::isspace(c)) c = std::fgetc(file);
  bool negative = false;
  if (c == '-' || c == '+') {
    negative = c == '-';
    c = std::fgetc(file);
  }
  if (c == EOF || !std::isdigit(c)) {
    if (c != EOF) std::ungetc(c, file);
    return false;
  }
  constexpr long long limit = static_cast<long long>(std::numeric_limits<std::int32_t>::max()) + 1;
  long long magnitude = 0;
  bool too_big = false;
  while (c != EOF && std::isdigit(c)) {
    if (!too_big) {
      magnitude = magnitude * 10 + (c - '0');
      too_big = magnitude > limit;
    }
    c = std::fgetc(file);
  }
  if (c != EOF) std::ungetc(c, file);
  if (too_big || (!negative && magnitude == limit)) return false;
  value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  return true;
}

}  // namespace

void read_best_scores(const char* path, HighScoreTable& best) {
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr) return;
  // Each line is "level N: " and a number; the prefixes are skipped by
  // their length: 9 bytes before the first number, then the line end and
  // the next prefix, 10 bytes.
  std::fseek(file, 9, SEEK_SET);
  read_number(file, best[0]);
  for (std::size_t slot = 1; slot < best.size(); ++slot) {
    std::fseek(file, 10, SEEK_CUR);
    read_number(file, best[slot]);
  }
  std::fclose(file);
}

void read_audio_mode(const char* path, AudioMode& mode) {
  std::FILE* file = std::fopen(path, "r");
  if (file == nullptr) return;
  read_number(file, mode);
  std::fclose(file);
}

bool write_best_scores(const char* path, const HighScoreTable& best) {
  char temporary[4096];
  std::snprintf(temporary, sizeof temporary, "%s.new", path);
  std::FILE* file = std::fopen(temporary, "w");
  bool written = file != nullptr;
  for (std::size_t slot = 0; written && slot < best.size(); ++slot) {
    written = std::fprintf(file, "level %zu: %d\n", slot + 1, best[slot]) > 0;
  }
  if (file != nullptr) {
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
  }
  if (written) written = std::rename(temporary, path) == 0;
  if (!written) {
    std::fprintf(stderr, "Could not save the best scores to %s: %s\n", path, std::strerror(errno));
    std::remove(temporary);
  }
  return written;
}
