// What a walk over a message input reads, one at a time: its items, or values of a schema's type.
#ifndef MORSEL_CLI_UNITS_H
#define MORSEL_CLI_UNITS_H

#include <cstddef>
#include <functional>
#include <span>
#include <utility>

#include <morsel/message.h>
#include <morsel/stream.h>
#include <morsel/types.h>
#include <morsel/value.h>

#include "walk.h"

namespace morsel_cli {

// Reads the unit at a reader's or a stream's cursor, and shows the one last read.
class units {
 public:
  // The whole unit, or morsel::decode_error.
  virtual void read(morsel::reader& in) = 0;
  // False when the bytes so far end inside the unit, or the stream has ended.
  virtual bool read(morsel::stream& in) = 0;
  // Shows the unit just read: its bytes, at `offset` in the input.
  virtual void show(std::size_t offset, std::span<const unsigned char> bytes) = 0;

 protected:
  units() = default;
  units(const units&) = default;
  units& operator=(const units&) = default;
  ~units() = default;
};

// Items, as morsel::reader::next() reads them.
class item_units final : public units {
 public:
  explicit item_units(std::function<void(const shown&)> each) : each_(std::move(each)) {}

  void read(morsel::reader& in) override { last_ = in.next(); }
  bool read(morsel::stream& in) override {
    const std::optional<morsel::item> next = in.next();
    if (next) {
      last_ = *next;
    }
    return next.has_value();
  }
  void show(std::size_t offset, std::span<const unsigned char> bytes) override {
    each_(shown{offset, bytes, last_});
  }

 private:
  std::function<void(const shown&)> each_;
  morsel::item last_;
};

// Values of one type, each read into the storage of the one before.
class value_units final : public units {
 public:
  using handler =
      std::function<void(std::size_t, std::span<const unsigned char>, const morsel::value&)>;
  value_units(const morsel::type& t, handler each) : type_(t), each_(std::move(each)) {}

  void read(morsel::reader& in) override { morsel::read_value(in, type_, last_); }
  bool read(morsel::stream& in) override { return in.read_value(type_, last_); }
  void show(std::size_t offset, std::span<const unsigned char> bytes) override {
    each_(offset, bytes, last_);
  }

 private:
  const morsel::type& type_;
  handler each_;
  morsel::value last_;
};

}  // namespace morsel_cli

#endif  // MORSEL_CLI_UNITS_H
