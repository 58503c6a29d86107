// The two settings files: best scores in "highscore.txt", the audio mode in
// "monostereo.txt".
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "toolkit/audio_mode.hpp"

// Slot 0 is level 1 and so on.
using HighScoreTable = std::array<std::int32_t, 6>;
using LastScoreTable = std::array<std::int32_t, 6>;

// How a settings file read: `damaged` files were read in part, `unreadable`
// ones exist but could not be read at all (a directory, no permission...).
enum class FileState { missing, clean, damaged, unreadable };

// Why a file was unreadable: an errno value or `not_a_regular_file`;
// file_error gives the system's words ("out of memory" for ENOMEM).
constexpr int not_a_regular_file = -1;
const char* file_error(int why);

// Both readers skip a UTF-8 byte-order mark at the start of the file.
// Each line "level N: <number>" fills slot N on its own; a bad line costs
// only its own level. A file shorter than six lines is clean. The slots the
// file does not fill are left as they are. `why` gets the reason a file was
// unreadable.
FileState parse_best_scores(const char* text, std::size_t size, HighScoreTable& best);
FileState read_best_scores(const char* path, HighScoreTable& best, int* why = nullptr);

// One decimal number at the start; anything after it is ignored. Leaves
// `mode` alone unless the file holds a number.
FileState parse_audio_mode(const char* text, std::size_t size, AudioMode& mode);
FileState read_audio_mode(const char* path, AudioMode& mode, int* why = nullptr);

// Saves `best` without ever lowering a score the file holds now (another
// copy of the game may have saved since), through a fresh temporary file
// beside it, synced and renamed over it, all under a lock on "<path>.lock"
// so that copies saving at once keep each other's records. Temporary files
// left by a save that was killed are removed. A damaged file is first kept
// aside as "<path>.damaged-<date>"; a file that can't be read is not
// replaced. Every failure prints one line on standard error and returns
// false.
bool write_best_scores(const char* path, const HighScoreTable& best);
