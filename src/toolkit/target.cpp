#include "target.hpp"

#include "level_frame.hpp"

namespace {
struct Region {
  int x_from, x_span, y_from, y_span;
};
constexpr Region regions[5] = {
    {100, 300, 100, 200},  // upper left
    {400, 300, 100, 200},  // upper right
    {100, 300, 300, 200},  // lower left
    {400, 300, 300, 200},  // lower right
    {200, 400, 150, 300},  // centre
};
}  // namespace

void place_target(Platform& p, Target& target) {
  target.region = 1 + p.random() % 5;
  const Region& region = regions[target.region - 1];
  target.x = region.x_from + p.random() % region.x_span;
  target.y = region.y_from + p.random() % region.y_span;
}

void measure_target(Target& target, int cursor_x, int cursor_y) {
  measure(target, target.x, target.y, cursor_x, cursor_y);
}
