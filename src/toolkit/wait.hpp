// A pause the player may cut short, as the count-out's are.
#pragma once

#include "platform/platform.hpp"

// What ended it.
enum class WaitEnd { elapsed, escape, close };

// As Platform::delay(ms), but Esc (held, or tapped at any moment of the
// wait), a close request or a termination signal ends it early; everything
// that came meanwhile is taken from the event queue.
WaitEnd wait_unless_quit(Platform& p, int ms);
