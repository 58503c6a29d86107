#include "scores.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>
#include <new>
#include <string>

namespace {

// Far more than six score lines need; a larger file is read in part.
constexpr std::size_t largest_file = std::size_t{64} * 1024;

bool blank(char c) { return c == ' ' || c == '\t'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

// A signed decimal number from `at`, which is left behind its last digit.
// A number beyond the 32-bit range is no number.
bool parse_number(const char*& at, const char* end, std::int32_t& value) {
  const char* c = at;
  bool negative = false;
  if (c != end && (*c == '-' || *c == '+')) negative = *c++ == '-';
  if (c == end || !digit(*c)) return false;
  constexpr long long limit = static_cast<long long>(std::numeric_limits<std::int32_t>::max()) + 1;
  long long magnitude = 0;
  for (; c != end && digit(*c); ++c) {
    magnitude = magnitude * 10 + (*c - '0');
    if (magnitude > limit) return false;
  }
  if (!negative && magnitude == limit) return false;
  value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
  at = c;
  return true;
}

void skip_blanks(const char*& at, const char* end) {
  while (at != end && blank(*at)) ++at;
}

// Editors on some systems start a text file with a UTF-8 byte-order mark.
void skip_byte_order_mark(const char*& at, const char* end) {
  if (end - at >= 3 && std::memcmp(at, "\xEF\xBB\xBF", 3) == 0) at += 3;
}

// One line, its line end taken off: "level N: <number>" with blanks
// anywhere between the parts. Sets `level` (1..6) when the label reads.
bool parse_score_line(const char* at, const char* end, int& level, std::int32_t& score) {
  if (at != end && end[-1] == '\r') --end;
  skip_blanks(at, end);
  constexpr char label[] = "level";
  constexpr std::size_t label_size = sizeof label - 1;
  if (static_cast<std::size_t>(end - at) < label_size || std::memcmp(at, label, label_size) != 0)
    return false;
  at += label_size;
  skip_blanks(at, end);
  if (at == end || *at < '1' || *at > '6') return false;
  const int n = *at++ - '0';
  if (at != end && digit(*at)) return false;
  skip_blanks(at, end);
  if (at == end || *at++ != ':') return false;
  level = n;
  skip_blanks(at, end);
  if (!parse_number(at, end, score)) return false;
  skip_blanks(at, end);
  return at == end;
}

// Reads an open regular file into text, a little past largest_file at most.
// Returns 0 or the reason it could not.
int read_regular(int fd, std::string& text) {
  char buffer[4096];
  try {
    while (text.size() <= largest_file) {
      const ssize_t got = ::read(fd, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0) return errno;
      if (got == 0) return 0;
      text.append(buffer, static_cast<std::size_t>(got));
    }
  } catch (const std::bad_alloc&) {
    return ENOMEM;
  }
  return 0;
}

// Reads a whole small file. Opening never blocks (a pipe of that name would
// hang the game) and only regular files are read.
FileState read_file(const char* path, std::string& text, int* why) {
  int error = 0;
  const int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  struct stat status {};
  if (fd < 0 || ::fstat(fd, &status) != 0) {
    error = errno;
  } else if (S_ISDIR(status.st_mode)) {
    error = EISDIR;
  } else if (!S_ISREG(status.st_mode)) {
    error = not_a_regular_file;
  } else {
    error = read_regular(fd, text);
  }
  if (fd >= 0) ::close(fd);
  // An open that failed for another reason (too many open files, no
  // memory) says nothing of whether the file is there.
  struct stat there {};
  if (fd < 0 && (error == ENOENT || error == ENOTDIR ||
                 (::lstat(path, &there) != 0 && (errno == ENOENT || errno == ENOTDIR))))
    return FileState::missing;
  if (why != nullptr) *why = error;
  return error != 0 ? FileState::unreadable : FileState::clean;
}

std::string folder_of(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

bool write_all(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    done += static_cast<std::size_t>(put);
  }
  return true;
}

// Keeps a damaged file under a new name beside it, the original staying in
// place until the new file is renamed over it. Returns the new name, or ""
// with errno set.
std::string keep_aside(const std::string& path) {
  char stamp[32];
  const std::time_t now = std::time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  for (int attempt = 1; attempt <= 100; ++attempt) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, attempt > 1 ? ".damaged-%s-%d" : ".damaged-%s", stamp,
                  attempt);
    std::string aside = path + suffix;  // not const, so that returning it moves it
    if (::link(path.c_str(), aside.c_str()) == 0) return aside;
    if (errno == EEXIST) continue;
    // A folder without hard links: move it instead, never over another file.
    struct stat taken {};
    if (::lstat(aside.c_str(), &taken) == 0) continue;
    if (::rename(path.c_str(), aside.c_str()) == 0) return aside;
    return "";
  }
  errno = EEXIST;
  return "";
}

