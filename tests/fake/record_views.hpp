// Views of the fake platform's record that read well in assertions.
#pragma once

#include <string>
#include <vector>

#include "fake_platform.hpp"

// The sounds of the matching calls, in order.
inline std::vector<std::string> sounds(const FakePlatform& p, Op op, int channel = -2) {
  std::vector<std::string> found;
  for (const Call& call : p.find(op, channel)) found.push_back(call.sound);
  return found;
}

inline std::vector<std::string> sounds(const std::vector<Call>& calls) {
  std::vector<std::string> found;
  for (const Call& call : calls) found.push_back(call.sound);
  return found;
}

// Where in the record the first matching call stands; past the end if none.
inline std::size_t index_of(const FakePlatform& p, Op op, int channel, int time) {
  for (std::size_t i = 0; i < p.calls.size(); ++i) {
    const Call& call = p.calls[i];
    if (call.op == op && call.channel == channel && call.time == time) return i;
  }
  return p.calls.size();
}

// The calls in order, loads left out, as "op channel sound a b".
inline std::vector<std::string> trace(const FakePlatform& p) {
  std::vector<std::string> lines;
  for (const Call& c : p.calls) {
    if (c.op == Op::load) continue;
    lines.push_back(name(c.op) + " " + std::to_string(c.channel) + " " + c.sound + " " +
                    std::to_string(c.a) + " " + std::to_string(c.b));
  }
  return lines;
}

// Panning or distance cues on a channel: when, and the gains or distance.
struct Cue {
  int time, a, b;
  bool operator==(const Cue&) const = default;
};
inline std::vector<Cue> cues(const FakePlatform& p, Op op, int channel) {
  std::vector<Cue> found;
  for (const Call& c : p.find(op, channel))
    found.push_back({c.time, c.a, op == Op::panning ? c.b : 0});
  return found;
}
