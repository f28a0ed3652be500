// The tool's input and output: a file or standard input read whole, hex text turned into bytes,
// and standard output written in large blocks with every failure kept for the end.
#ifndef MORSEL_CLI_IO_H
#define MORSEL_CLI_IO_H

#include <cstddef>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morsel_cli {

// A file that cannot be opened or read: the message names it and gives the system's reason.
class input_error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Leaves the bytes it makes room for as they are: a buffer about to be filled by read() is not
// zero-filled first.
template <typename T>
struct uninitialized_allocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = uninitialized_allocator<U>;
  };
  template <typename U>
  void construct(U* at) noexcept {
    ::new (static_cast<void*>(at)) U;
  }
  template <typename U, typename... Args>
  void construct(U* at, Args&&... args) {
    ::new (static_cast<void*>(at)) U(std::forward<Args>(args)...);
  }
};

using byte_buffer = std::vector<unsigned char, uninitialized_allocator<unsigned char>>;

// The whole of `path`, or of standard input when it is empty or "-".
byte_buffer read_input(const std::string& path);

// The input of decode and dump: a regular file mapped whole (no copy), or the bytes read from
// anything else, or the bytes of the hex text read.
class input_bytes {
 public:
  input_bytes(const std::string& path, bool hex);
  ~input_bytes();
  input_bytes(const input_bytes&) = delete;
  input_bytes& operator=(const input_bytes&) = delete;

  std::span<const unsigned char> bytes() const { return bytes_; }

 private:
  void* mapped_ = nullptr;
  std::size_t mapped_size_ = 0;
  byte_buffer raw_;
  std::vector<unsigned char> decoded_;
  std::span<const unsigned char> bytes_;
};

// Bytes from hex text: pairs of hex digits in any case, with or without blanks or commas between
// them, each pair perhaps after "0x"; a lone digit between blanks is a byte of its own, so
// printVec's "[ a2 5 ]" reads as it stands. Throws input_error naming the line of a bad digit.
std::vector<unsigned char> parse_hex(std::string_view text);

class output {
 public:
  output() = default;
  output(const output&) = delete;
  output& operator=(const output&) = delete;

  // Text to append to; written out by `flush_if_large` and `finish`.
  std::string& text() { return buffer_; }
  void flush_if_large() {
    if (buffer_.size() >= kBlock) {
      flush();
    }
  }
  void write(std::span<const unsigned char> bytes);
  // Writes what is left. False when any write failed; `error` then says why.
  bool finish();
  std::string error() const;

 private:
  static constexpr std::size_t kBlock = std::size_t{1} << 20;
  void flush();
  void put(const char* data, std::size_t size);

  std::string buffer_;
  int errno_ = 0;
};

}  // namespace morsel_cli

#endif  // MORSEL_CLI_IO_H