std::string name_in_folder(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Held from the read to the rename, so that two copies saving at once each
// merge the other's record. The lock file stays: removing it would let a
// third copy lock a new file while the second still holds the old one.
constexpr int lock_wait_ms = 5000;
constexpr int kept_locked = -2;  // a `why` of its own: another copy held it

int lock_scores(const std::string& path, int& why) {
  const std::string name = path + ".lock";
  int fd = ::open(name.c_str(), O_RDWR | O_CREAT | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) {
    why = errno;
    // A lock file someone else made can still be locked for reading.
    if (why == EACCES) fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return -1;
  }
  for (int waited = 0; ::flock(fd, LOCK_EX | LOCK_NB) != 0; waited += 10) {
    why = errno == EWOULDBLOCK ? kept_locked : errno;
    if ((why != kept_locked && why != EINTR) || waited >= lock_wait_ms) {
      ::close(fd);
      return -1;
    }
    ::usleep(10 * 1000);
  }
  return fd;
}

// A name mkstemp could have made: six letters and digits, not a word.
bool temporary_suffix(const char* suffix) {
  bool digits = false, lower = false, upper = false;
  int length = 0;
  for (; suffix[length] != '\0'; ++length) {
    const char c = suffix[length];
    digits = digits || digit(c);
    lower = lower || (c >= 'a' && c <= 'z');
    upper = upper || (c >= 'A' && c <= 'Z');
    if (!digit(c) && !(c >= 'a' && c <= 'z') && !(c >= 'A' && c <= 'Z')) return false;
  }
  return length == 6 && (digits || (lower && upper));
}

// Temporary files of a save that was killed halfway ("<name>.XXXXXX"):
// removed under the lock, when no other copy can be writing one. Only a
// small regular file of this user holding nothing but score text goes.
void remove_leftovers(const std::string& path) {
  const std::string folder = folder_of(path);
  const std::string prefix = name_in_folder(path) + ".";
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return;
  while (const dirent* entry = ::readdir(listing)) {
    if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) != 0 ||
        !temporary_suffix(entry->d_name + prefix.size()))
      continue;
    const std::string name = folder + "/" + entry->d_name;
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat status {};
    char text[256];
    ssize_t got = -1;
    if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_uid == ::geteuid() &&
        status.st_size < static_cast<off_t>(sizeof text))
      got = ::read(fd, text, sizeof text);
    ::close(fd);
    if (got < 0 || got != status.st_size) continue;
    const char* c = text;
    while (c != text + got && std::strchr("level0123456789: -\n", *c) != nullptr && *c != '\0') ++c;
    if (c == text + got) ::unlink(name.c_str());
  }
  ::closedir(listing);
}

bool save_locked(const char* path, const HighScoreTable& best);

}  // namespace

const char* file_error(int why) {
  if (why == not_a_regular_file) return "not a regular file";
  if (why == ENOMEM) return "out of memory";
  return std::strerror(why);
}

FileState parse_best_scores(const char* text, std::size_t size, HighScoreTable& best) {
  FileState state = FileState::clean;
  bool seen[6] = {};
  const char* end = text + size;
  const char* start = text;
  skip_byte_order_mark(start, end);
  for (const char* line = start; line < end;) {
    const char* line_end = static_cast<const char*>(std::memchr(line, '\n', end - line));
    if (line_end == nullptr) line_end = end;
    const char* first = line;
    skip_blanks(first, line_end);
    const bool empty = first == line_end || (first + 1 == line_end && *first == '\r');
    int level = 0;
    std::int32_t score = 0;
    if (!empty) {
      const bool read = parse_score_line(line, line_end, level, score);
      if (level != 0 && seen[level - 1]) {
        state = FileState::damaged;  // a second line for one level
      } else {
        if (level != 0) seen[level - 1] = true;
        if (read) best[level - 1] = score;
        if (!read) state = FileState::damaged;
      }
    }
    line = line_end + 1;
  }
  return state;
}

