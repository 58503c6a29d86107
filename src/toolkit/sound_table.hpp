// One table per game: its sounds in slot order (the order they are loaded
// and checked in), the channel and loop count of each, its channel volumes
// and the channels it places by ear. The game plays from it, the tests check
// it, and the tables program prints it for the scripts.
#pragma once

#include <cstddef>
#include <span>

#include "level_frame.hpp"

constexpr int once = 0;
constexpr int endless = -1;

struct SoundRow {
  const char* path;
  int channel;
  int loops;        // once or endless
  int sources = 1;  // one copy per sound source, on channel, channel + 1, ...
};

struct GameTable {
  const char* name;
  int menu_entry;      // 1..6, also the line of the best-scores file
  const char* folder;  // where its own sounds lie
  std::span<const SoundRow> sounds;
  // Slots from here on form a second array, freed before the first; the
  // number of slots when there is only one.
  std::size_t second_array;
  std::span<const int> volumes;    // by channel; their number is the channel count
  std::span<const int> panned;     // panned in stereo; the panning is taken off at the end
  std::span<const int> distanced;  // given a distance in mono (in level 2, in either mode)
};

// Loaded and checked in slot order on construction: every file is tried
// before the first failure ends the program.
template <std::size_t N>
class GameSounds {
 public:
  GameSounds(Platform& p, const GameTable& table) : table_(table) {
    for (std::size_t slot = 0; slot < N; ++slot)
      sounds_[slot] = load_chunk(p, table.sounds[slot].path);
    for (const Sound& sound : sounds_) chunk_or_die(p, sound);
  }

  const Sound& operator[](int slot) const { return sounds_[slot]; }

  // On the slot's channel with its loop count.
  void play(Platform& p, int slot) const { play_on(p, table_.sounds[slot].channel, slot); }
  // For a sound with several sources: on the given one's channel.
  void play_on(Platform& p, int channel, int slot) const {
    p.play(channel, sounds_[slot].chunk, table_.sounds[slot].loops);
  }

  // The second array first, then the first, each in slot order.
  void free(Platform& p) {
    for (std::size_t slot = table_.second_array; slot < N; ++slot)
      p.free_chunk(sounds_[slot].chunk);
    for (std::size_t slot = 0; slot < table_.second_array; ++slot)
      p.free_chunk(sounds_[slot].chunk);
  }

 private:
  const GameTable& table_;
  Sound sounds_[N];
};

void set_up_channels(Platform& p, const GameTable& table);

// Halts every channel and, in stereo, takes the panning off the table's
// panned channels.
void end_level(Platform& p, const LevelFrame& frame, const GameTable& table);
