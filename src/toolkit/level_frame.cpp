#include "level_frame.hpp"

#include <cmath>
#include <cstdio>

#include "fatal.hpp"

Sound load_chunk(Platform& p, const char* path) {
  Sound sound;
  sound.chunk = p.load_chunk(path, sound.why, static_cast<int>(sizeof sound.why));
  return sound;
}

void chunk_or_die(Platform& p, const Sound& sound) {
  if (sound.chunk != nullptr) return;
  char line[sizeof sound.why + 32];
  std::snprintf(line, sizeof line, "Mix_LoadWAV: %s\n", sound.why);
  fail(p, line);
}

namespace {

constexpr int start_pause_ms = 500;
// Pushed against an edge, the cursor stays on it: the cue repeats no more
// than every half second.
constexpr int wall_repeat_ms = 500;

bool on_edge(int position, int size) { return position == 0 || position == size - 1; }

}  // namespace

void start_sequence(Platform& p, const Sound& start_cue) {
  p.warp_mouse(screen_width / 2, screen_height / 2);
  play_once(p, start_channel, start_cue);
  p.delay(start_pause_ms);
}

void frame_input(Platform& p, LevelFrame& frame) {
  Event event;
  while (p.poll_event(event)) {
    if (event.type == EventType::quit) frame.end_flag = true;
    if (event.type == EventType::mouse) {
      frame.cursor_x = event.x;
      frame.cursor_y = event.y;
    }
  }
  if (p.key_held(key_escape)) frame.end_flag = true;
  if ((p.mouse_buttons() & right_button) != 0) frame.end_flag = true;
}

void wall_cues(Platform& p, LevelFrame& frame, const Sound& lr_wall, const Sound& ud_wall) {
  if (on_edge(frame.cursor_x, screen_width) && p.ticks() - frame.lr_wall_time > wall_repeat_ms) {
    play_once(p, wall_channel, lr_wall);
    frame.lr_wall_time = p.ticks();
  }
  if (on_edge(frame.cursor_y, screen_height) && p.ticks() - frame.ud_wall_time > wall_repeat_ms) {
    play_once(p, wall_channel, ud_wall);
    frame.ud_wall_time = p.ticks();
  }
}

bool next_pass(Platform& p, LevelFrame& frame, const Sound& lr_wall, const Sound& ud_wall) {
  if (frame.end_flag) return false;
  frame_input(p, frame);
  wall_cues(p, frame, lr_wall, ud_wall);
  return true;
}

bool fire_held(Platform& p) { return (p.mouse_buttons() & left_button) != 0; }

// Loudness per step of the scale: 250 at scale 10, within the mixer's 8 bits.
constexpr int gain_step = 25;
// Sources this near the cursor sound from ahead; the zone runs from 14
// pixels left to 15 right, one pixel off centre, as it always has.
constexpr int centre_zone = 15;
constexpr int farthest = 255;  // the mixer's quietest distance

int stereo_gain(int cursor_x, int source_x, int side, int scale) {
  const int s = gain_step * scale;
  const int d = source_x - cursor_x;
  // The louder side gets s - s / 4, not 3s / 4.
  if (d > centre_zone) return side == 0 ? s / 4 : s - s / 4;
  if (d > -centre_zone) return s / 2;
  return side == 0 ? s - s / 4 : s / 4;
}

void pan(Platform& p, const LevelFrame& frame, int channel, int source_x, int scale) {
  p.set_panning(channel, stereo_gain(frame.cursor_x, source_x, 0, scale),
                stereo_gain(frame.cursor_x, source_x, 1, scale));
}

void position_cue(Platform& p, const LevelFrame& frame, int channel, int source_x, int scale) {
  if (frame.mode == stereo) {
    pan(p, frame, channel, source_x, scale);
  } else {
    p.set_distance(channel, farthest - gain_step * scale);
  }
}

int distance_between(int dx, int dy) {
  return static_cast<int>(std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy));
}
