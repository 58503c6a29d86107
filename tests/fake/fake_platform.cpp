#include "fake_platform.hpp"

#include <algorithm>
#include <cstdio>

std::string name(Op op) {
  static const std::map<Op, std::string> names = {
      {Op::allocate, "allocate"},
      {Op::close_audio, "close_audio"},
      {Op::delay, "delay"},
      {Op::distance, "distance"},
      {Op::free, "free"},
      {Op::free_music, "free_music"},
      {Op::free_screen, "free_screen"},
      {Op::halt, "halt"},
      {Op::halt_music, "halt_music"},
      {Op::init_video, "init_video"},
      {Op::load, "load"},
      {Op::load_music, "load_music"},
      {Op::music_volume, "music_volume"},
      {Op::open_audio, "open_audio"},
      {Op::open_black_screen, "open_black_screen"},
      {Op::panning, "panning"},
      {Op::play, "play"},
      {Op::play_music, "play_music"},
      {Op::quit, "quit"},
      {Op::seed, "seed"},
      {Op::show_cursor, "show_cursor"},
      {Op::volume, "volume"},
      {Op::warp, "warp"},
  };
  return names.at(op);
}

std::ostream& operator<<(std::ostream& out, Op op) { return out << name(op); }

FakePlatform::FakePlatform() = default;
FakePlatform::~FakePlatform() = default;

void FakePlatform::add(Step step) {
  auto at = std::upper_bound(script_.begin() + static_cast<long>(next_step_), script_.end(), step,
                             [](const Step& x, const Step& y) { return x.time < y.time; });
  script_.insert(at, step);
}

void FakePlatform::move_mouse(int time, int x, int y) { add({time, Action::move, x, y}); }
void FakePlatform::hold_key(int time, int key) { add({time, Action::hold_key, key, 0}); }
void FakePlatform::release_key(int time, int key) { add({time, Action::release_key, key, 0}); }
void FakePlatform::hold_buttons(int time, unsigned mask) {
  add({time, Action::hold_buttons, static_cast<int>(mask), 0});
}
void FakePlatform::release_buttons(int time, unsigned mask) {
  add({time, Action::release_buttons, static_cast<int>(mask), 0});
}
void FakePlatform::press_key(int time, int key, int held_ms) {
  hold_key(time, key);
  release_key(time + held_ms, key);
}
void FakePlatform::close_window(int time) { add({time, Action::close, 0, 0}); }
void FakePlatform::send_signal(int time) { add({time, Action::signal, 0, 0}); }

void FakePlatform::apply_due_steps() {
  while (next_step_ < script_.size() && script_[next_step_].time <= now) {
    const Step& step = script_[next_step_++];
    switch (step.action) {
      case Action::move:
        queue_.push_back({EventType::mouse, step.a, step.b});
        break;
      case Action::hold_key:
        // As on the machine, a press is also an event: a tap between two
        // looks at the key state is still in the queue.
        if (keys_.insert(step.a).second) queue_.push_back({EventType::key_down, 0, 0, step.a});
        break;
      case Action::release_key:
        keys_.erase(step.a);
        break;
      case Action::hold_buttons:
        buttons_ |= static_cast<unsigned>(step.a);
        break;
      case Action::release_buttons:
        buttons_ &= ~static_cast<unsigned>(step.a);
        break;
      case Action::close:
        queue_.push_back({EventType::quit, 0, 0});
        break;
      case Action::signal:
        terminating_ = true;
        break;
    }
  }
}

void FakePlatform::advance(int ms) {
  now += ms;
  if (now > time_limit) throw ScenarioTimeout();
  apply_due_steps();
}

void FakePlatform::record(Op op, int channel, const std::string& sound, int a, int b) {
  calls.push_back({now, op, channel, sound, a, b});
}

std::vector<Call> FakePlatform::find(Op op, int channel, const std::string& sound) const {
  std::vector<Call> found;
  for (const Call& call : calls) {
    if (call.op != op) continue;
    if (channel != -2 && call.channel != channel) continue;
    if (!sound.empty() && call.sound != sound) continue;
    found.push_back(call);
  }
  return found;
}

std::vector<int> FakePlatform::times(Op op, int channel, const std::string& sound) const {
  std::vector<int> found;
  for (const Call& call : find(op, channel, sound)) found.push_back(call.time);
  return found;
}

int FakePlatform::live_chunks() const {
  return static_cast<int>(
      std::count_if(chunks_.begin(), chunks_.end(), [](const Chunk& c) { return !c.freed; }));
}

bool FakePlatform::display_found() { return !no_display; }

