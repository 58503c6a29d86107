#include "wait.hpp"

#include <algorithm>

namespace {

// How often the wait looks at the input; a tap shorter than this is still
// caught by its key-down event.
constexpr int slice_ms = 10;

// What an empty drain of the queue gives up; the slices leave room for it so
// that the wait ends on time.
constexpr int drain_ms = 1;

}  // namespace

WaitEnd wait_unless_quit(Platform& p, int ms) {
  const int start = p.ticks();
  for (;;) {
    Event event;
    while (p.poll_event(event)) {
      if (event.type == EventType::quit) return WaitEnd::close;
      if (event.type == EventType::key_down && event.key == key_escape) return WaitEnd::escape;
    }
    if (p.key_held(key_escape)) return WaitEnd::escape;
    const int waited = p.ticks() - start;
    if (waited >= ms) return WaitEnd::elapsed;
    const int slice = std::min(slice_ms, ms - waited - drain_ms);
    if (slice > 0) p.delay(slice);
  }
}
