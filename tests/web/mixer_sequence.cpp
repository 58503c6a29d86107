// A scripted sequence of mixer calls, each step held 600 ms so that its
// level can be measured in what reached the output. Built for the desktop
// (recorded with SDL's disk audio driver) and for the browser; the browser
// tests compare the two step by step.
//   mixer_sequence OUTPUTS LOOP_A LOOP_B ONCE      (OUTPUTS 1 or 2)
#include <cstdlib>

#ifdef __EMSCRIPTEN__
#include "platform/web_platform.hpp"
using ThePlatform = WebPlatform;
#else
#include "platform/sdl_platform.hpp"
using ThePlatform = SdlPlatform;
#endif

namespace {

constexpr int step_ms = 600;

int run(Platform& p, int outputs, const char* loop_a, const char* loop_b, const char* once) {
  if (!p.open_audio(outputs)) return 1;
  char why[256];
  Chunk* a = p.load_chunk(loop_a, why, sizeof why);
  Chunk* b = p.load_chunk(loop_b, why, sizeof why);
  Chunk* c = p.load_chunk(once, why, sizeof why);
  if (a == nullptr || b == nullptr || c == nullptr) {
    p.print(why);
    return 1;
  }
  p.allocate_channels(4);
  const auto step = [&p] { p.delay(step_ms); };
  step();            // silence first: the level measurements start at the first sound
  p.play(0, a, -1);  // 1: full volume
  step();
  p.volume(0, 64);  // 2: half volume
  step();
  p.set_panning(0, 255, 64);  // 3: panned (mono: ignored)
  step();
  p.set_distance(0, 100);  // 4: panned and farther
  step();
  p.play(0, a, -1);  // 5: the replaced sound took its effects with it
  step();
  p.halt(0);  // 6: silence; panning set on the idle channel...
  p.set_panning(0, 60, 200);
  step();
  p.play(0, a, -1);  // 7: ...carries into the next play
  step();
  p.play(1, b, -1);  // 8: two channels at once
  step();
  p.halt(-1);  // 9: all quiet
  step();
  p.set_panning(2, 255, 0);  // 10: a sound played once, panned...
  p.play(2, c, 0);
  step();
  p.play(2, c, 0);  // 11: ...ended and dropped its panning
  step();
  p.set_distance(2, 150);  // 12: distance set while idle carries
  p.play(2, c, 0);
  step();
  step();  // the recordings go on past the last step
  p.halt(-1);
  p.close_audio();
  p.print("done\n");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) return 2;
  static ThePlatform platform;
  platform.exit(run(platform, std::atoi(argv[1]), argv[2], argv[3], argv[4]));
}