bool FakePlatform::init_video() {
  record(Op::init_video);
  return !video_fails;
}
void FakePlatform::show_cursor(bool shown) { record(Op::show_cursor, -1, "", shown ? 1 : 0); }
bool FakePlatform::open_black_screen() {
  record(Op::open_black_screen);
  return !screen_fails;
}
void FakePlatform::free_screen() { record(Op::free_screen); }
void FakePlatform::quit() { record(Op::quit); }

bool FakePlatform::poll_event(Event& event) {
  if (!draining_) {
    draining_ = true;
    apply_due_steps();
  }
  if (!queue_.empty()) {
    event = queue_.front();
    queue_.pop_front();
    if (event.type == EventType::quit) terminating_ = signal_reported_ = true;
    return true;
  }
  // As on the machine: after a close request or a termination signal every
  // drain ends with a close request.
  if (terminating_ && !signal_reported_) {
    signal_reported_ = true;
    event = {EventType::quit, 0, 0};
    return true;
  }
  signal_reported_ = false;
  draining_ = false;
  ++passes;
  advance(pass_ms);
  return false;
}

bool FakePlatform::key_held(int key) { return keys_.count(key) != 0; }
unsigned FakePlatform::mouse_buttons() { return buttons_; }

void FakePlatform::warp_mouse(int x, int y) {
  record(Op::warp, -1, "", x, y);
  queue_.push_back({EventType::mouse, x, y});
}

int FakePlatform::ticks() { return now; }

void FakePlatform::delay(int ms) {
  record(Op::delay, -1, "", ms);
  advance(ms);
}

bool FakePlatform::open_audio(int channels) {
  record(Op::open_audio, -1, "", channels);
  output_channels = channels;
  return !audio_fails;
}
void FakePlatform::close_audio() { record(Op::close_audio); }

Chunk* FakePlatform::load_chunk(const char* path, char* why, int why_size) {
  record(Op::load, -1, path);
  if (missing.count(path) != 0) {
    std::snprintf(why, static_cast<size_t>(why_size), "Couldn't open %s", path);
    return nullptr;
  }
  chunks_.push_back({path, false});
  return &chunks_.back();
}

void FakePlatform::free_chunk(Chunk* chunk) {
  record(Op::free, -1, chunk != nullptr ? chunk->path : "(null)");
  if (chunk == nullptr || chunk->freed) throw std::logic_error("chunk freed twice or null");
  chunk->freed = true;
}

Music* FakePlatform::load_music(const char* path) {
  record(Op::load_music, -1, path);
  if (missing.count(path) != 0) return nullptr;
  musics_.push_back({path, false});
  return &musics_.back();
}

void FakePlatform::free_music(Music* music) {
  record(Op::free_music, -1, music->path);
  music->freed = true;
}

void FakePlatform::play_music(Music* music, int loops) {
  record(Op::play_music, -1, music->path, loops);
  music_on_ = true;
  music_start_ = now;
}

bool FakePlatform::music_playing() { return music_on_ && now < music_start_ + music_length; }

void FakePlatform::halt_music() {
  record(Op::halt_music);
  music_on_ = false;
}

void FakePlatform::music_volume(int volume) { record(Op::music_volume, -1, "", volume); }
void FakePlatform::allocate_channels(int count) { record(Op::allocate, -1, "", count); }
void FakePlatform::volume(int channel, int volume) { record(Op::volume, channel, "", volume); }

void FakePlatform::play(int channel, Chunk* chunk, int loops) {
  if (chunk == nullptr || chunk->freed) throw std::logic_error("played a missing or freed chunk");
  record(Op::play, channel, chunk->path, loops);
  const auto length = lengths.find(chunk->path);
  channels_[channel] = {true, now, length != lengths.end() ? length->second : default_length,
                        loops};
}

void FakePlatform::halt(int channel) {
  record(Op::halt, channel);
  if (channel == -1) {
    channels_.clear();
  } else {
    channels_.erase(channel);
  }
}

bool FakePlatform::playing(int channel) {
  const auto found = channels_.find(channel);
  if (found == channels_.end() || !found->second.active) return false;
  const Channel& c = found->second;
  return c.loops < 0 || now < c.start + c.length * (c.loops + 1);
}

void FakePlatform::set_panning(int channel, int left, int right) {
  record(Op::panning, channel, "", left, right);
}
void FakePlatform::set_distance(int channel, int distance) {
  record(Op::distance, channel, "", distance);
}

const char* FakePlatform::error() { return "fake failure"; }

void FakePlatform::seed_random() {
  record(Op::seed);
  seeded = true;
}

int FakePlatform::random() {
  ++random_draws;
  if (random_values.empty()) return 0;
  const int value = random_values.front();
  random_values.pop_front();
  return value;
}

void FakePlatform::print(const char* text) { output += text; }

void FakePlatform::exit(int code) { throw ProgramExit{code}; }
