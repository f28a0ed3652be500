// The tool's input: a file or standard input, opened once; mapped whole when it is a regular
// file, read whole otherwise (or, by walk_input, as a stream), and turned from hex text into bytes
// with --hex.
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

// The input, open. Throws input_error when it cannot be opened.
class input_file {
 public:
  explicit input_file(const input_source& source);
  ~input_file();
  input_file(const input_file&) = delete;
  input_file& operator=(const input_file&) = delete;

  int fd() const noexcept { return fd_; }
  // A regular file, of `size()` bytes when it was opened.
  bool regular() const noexcept { return regular_; }
  std::size_t size() const noexcept { return size_; }
  const std::string& name() const noexcept { return name_; }
  // At most `room.size()` bytes, 0 at the end; throws input_error when reading fails.
  std::size_t read_some(std::span<unsigned char> room) const;

 private:
  int fd_ = -1;
  bool owned_ = false;
  bool regular_ = false;
  std::size_t size_ = 0;
  std::string name_;
};

// All that is left of the input.
byte_buffer read_all(const input_file& file);

// The whole input as bytes: a regular file mapped whole (no copy), or the bytes read from anything
// else, or the bytes of the hex text read.
class input_bytes {
 public:
  input_bytes(const input_file& file, bool hex);
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
