#include "fatal.hpp"

#include <cstdlib>

namespace {
FatalHandler* handler = nullptr;
}  // namespace

void set_fatal_handler(FatalHandler* h) { handler = h; }

void fail(Platform& p, const char* line) {
  p.print(line);
  // Cleared first: a failure inside the handler must not call it again.
  FatalHandler* const before = handler;
  handler = nullptr;
  if (before != nullptr) before->before_exit();
  p.exit(1);
  std::abort();  // exit() does not return
}
