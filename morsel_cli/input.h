// The tool's input: a file or standard input, mapped whole when it is a regular file, read
// otherwise, and turned from hex text into bytes with --hex.
#ifndef MORSEL_CLI_INPUT_H
#define MORSEL_CLI_INPUT_H

#include <cstddef>
#include <memory>
#include <new>
#include <span>
#include <stdexcept>
#include <string>
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

// Where the input comes from: a file's path, or standard input when `path` is "-" or absent.
struct input_source {
  bool standard_input = true;
  std::string path;

  std::string name() const;  // for messages
};

// The whole of the input.
byte_buffer read_input(const input_source& source);

// The input of decode and dump: a regular file mapped whole (no copy), or the bytes read from
// anything else, or the bytes of the hex text read.
class input_bytes {
 public:
  input_bytes(const input_source& source, bool hex);
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

}  // namespace morsel_cli

#endif  // MORSEL_CLI_INPUT_H
