// Standard output, written in large blocks with every failure kept for the end.
#ifndef MORSEL_CLI_OUTPUT_H
#define MORSEL_CLI_OUTPUT_H

#include <cstddef>
#include <span>
#include <string>

namespace morsel_cli {

class output {
 public:
  output() = default;
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
  std::string error() const;

 private:
  static constexpr std::size_t kBlock = std::size_t{1} << 20;
  void put(const char* data, std::size_t size);

  std::string buffer_;
  int errno_ = 0;
};

}  // namespace morsel_cli

#endif  // MORSEL_CLI_OUTPUT_H
