// What every level shares: loading and checking its sounds, its channels,
// the start sequence, the input and wall steps of each pass, the stereo rule
// and the ending.
#pragma once

#include <cstddef>
#include <cstdlib>

#include "audio_mode.hpp"
#include "platform/platform.hpp"

// A loaded sound, or the reason it failed to load.
struct Sound {
  Chunk* chunk = nullptr;
  char why[256] = {};
};

// Every game's start cue plays on channel 0 and its wall cues on channel 3.
constexpr int start_channel = 0;
constexpr int wall_channel = 3;

struct LevelFrame {
  AudioMode mode = mono;
  bool end_flag = false;
  int cursor_x = screen_width / 2;
  int cursor_y = screen_height / 2;
  int lr_wall_time = 0;
  int ud_wall_time = 0;
};

// One row of a ring table: distances up to `max_distance` give `ring`.
struct RingBound {
  int max_distance;
  int ring;
};

Sound load_chunk(Platform& p, const char* path);
void chunk_or_die(Platform& p, const Sound& sound);

// Every file is tried before the first failure is reported.
template <std::size_t N>
void load_sounds(Platform& p, const char* const (&paths)[N], Sound (&sounds)[N]) {
  for (std::size_t i = 0; i < N; ++i) sounds[i] = load_chunk(p, paths[i]);
}
template <std::size_t N>
void check_sounds(Platform& p, const Sound (&sounds)[N]) {
  for (const Sound& sound : sounds) chunk_or_die(p, sound);
}
template <std::size_t N>
void free_sounds(Platform& p, Sound (&sounds)[N]) {
  for (Sound& sound : sounds) p.free_chunk(sound.chunk);
}

// The mouse to the centre, the start cue, and half a second to hear it.
void start_sequence(Platform& p, const Sound& start_cue);

void frame_input(Platform& p, LevelFrame& frame);
void wall_cues(Platform& p, LevelFrame& frame, const Sound& lr_wall, const Sound& ud_wall);

// Tests the end flag; if the level goes on, runs the input and wall steps.
bool next_pass(Platform& p, LevelFrame& frame, const Sound& lr_wall, const Sound& ud_wall);

bool fire_held(Platform& p);

int stereo_gain(int cursor_x, int source_x, int side, int scale);
void pan(Platform& p, const LevelFrame& frame, int channel, int source_x, int scale);
void position_cue(Platform& p, const LevelFrame& frame, int channel, int source_x, int scale);

// The truncated straight-line distance between two points.
int distance_between(int dx, int dy);

// Fills a sound source's dx, dy and distance from its point to the cursor.
template <typename Source>
void measure(Source& source, int x, int y, int cursor_x, int cursor_y) {
  source.dx = std::abs(x - cursor_x);
  source.dy = std::abs(y - cursor_y);
  source.distance = distance_between(source.dx, source.dy);
}

template <std::size_t N>
int ring_of(int distance, const RingBound (&table)[N], int beyond) {
  for (const RingBound& bound : table) {
    if (distance <= bound.max_distance) return bound.ring;
  }
  return beyond;
}

inline void play_once(Platform& p, int channel, const Sound& sound) {
  p.play(channel, sound.chunk, 0);
}
inline void play_loop(Platform& p, int channel, const Sound& sound) {
  p.play(channel, sound.chunk, -1);
}
