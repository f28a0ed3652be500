// Standard output, or a file, written in large blocks with every failure kept for the end. A file
// is written as a temporary file beside it, renamed over it by `commit` once all is good, and
// removed when not: a failed run never leaves half a file where a whole one was.
#ifndef MORSEL_CLI_OUTPUT_H
#define MORSEL_CLI_OUTPUT_H

#include <cstddef>
#include <span>
#include <string>
#include <utility>

namespace morsel_cli {

class output {
 public:
  output() = default;
  // Throws input_error (a file that cannot be made) naming `path` and the system's reason.
  explicit output(std::string path);
  ~output();
  output(const output&) = delete;
  output& operator=(const output&) = delete;

  // Text to append to; written out by `flush_if_large`, `flush` and `finish`.
  std::string& text() { return buffer_; }
  void flush_if_large() {
    if (buffer_.size() >= kBlock) {
      flush();
    }
  }
  void flush();
  void write(std::span<const unsigned char> bytes);
  // Writes what is left. False when any write failed; `error` then says why.
  bool finish();
  // The file, whole, in place of the one at its path (nothing for standard output). False, with
  // `error` saying why, when that fails.
  bool commit();
  std::string error() const;

 private:
  static constexpr std::size_t kBlock = std::size_t{1} << 20;
  void put(const char* data, std::size_t size);

  std::string buffer_;
  int fd_ = 1;
  std::string path_;       // the file's, empty for standard output
  std::string temporary_;  // written, then renamed to path_
  bool committed_ = false;
  int errno_ = 0;
};

}  // namespace morsel_cli

#endif  // MORSEL_CLI_OUTPUT_H
