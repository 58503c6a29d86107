// The one seam between the game and the machine: video, input, clock,
// mixer, randomness and the process. The real implementation lives beside
// this file; the tests drive the game through a fake with a virtual clock.
#pragma once

#include <cstdlib>

struct Chunk;  // a decoded sound, owned by whoever loaded it
struct Music;  // the menu's background music

enum class EventType { quit, mouse, key_down, other };

struct Event {
  EventType type = EventType::other;
  int x = 0;  // mouse events only
  int y = 0;
  int key = 0;  // key_down events only
};

// Key and button values as the game reads them; each platform maps its own
// onto these.
constexpr int key_escape = 27;
constexpr int key_1 = 49;  // the digit keys 1..9 follow in order
constexpr unsigned left_button = 1;
constexpr unsigned right_button = 4;

// The black screen, and the field the cursor moves in.
constexpr int screen_width = 800;
constexpr int screen_height = 600;

class Platform {
 public:
  virtual ~Platform() = default;

  // video
  // False when there is no screen to open: no display, and no video driver
  // chosen by hand.
  virtual bool display_found() = 0;
  virtual bool init_video() = 0;
  virtual void show_cursor(bool shown) = 0;
  virtual bool open_black_screen() = 0;  // screen_width x screen_height, 16 bit, full screen
  virtual void free_screen() = 0;
  virtual void quit() = 0;

  // input
  // Once a close request or a termination signal (SIGTERM, SIGINT, SIGHUP)
  // has come, or the display has gone, every drain of the queue ends with a
  // close request, so every loop leaves: a game, then the program.
  // A drain that finds the queue empty gives up about a millisecond.
  virtual bool poll_event(Event& event) = 0;
  virtual bool key_held(int key) = 0;
  virtual unsigned mouse_buttons() = 0;
  virtual void warp_mouse(int x, int y) = 0;

  // time, in milliseconds since the program started
  virtual int ticks() = 0;
  virtual void delay(int ms) = 0;

  // mixer
  virtual bool open_audio(int output_channels) = 0;
  virtual void close_audio() = 0;
  // Null on failure; `why` then holds a line naming the file and the reason.
  virtual Chunk* load_chunk(const char* path, char* why, int why_size) = 0;
  virtual void free_chunk(Chunk* chunk) = 0;
  virtual Music* load_music(const char* path) = 0;
  virtual void free_music(Music* music) = 0;
  virtual void play_music(Music* music, int loops) = 0;
  virtual bool music_playing() = 0;
  virtual void halt_music() = 0;
  virtual void music_volume(int volume) = 0;
  virtual void allocate_channels(int count) = 0;
  virtual void volume(int channel, int volume) = 0;
  virtual void play(int channel, Chunk* chunk, int loops) = 0;
  virtual void halt(int channel) = 0;  // -1 halts every channel
  virtual bool playing(int channel) = 0;
  virtual void set_panning(int channel, int left, int right) = 0;
  virtual void set_distance(int channel, int distance) = 0;
  virtual const char* error() = 0;  // the libraries' latest error text

  // randomness
  virtual void seed_random() = 0;  // once, at start-up
  virtual int random() = 0;

  // process
  virtual void print(const char* text) = 0;  // standard output
  [[noreturn]] virtual void exit(int code) = 0;
};
