// What the code under test writes to standard error, caught in a file.
// GoogleTest's own capture moves descriptors with dup() and dup2(), which
// the tests compiled to WebAssembly and run under node do not have as such:
// there the stream behind descriptor 2 is swapped instead.
#pragma once

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

class CapturedStderr {
 public:
  CapturedStderr() {
    std::fflush(stderr);
    char name[] = "/tmp/captured-stderr-XXXXXX";
    file_ = ::mkstemp(name);
    path_ = name;
#ifdef __EMSCRIPTEN__
    EM_ASM(
        {
          Module.stderrStream = FS.streams[2];
          FS.streams[2] = Object.assign(Object.create(Object.getPrototypeOf(FS.streams[$0])),
                                        FS.streams[$0], {fd : 2});
        },
        file_);
#else
    saved_ = ::dup(2);
    ::dup2(file_, 2);
#endif
  }
  CapturedStderr(const CapturedStderr&) = delete;
  CapturedStderr& operator=(const CapturedStderr&) = delete;
  ~CapturedStderr() {
    restore();
    ::unlink(path_.c_str());
  }

  // Ends the capture; what was written meanwhile.
  std::string text() {
    restore();
    std::stringstream in;
    in << std::ifstream(path_).rdbuf();
    return in.str();
  }

 private:
  void restore() {
    if (file_ < 0) return;
    std::fflush(stderr);
#ifdef __EMSCRIPTEN__
    EM_ASM({ FS.streams[2] = Module.stderrStream; });
#else
    ::dup2(saved_, 2);
    ::close(saved_);
#endif
    ::close(file_);
    file_ = -1;
  }

#ifndef __EMSCRIPTEN__
  int saved_ = -1;
#endif
  int file_ = -1;
  std::string path_;
};
