// A platform for scenario tests: a virtual millisecond clock that moves one
// millisecond per pass (each drain of the event queue) and by every delay,
// a script of timed inputs, scripted random numbers and a record of every
// call that makes a sound or changes the mixer.
#pragma once

#include <deque>
#include <map>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/platform.hpp"

struct Chunk {
  std::string path;
  bool freed = false;
};

struct Music {
  std::string path;
  bool freed = false;
};

// What the game asked of the platform; a misspelt one does not compile.
enum class Op {
  allocate,
  close_audio,
  delay,
  distance,
  free,
  free_music,
  free_screen,
  halt,
  halt_music,
  init_video,
  load,
  load_music,
  music_volume,
  open_audio,
  open_black_screen,
  panning,
  play,
  play_music,
  quit,
  seed,
  show_cursor,
  volume,
  warp
};
std::string name(Op op);
std::ostream& operator<<(std::ostream& out, Op op);

struct Call {
  int time;
  Op op;
  int channel = -1;
  std::string sound;  // the path of the chunk played, loaded or freed
  int a = 0;          // play: loops; volume: volume; panning: left; distance; delay: ms
  int b = 0;          // panning: right
};

// Thrown by exit(): the scenario ends where the program would have.
struct ProgramExit {
  int code;
};

// Thrown when a scenario runs past its time limit: the game did not stop.
struct ScenarioTimeout : std::runtime_error {
  ScenarioTimeout() : std::runtime_error("scenario ran past its time limit") {}
};

class FakePlatform final : public Platform {
 public:
  FakePlatform();
  ~FakePlatform() override;

  // The script. Times are milliseconds of the virtual clock.
  void move_mouse(int time, int x, int y);
  void hold_key(int time, int key);
  void release_key(int time, int key);
  void hold_buttons(int time, unsigned mask);
  void release_buttons(int time, unsigned mask);
  void press_key(int time, int key, int held_ms);  // held, then released
  void close_window(int time);
  void send_signal(int time);  // SIGTERM and the like

  // The world.
  int now = 0;
  int pass_ms = 1;
  int time_limit = 30 * 60 * 1000;
  int default_length = 200;            // of a sound not named in `lengths`
  std::map<std::string, int> lengths;  // by path, looked up when played
  std::set<std::string> missing;       // paths that fail to load
  std::deque<int> random_values;       // handed out in order, then 0
  int random_draws = 0;
  int music_length = 60000;
  bool no_display = false;
  bool video_fails = false;
  bool screen_fails = false;
  bool audio_fails = false;

  // What the game did.
  std::vector<Call> calls;
  std::string output;
  int passes = 0;
  int output_channels = 0;
  bool seeded = false;

  // Queries on the record.
  std::vector<Call> find(Op op, int channel = -2, const std::string& sound = "") const;
  std::vector<int> times(Op op, int channel = -2, const std::string& sound = "") const;
  std::vector<int> play_times(int channel, const std::string& sound = "") const {
    return times(Op::play, channel, sound);
  }
  int live_chunks() const;

  // Platform
  bool display_found() override;
  bool init_video() override;
  void show_cursor(bool shown) override;
  bool open_black_screen() override;
  void free_screen() override;
  void quit() override;
  bool poll_event(Event& event) override;
  bool key_held(int key) override;
  unsigned mouse_buttons() override;
  void warp_mouse(int x, int y) override;
  int ticks() override;
  void delay(int ms) override;
  bool open_audio(int output_channels) override;
  void close_audio() override;
  Chunk* load_chunk(const char* path, char* why, int why_size) override;
  void free_chunk(Chunk* chunk) override;
  Music* load_music(const char* path) override;
  void free_music(Music* music) override;
  void play_music(Music* music, int loops) override;
  bool music_playing() override;
  void halt_music() override;
  void music_volume(int volume) override;
  void allocate_channels(int count) override;
  void volume(int channel, int volume) override;
  void play(int channel, Chunk* chunk, int loops) override;
  void halt(int channel) override;
  bool playing(int channel) override;
  void set_panning(int channel, int left, int right) override;
  void set_distance(int channel, int distance) override;
  const char* error() override;
  void seed_random() override;
  int random() override;
  void print(const char* text) override;
  [[noreturn]] void exit(int code) override;

 private:
  enum class Action { move, hold_key, release_key, hold_buttons, release_buttons, close, signal };
  struct Step {
    int time;
    Action action;
    int a;
    int b;
  };
  struct Channel {
    bool active = false;
    int start = 0;
    int length = 0;
    int loops = 0;
  };

  void add(Step step);
  void advance(int ms);
  void apply_due_steps();
  void record(Op op, int channel = -1, const std::string& sound = "", int a = 0, int b = 0);

  std::vector<Step> script_;  // kept in time order
  std::size_t next_step_ = 0;
  std::deque<Event> queue_;
  bool draining_ = false;
  bool terminating_ = false;
  bool signal_reported_ = false;
  std::set<int> keys_;
  unsigned buttons_ = 0;
  std::map<int, Channel> channels_;
  int music_start_ = 0;
  bool music_on_ = false;
  std::deque<Chunk> chunks_;
  std::deque<Music> musics_;
};
