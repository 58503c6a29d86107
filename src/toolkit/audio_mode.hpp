// Mono or stereo, as monostereo.txt gives it.
#pragma once

#include <cstdint>

using AudioMode = std::int32_t;  // 2 = stereo, anything else mono
constexpr AudioMode mono = 1;
constexpr AudioMode stereo = 2;
