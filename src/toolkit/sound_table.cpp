#include "sound_table.hpp"

void set_up_channels(Platform& p, const GameTable& table) {
  p.allocate_channels(static_cast<int>(table.volumes.size()));
  for (std::size_t channel = 0; channel < table.volumes.size(); ++channel) {
    p.volume(static_cast<int>(channel), table.volumes[channel]);
  }
}

void end_level(Platform& p, const LevelFrame& frame, const GameTable& table) {
  p.halt(-1);
  if (frame.mode == stereo) {
    for (int channel : table.panned) p.set_panning(channel, 255, 255);
  }
}
