// The platform over SDL 1.2 and SDL_mixer: the only code that calls them.
#pragma once

#include "platform.hpp"

struct SDL_Surface;

class SdlPlatform final : public Platform {
 public:
  // Termination signals become close requests from here on.
  SdlPlatform();

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
  SDL_Surface* screen_ = nullptr;
  bool signal_reported_ = false;  // in the current drain of the queue
  bool close_requested_ = false;
  char error_[256] = {};  // a failure of our own, said instead of SDL's
};
