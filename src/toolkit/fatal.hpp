// A failure the game cannot go on from: one line on standard output, then
// what the shell must do before the end (keep best scores that rose), then
// exit code 1.
#pragma once

#include "platform/platform.hpp"

class FatalHandler {
 public:
  virtual void before_exit() = 0;

 protected:
  ~FatalHandler() = default;
};

// While set, every fatal failure calls it once; null sets none.
void set_fatal_handler(FatalHandler* handler);

[[noreturn]] void fail(Platform& p, const char* line);
