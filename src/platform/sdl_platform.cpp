#include "sdl_platform.hpp"

#include <SDL.h>
#include <SDL_mixer.h>
#include <signal.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>

// The game never looks inside a chunk or a music; the handles are the
// mixer's own objects under an opaque name.
static Mix_Chunk* mix(Chunk* chunk) { return reinterpret_cast<Mix_Chunk*>(chunk); }
static Mix_Music* mix(Music* music) { return reinterpret_cast<Mix_Music*>(music); }

// The game's key and button values are SDL's own.
static_assert(key_escape == SDLK_ESCAPE);
static_assert(key_1 == SDLK_1 && key_1 + 8 == SDLK_9);
static_assert(left_button == SDL_BUTTON(SDL_BUTTON_LEFT));
static_assert(right_button == SDL_BUTTON(SDL_BUTTON_RIGHT));

namespace {

volatile std::sig_atomic_t terminate_requested = 0;

extern "C" void request_termination(int) { terminate_requested = 1; }

bool set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

// Installed before SDL starts, which then leaves these signals to us.
SdlPlatform::SdlPlatform() {
  struct sigaction action {};
  action.sa_handler = request_termination;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int number : {SIGTERM, SIGINT, SIGHUP}) sigaction(number, &action, nullptr);
  // A closed terminal or pipe must not end the game before it has saved.
  std::signal(SIGPIPE, SIG_IGN);
}

// Without a display SDL would run windowless, deaf to every input.
bool SdlPlatform::display_found() {
  return set("SDL_VIDEODRIVER") || set("DISPLAY") || set("WAYLAND_DISPLAY");
}

// The screen is filled black once and never drawn, yet SDL would load a
// software OpenGL (over 70 MB) to present it; its plain software path does.
// A setting already in the environment wins.
bool SdlPlatform::init_video() {
  setenv("SDL_RENDER_DRIVER", "software", 0);
  setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
  return SDL_Init(SDL_INIT_VIDEO) != -1;
}

void SdlPlatform::show_cursor(bool shown) { SDL_ShowCursor(shown ? 1 : 0); }

bool SdlPlatform::open_black_screen() {
  screen_ = SDL_SetVideoMode(screen_width, screen_height, 16,
                             SDL_HWSURFACE | SDL_DOUBLEBUF | SDL_FULLSCREEN);
  if (screen_ == nullptr) return false;
  SDL_FillRect(screen_, nullptr, SDL_MapRGB(screen_->format, 0, 0, 0));
  return true;
}

void SdlPlatform::free_screen() {
  SDL_FreeSurface(screen_);
  screen_ = nullptr;
}

void SdlPlatform::quit() { SDL_Quit(); }

bool SdlPlatform::poll_event(Event& event) {
  SDL_Event e;
  if (SDL_PollEvent(&e) == 0) {
    if (terminate_requested != 0 && !signal_reported_) {
      signal_reported_ = true;
      event = Event{EventType::quit};
      return true;
    }
    signal_reported_ = false;
    // Every pass drains the queue, so this runs once a pass: a millisecond
    // asleep gives the processor back and still checks the clock ~900 times
    // a second, far finer than any timing of the game.
    SDL_Delay(1);
    return false;
  }
  event = Event{};
  switch (e.type) {
    case SDL_QUIT:
      event.type = EventType::quit;
      break;
    case SDL_MOUSEMOTION:
      event = {EventType::mouse, e.motion.x, e.motion.y};
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      event = {EventType::mouse, e.button.x, e.button.y};
      break;
    case SDL_KEYDOWN:
      event.type = EventType::key_down;
      event.key = e.key.keysym.sym;
      break;
    default:
      break;
  }
  return true;
}

bool SdlPlatform::key_held(int key) { return SDL_GetKeyState(nullptr)[key] != 0; }

unsigned SdlPlatform::mouse_buttons() { return SDL_GetMouseState(nullptr, nullptr); }

void SdlPlatform::warp_mouse(int x, int y) {
  SDL_WarpMouse(static_cast<Uint16>(x), static_cast<Uint16>(y));
}

int SdlPlatform::ticks() { return static_cast<int>(SDL_GetTicks()); }

void SdlPlatform::delay(int ms) { SDL_Delay(static_cast<Uint32>(ms)); }

bool SdlPlatform::open_audio(int output_channels) {
  return Mix_OpenAudio(44100, AUDIO_S16LSB, output_channels, 4096) != -1;
}

void SdlPlatform::close_audio() { Mix_CloseAudio(); }

Chunk* SdlPlatform::load_chunk(const char* path, char* why, int why_size) {
  SDL_RWops* stream = SDL_RWFromFile(path, "rb");
  if (stream == nullptr) {
    std::snprintf(why, static_cast<size_t>(why_size), "%s", SDL_GetError());
    return nullptr;
  }
  Mix_Chunk* chunk = Mix_LoadWAV_RW(stream, 1);
  if (chunk == nullptr) {
    std::snprintf(why, static_cast<size_t>(why_size), "%s: %s", path, SDL_GetError());
  }
  return reinterpret_cast<Chunk*>(chunk);
}

void SdlPlatform::free_chunk(Chunk* chunk) { Mix_FreeChunk(mix(chunk)); }

Music* SdlPlatform::load_music(const char* path) {
  return reinterpret_cast<Music*>(Mix_LoadMUS(path));
}

void SdlPlatform::free_music(Music* music) { Mix_FreeMusic(mix(music)); }

void SdlPlatform::play_music(Music* music, int loops) { Mix_PlayMusic(mix(music), loops); }

bool SdlPlatform::music_playing() { return Mix_PlayingMusic() != 0; }

void SdlPlatform::halt_music() { Mix_HaltMusic(); }

void SdlPlatform::music_volume(int volume) { Mix_VolumeMusic(volume); }

void SdlPlatform::allocate_channels(int count) { Mix_AllocateChannels(count); }

void SdlPlatform::volume(int channel, int volume) { Mix_Volume(channel, volume); }

void SdlPlatform::play(int channel, Chunk* chunk, int loops) {
  Mix_PlayChannelTimed(channel, mix(chunk), loops, -1);
}

void SdlPlatform::halt(int channel) { Mix_HaltChannel(channel); }

bool SdlPlatform::playing(int channel) { return Mix_Playing(channel) != 0; }

void SdlPlatform::set_panning(int channel, int left, int right) {
  Mix_SetPanning(channel, static_cast<Uint8>(left), static_cast<Uint8>(right));
}

void SdlPlatform::set_distance(int channel, int distance) {
  Mix_SetDistance(channel, static_cast<Uint8>(distance));
}

const char* SdlPlatform::error() { return SDL_GetError(); }

// The millisecond clock alone gives nearly the same seed every run, because
// loading takes about the same time; the wall clock makes runs differ.
void SdlPlatform::seed_random() {
  std::srand(static_cast<unsigned>(std::time(nullptr)) * 1000u + SDL_GetTicks());
}

int SdlPlatform::random() { return std::rand(); }

void SdlPlatform::print(const char* text) {
  std::fputs(text, stdout);
  std::fflush(stdout);
}

// Ends at once, releasing nothing: the mixer's thread is still running, and
// tearing the libraries down under it at exit can crash the process.
void SdlPlatform::exit(int code) {
  std::fflush(stdout);
  std::fflush(stderr);
  std::_Exit(code);
}
