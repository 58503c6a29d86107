#include "web_platform.hpp"

#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>

// web_platform.js; the ones that wait suspend the game under Asyncify.
extern "C" {
void tir_init();
void tir_show_cursor(int shown);
void tir_black_screen(int width, int height);
int tir_next_event(int* event);  // type, x, y, key
int tir_key_held(int key);
unsigned tir_buttons();
void tir_warp(int x, int y);
int tir_ticks();
void tir_sleep(int ms);
void tir_yield();
int tir_open_audio(int outputs);
void tir_close_audio();
int tir_load(const char* path);
void tir_free(int handle);
void tir_error(char* buffer, int size);
void tir_play_music(int handle, int loops);
int tir_music_playing();
void tir_halt_music();
void tir_music_volume(int volume);
void tir_allocate(int count);
void tir_volume(int channel, int volume);
void tir_play(int channel, int handle, int loops);
void tir_halt(int channel);
int tir_playing(int channel);
void tir_panning(int channel, int left, int right);
void tir_distance(int channel, int distance);
void tir_print(const char* text);
void tir_exit(int code);
void tir_stop();
}

// Chunks and music are handles into the JavaScript side's list of decoded
// sounds, never dereferenced.
static int handle(const void* sound) {
  return static_cast<int>(reinterpret_cast<std::uintptr_t>(sound));
}
template <typename Sound>
static Sound* sound(int handle) {
  return reinterpret_cast<Sound*>(static_cast<std::uintptr_t>(handle));
}

// Emscripten starts with a umask of 0777: a new score file would be
// created with no permissions at all.
WebPlatform::WebPlatform() {
  umask(022);
  tir_init();
}

bool WebPlatform::display_found() { return true; }
bool WebPlatform::init_video() { return true; }
void WebPlatform::show_cursor(bool shown) { tir_show_cursor(shown ? 1 : 0); }

bool WebPlatform::open_black_screen() {
  tir_black_screen(screen_width, screen_height);
  return true;
}

void WebPlatform::free_screen() {}
void WebPlatform::quit() {}

bool WebPlatform::poll_event(Event& event) {
  int e[4];
  if (tir_next_event(e) == 0) {
    // Once a pass: about a millisecond back to the browser.
    tir_yield();
    return false;
  }
  event = Event{};
  switch (e[0]) {
    case 1:
      event.type = EventType::quit;
      break;
    case 2:
      event = {EventType::mouse, e[1], e[2]};
      break;
    case 3:
      event.type = EventType::key_down;
      event.key = e[3];
      break;
    default:
      break;
  }
  return true;
}

bool WebPlatform::key_held(int key) { return tir_key_held(key) != 0; }
unsigned WebPlatform::mouse_buttons() { return tir_buttons(); }
void WebPlatform::warp_mouse(int x, int y) { tir_warp(x, y); }

int WebPlatform::ticks() { return tir_ticks(); }
void WebPlatform::delay(int ms) { tir_sleep(std::max(ms, 0)); }

bool WebPlatform::open_audio(int output_channels) {
  return tir_open_audio(output_channels == 2 ? 2 : 1) != 0;
}

void WebPlatform::close_audio() { tir_close_audio(); }

Chunk* WebPlatform::load_chunk(const char* path, char* why, int why_size) {
  const int h = tir_load(path);
  if (h == 0) std::snprintf(why, static_cast<size_t>(why_size), "%s", error());
  return sound<Chunk>(h);
}

void WebPlatform::free_chunk(Chunk* chunk) { tir_free(handle(chunk)); }
Music* WebPlatform::load_music(const char* path) { return sound<Music>(tir_load(path)); }
void WebPlatform::free_music(Music* music) { tir_free(handle(music)); }
void WebPlatform::play_music(Music* music, int loops) { tir_play_music(handle(music), loops); }
bool WebPlatform::music_playing() { return tir_music_playing() != 0; }
void WebPlatform::halt_music() { tir_halt_music(); }
void WebPlatform::music_volume(int volume) { tir_music_volume(volume); }
void WebPlatform::allocate_channels(int count) { tir_allocate(count); }
void WebPlatform::volume(int channel, int volume) { tir_volume(channel, volume); }

void WebPlatform::play(int channel, Chunk* chunk, int loops) {
  tir_play(channel, handle(chunk), loops);
}

void WebPlatform::halt(int channel) { tir_halt(channel); }
bool WebPlatform::playing(int channel) { return tir_playing(channel) != 0; }

void WebPlatform::set_panning(int channel, int left, int right) {
  tir_panning(channel, left, right);
}

void WebPlatform::set_distance(int channel, int distance) { tir_distance(channel, distance); }

const char* WebPlatform::error() {
  tir_error(error_, static_cast<int>(sizeof error_));
  return error_;
}

void WebPlatform::seed_random() {
  std::srand(static_cast<unsigned>(std::time(nullptr)) * 1000u + static_cast<unsigned>(ticks()));
}

int WebPlatform::random() { return std::rand(); }

void WebPlatform::print(const char* text) { tir_print(text); }

// The page says how the game ended; the game then waits for ever, which
// leaves the page nothing to clean up after it.
void WebPlatform::exit(int code) {
  tir_exit(code);
  tir_stop();
  std::abort();  // never reached
}
