// The two settings files: best scores in "highscore.txt", the audio mode in
// "monostereo.txt".
#pragma once

#include <array>
#include <cstdint>

#include "platform/platform.hpp"

// Slot 0 is level 1 and so on.
using HighScoreTable = std::array<std::int32_t, 6>;
using LastScoreTable = std::array<std::int32_t, 6>;

// Missing file or unreadable numbers leave their slots as they are.
void read_best_scores(const char* path, HighScoreTable& best);
void read_audio_mode(const char* path, AudioMode& mode);

// Replaces the file as a whole, through a temporary file beside it, so a
// failed write never leaves a damaged score file. On failure, prints one
// line naming the file and the reason on standard error and returns false.
bool write_best_scores(const char* path, const HighScoreTable& best);
