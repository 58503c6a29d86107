#include "sdl_platform.hpp"

#include <SDL.h>
#include <SDL_mixer.h>
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

// The game never looks inside a chunk or a music; the handles are the
// mixer's own objects under an opaque name.
// SDL 1.2's window-manager record on X11, as SDL_syswm.h lays it out;
// declared here so that building needs no X11 headers.
struct X11WindowInfo {
  SDL_version version;
  int subsystem;  // 0 is X11
  void* display;
  unsigned long window;
  void (*lock_func)();
  void (*unlock_func)();
  unsigned long fswindow;
  unsigned long wmwindow;
  void* gfxdisplay;
};
extern "C" int SDL_GetWMInfo(X11WindowInfo* info);

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

// The X connection is gone (the server ended, or another client killed the
// window, as at logout). Xlib would end the process at once; the game
// instead ends as if its window had been closed: farewell, save, exit 0.
volatile std::sig_atomic_t display_lost = 0;

extern "C" int display_went_away(void*) {
  if (display_lost == 0) {
    display_lost = 1;
    static const char line[] =
        "The display went away: the game ends as if its window had been closed\n";
    [[maybe_unused]] const ssize_t said = ::write(2, line, sizeof line - 1);
  }
  return 0;
}

extern "C" void keep_running(void*, void*) {}

// Xlib's error record, as Xlib.h lays it out.
struct XError {
  int type;
  void* display;
  unsigned long resource;
  unsigned long serial;
  unsigned char error_code;
  unsigned char request_code;
  unsigned char minor_code;
};
using ErrorHandler = int (*)(void*, XError*);
ErrorHandler earlier_error_handler = nullptr;
unsigned long game_window = 0;

// Another client destroyed the game's window: Xlib would end the process
// at the next request on it (or on the windows that went with it). Errors
// of any other kind go where they went.
extern "C" int window_error(void* display, XError* error) {
  constexpr unsigned char bad_window = 3, bad_drawable = 9;
  if ((error->error_code == bad_window || error->error_code == bad_drawable) &&
      (error->resource == game_window || display_lost != 0)) {
    if (display_lost == 0) {
      display_lost = 1;
      static const char line[] =
          "The game's window was destroyed: the game ends as if it had been closed\n";
      [[maybe_unused]] const ssize_t said = ::write(2, line, sizeof line - 1);
    }
    return 0;
  }
  return earlier_error_handler != nullptr ? earlier_error_handler(display, error) : 0;
}

// Xlib's handlers, looked up in the Xlib that SDL has loaded, if any. An
// Xlib older than 1.7 has no exit handler: it ends the process, and only
// the game in progress is lost, best scores being saved as they rise.
void watch_display() {
  X11WindowInfo info{};
  SDL_VERSION(&info.version);
  if (SDL_GetWMInfo(&info) != 1 || info.subsystem != 0 || info.display == nullptr) return;
  void* x11 = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
  if (x11 == nullptr) return;
  using IoHandler = int (*)(void*);
  using ExitHandler = void (*)(void*, void*);
  auto set_handler = reinterpret_cast<IoHandler (*)(IoHandler)>(::dlsym(x11, "XSetIOErrorHandler"));
  auto set_exit =
      reinterpret_cast<void (*)(void*, ExitHandler, void*)>(::dlsym(x11, "XSetIOErrorExitHandler"));
  if (set_handler == nullptr || set_exit == nullptr) return;
  set_handler(display_went_away);
  set_exit(info.display, keep_running, nullptr);
  auto set_error =
      reinterpret_cast<ErrorHandler (*)(ErrorHandler)>(::dlsym(x11, "XSetErrorHandler"));
  if (set_error == nullptr) return;
  game_window = info.window;
  earlier_error_handler = set_error(window_error);
}

bool set(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0';
}

}  // namespace

// Installed before SDL starts, which then leaves these signals to us.
SdlPlatform::SdlPlatform() {
  // A standard descriptor closed by whoever started us would be taken by
  // the next file or socket opened, and the game's messages would go there.
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF)
      ::open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
  }
  struct sigaction action {};
  action.sa_handler = request_termination;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int number : {SIGTERM, SIGINT, SIGHUP}) {
    // Started with SIGHUP ignored (nohup), the game outlives its terminal.
    struct sigaction old {};
    if (number == SIGHUP && sigaction(number, nullptr, &old) == 0 && old.sa_handler == SIG_IGN)
      continue;
    sigaction(number, &action, nullptr);
  }
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
// The hidden pointer moves the aim through SDL's relative mouse mode, which
// by default reads only relative motion: a tablet, a remote desktop or a
// touch screen would never move it. Warping the pointer back to the window's
// centre makes their absolute motion count too.
// Without a display it can reach, SDL falls back to a driver that shows
// nothing and hears no input: a game nobody can see or leave. Such a
// driver is used only when asked for by name.
bool SdlPlatform::init_video() {
  setenv("SDL_RENDER_DRIVER", "software", 0);
  setenv("SDL_FRAMEBUFFER_ACCELERATION", "0", 0);
  setenv("SDL_MOUSE_RELATIVE_MODE_WARP", "1", 0);
  const bool chosen = set("SDL_VIDEODRIVER");
  if (SDL_Init(SDL_INIT_VIDEO) == -1) return false;
  char driver[32] = "";
  if (SDL_VideoDriverName(driver, sizeof driver) == nullptr) return true;
  for (const char* invisible : {"offscreen", "dummy", "evdev", "aalib", "caca"}) {
    if (chosen || std::strcmp(driver, invisible) != 0) continue;
    std::snprintf(error_, sizeof error_,
                  "no display could be reached (it is not running, or it does not let this "
                  "user in); SDL offered only its invisible \"%s\" video driver",
                  driver);
    return false;
  }
  return true;
}