FileState read_best_scores(const char* path, HighScoreTable& best, int* why) {
  std::string text;
  const FileState state = read_file(path, text, why);
  if (state != FileState::clean) return state;
  const FileState parsed =
      parse_best_scores(text.data(), std::min(text.size(), largest_file), best);
  return text.size() > largest_file ? FileState::damaged : parsed;
}

FileState parse_audio_mode(const char* text, std::size_t size, AudioMode& mode) {
  const char* at = text;
  const char* end = text + size;
  skip_byte_order_mark(at, end);
  while (at != end && (blank(*at) || (*at >= '\n' && *at <= '\r'))) ++at;
  return parse_number(at, end, mode) ? FileState::clean : FileState::damaged;
}

FileState read_audio_mode(const char* path, AudioMode& mode, int* why) {
  std::string text;
  const FileState state = read_file(path, text, why);
  if (state != FileState::clean) return state;
  return parse_audio_mode(text.data(), std::min(text.size(), largest_file), mode);
}

namespace {

bool failed(const char* path, const char* what, int error) {
  std::fprintf(stderr, "Could not save the best scores to %s: %s%s\n", path, what,
               file_error(error));
  return false;
}

}  // namespace

bool write_best_scores(const char* path, const HighScoreTable& best) {
  int why = 0;
  const int lock = lock_scores(path, why);
  if (lock < 0 && why == kept_locked) {
    std::fprintf(stderr,
                 "Could not save the best scores to %s: another copy of the game kept %s.lock "
                 "locked for %d s\n",
                 path, path, lock_wait_ms / 1000);
    return false;
  }
  if (lock < 0) return failed(path, "", why);
  bool saved = false;
  try {
    remove_leftovers(path);
    saved = save_locked(path, best);
  } catch (const std::bad_alloc&) {
    saved = failed(path, "", ENOMEM);
  }
  ::close(lock);
  return saved;
}

namespace {

bool save_locked(const char* path, const HighScoreTable& best) {
  const auto failed = [path](const char* what, int error) { return ::failed(path, what, error); };

  // Another copy of the game may have saved since this one started.
  HighScoreTable merged{};
  int why = 0;
  const FileState state = read_best_scores(path, merged, &why);
  if (state == FileState::unreadable)
    return failed("it exists but could not be read, so it was left as it is: ", why);
  for (std::size_t slot = 0; slot < best.size(); ++slot) {
    if (best[slot] > merged[slot]) merged[slot] = best[slot];
  }
  std::string text;
  for (std::size_t slot = 0; slot < merged.size(); ++slot) {
    char line[32];
    std::snprintf(line, sizeof line, "level %zu: %d\n", slot + 1, merged[slot]);
    text += line;
  }

  // The new file takes the old one's permissions, or those a new file gets.
  const std::string target = path;
  mode_t permissions = 0;
  struct stat old {};
  if (::stat(path, &old) == 0) {
    permissions = old.st_mode & 07777;
  } else {
    permissions = ::umask(0);
    ::umask(permissions);
    permissions = 0666 & ~permissions;
  }

  std::string temporary = target + ".XXXXXX";
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) return failed("", errno);
  bool written = ::fchmod(fd, permissions) == 0 && write_all(fd, text) && ::fsync(fd) == 0;
  int error = errno;
  if (::close(fd) != 0 && written) {
    written = false;
    error = errno;
  }
  if (written && state == FileState::damaged) {
    const std::string aside = keep_aside(target);
    if (aside.empty()) {
      error = errno;
      ::unlink(temporary.c_str());
      return failed("it is damaged and could not be kept aside: ", error);
    }
    std::fprintf(stderr, "%s was damaged: it is kept as %s, and a new %s holds the best scores\n",
                 path, aside.c_str(), path);
  }
  if (written && ::rename(temporary.c_str(), path) != 0) {
    written = false;
    error = errno;
  }
  if (!written) {
    ::unlink(temporary.c_str());
    return failed("", error);
  }
  // The rename lasts only once the folder is on the disk too. Not every
  // file system can sync a folder; the scores are in place either way.
  const int folder = ::open(folder_of(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return true;
}

}  // namespace
