#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "file_exists.h"

namespace {

// One candidate buffer, grown as needed and reused for every entry of the search.
struct Candidate {
  char* text = nullptr;
  std::size_t capacity = 0;
};

bool reserve(Candidate& candidate, std::size_t size) {
  if (candidate.text != nullptr && size <= candidate.capacity) {
    return true;
  }
  std::size_t capacity = candidate.capacity == 0 ? 256 : candidate.capacity;
  while (capacity < size) {
    capacity *= 2;
  }
  void* grown = std::realloc(candidate.text, capacity);
  if (grown == nullptr) {
    return false;
  }
  candidate.text = static_cast<char*>(grown);
  candidate.capacity = capacity;
  return true;
}

// Builds "<entry>/<name>" in the candidate buffer. Fails only when memory for it cannot be had;
// the caller then skips the entry, as it would one that names no file. The sizes cannot overflow:
// the entry and the name are both in this process's memory (the environment and the arguments),
// so their lengths add up to far less than SIZE_MAX, and doubling stays below twice that.
bool join(Candidate& candidate, const char* entry, std::size_t entry_length, const char* name,
          std::size_t name_length) {
  if (!reserve(candidate, entry_length + 1 + name_length + 1)) {
    return false;
  }
  std::memcpy(candidate.text, entry, entry_length);
  candidate.text[entry_length] = '/';
  std::memcpy(candidate.text + entry_length + 1, name, name_length + 1);
  return true;
}

// access(X_OK) alone accepts a directory the process may search, which is not a program. The
// extra stat is paid only by candidates that already passed the permission check.
bool is_executable_file(const char* path) {
  if (access(path, X_OK) != 0) {
    return false;
  }
  struct stat status {};
  return stat(path, &status) == 0 && S_ISREG(status.st_mode);
}

}  // namespace

bool file_exists(const char* name, int all) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) {
    return false;
  }
  const std::size_t name_length = std::strlen(name);
  Candidate candidate;
  int matches = 0;

  const char* entry = path;
  for (;;) {
    const char* end = strchrnul(entry, ':');
    const auto entry_length = static_cast<std::size_t>(end - entry);
    if (entry_length > 0 && join(candidate, entry, entry_length, name, name_length) &&
        is_executable_file(candidate.text)) {
      // A failed write leaves stdout's error flag set; main turns it into the exit status.
      (void)std::printf("%s \n", candidate.text);
      ++matches;
      if (all == 0) {
        break;
      }
    }
    if (*end == '\0') {
      break;
    }
    entry = end + 1;
  }

  std::free(candidate.text);
  return matches > 0;
}