void SdlPlatform::show_cursor(bool shown) { SDL_ShowCursor(shown ? 1 : 0); }

bool SdlPlatform::open_black_screen() {
  screen_ = SDL_SetVideoMode(screen_width, screen_height, 16,
                             SDL_HWSURFACE | SDL_DOUBLEBUF | SDL_FULLSCREEN);
  if (screen_ == nullptr) return false;
  SDL_FillRect(screen_, nullptr, SDL_MapRGB(screen_->format, 0, 0, 0));
  watch_display();
  return true;
}

void SdlPlatform::free_screen() {
  SDL_FreeSurface(screen_);
  screen_ = nullptr;
}

// With the display gone, SDL would wait for ever for its window to close.
void SdlPlatform::quit() {
  if (display_lost == 0) SDL_Quit();
}

bool SdlPlatform::poll_event(Event& event) {
  SDL_Event e;
  if (SDL_PollEvent(&e) == 0) {
    if ((terminate_requested != 0 || display_lost != 0 || close_requested_) && !signal_reported_) {
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
      // From now on, as after a signal: a game ends, then the program.
      close_requested_ = true;
      signal_reported_ = true;
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

namespace {

// Opens a sound file for the mixer without ever blocking: a pipe or a
// device of that name would hang the game on a black screen before it had
// said anything. Only a regular file is handed on. Null on failure, with
// the reason in `why`.
SDL_RWops* open_sound(const char* path, char* why, std::size_t why_size) {
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  struct stat status {};
  const char* reason = nullptr;
  if (fd < 0 || ::fstat(fd, &status) != 0) {
    reason = errno == ENOMEM ? "out of memory" : std::strerror(errno);
  } else if (S_ISDIR(status.st_mode)) {
    reason = std::strerror(EISDIR);
  } else if (!S_ISREG(status.st_mode)) {
    reason = "not a regular file";
  }
  FILE* file = nullptr;
  if (reason == nullptr) {
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file = ::fdopen(fd, "rb");
    if (file == nullptr) reason = errno == ENOMEM ? "out of memory" : std::strerror(errno);
  }
  SDL_RWops* stream = file != nullptr ? SDL_RWFromFP(file, 1) : nullptr;
  if (file != nullptr && stream == nullptr) {
    std::fclose(file);
    reason = "out of memory";
  } else if (file == nullptr && fd >= 0) {
    ::close(fd);
  }
  if (reason != nullptr) std::snprintf(why, why_size, "Couldn't open %s: %s", path, reason);
  return stream;
}

// The mixer's reason, which a failed allocation sometimes leaves empty.
const char* mixer_error() {
  const char* text = SDL_GetError();
  return text != nullptr && *text != '\0' ? text : "out of memory or an unknown fault";
}

}  // namespace

Chunk* SdlPlatform::load_chunk(const char* path, char* why, int why_size) {
  SDL_RWops* stream = open_sound(path, why, static_cast<std::size_t>(why_size));
  if (stream == nullptr) return nullptr;
  Mix_Chunk* chunk = Mix_LoadWAV_RW(stream, 1);
  if (chunk == nullptr) {
    std::snprintf(why, static_cast<size_t>(why_size), "%s: %s", path, mixer_error());
  }
  return reinterpret_cast<Chunk*>(chunk);
}

void SdlPlatform::free_chunk(Chunk* chunk) { Mix_FreeChunk(mix(chunk)); }

// As Mix_LoadMUS does, a name ending in ".ogg" is taken for Ogg Vorbis.
Music* SdlPlatform::load_music(const char* path) {
  error_[0] = '\0';
  SDL_RWops* stream = open_sound(path, error_, sizeof error_);
  if (stream == nullptr) return nullptr;
  const std::size_t length = std::strlen(path);
  const bool ogg = length >= 4 && strcasecmp(path + length - 4, ".ogg") == 0;
  Mix_Music* music = Mix_LoadMUSType_RW(stream, ogg ? MUS_OGG : MUS_NONE, 1);
  return reinterpret_cast<Music*>(music);
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

const char* SdlPlatform::error() { return error_[0] != '\0' ? error_ : SDL_GetError(); }

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
