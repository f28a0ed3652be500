// The reader's out-of-line part: next(), peek() and skip(), which classify and measure an item of
// any kind, and the errors that explain a failed measure.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include <morsel/detail/measure.h>
#include <morsel/item.h>
#include <morsel/kind.h>
#include <morsel/morsel.h>
#include <morsel/reader.h>

namespace morsel {
namespace detail {
namespace {

using Bytes = std::span<const unsigned char>;

std::string at_byte(std::size_t offset) {
  return "byte " + std::to_string(offset) + ": ";
}

// A cut-short item stops at the end of the bytes, a wrong one at its wrong byte. `rest` is the
// bytes from the item on, `position` where the item is in the whole input.
[[noreturn]] void throw_fault(const measured& m, const kind* k, Bytes rest, std::size_t position) {
  const std::string what =
      at_byte(position) + explain(m, k, rest.data(), rest.size(), position, /*lone=*/false);
  if (m.short_of_bytes()) {
    throw truncated_error(what, position + rest.size());
  }
  throw decode_error(what, position + m.at);
}

struct extent {
  kind k;
  std::size_t size;
};

// The kind and size of the whole item at `offset`, or the error that says why there is none.
extent examine(Bytes rest, std::size_t position, framing how) {
  const classified found = classify(rest.data(), rest.size(), how);
  if (!found.problem.whole()) {
    throw_fault(found.problem, nullptr, rest, position);
  }
  const measured m = measure(found.k, rest.data(), rest.size());
  if (!m.whole()) {
    throw_fault(m, &found.k, rest, position);
  }
  return {found.k, m.size};
}

item item_at(const unsigned char* at, extent found) {
  switch (found.k) {
    case kind::boolean:
      return value_at<kind::boolean>(at, found.size);
    case kind::u8:
      return value_at<kind::u8>(at, found.size);
    case kind::u32:
      return value_at<kind::u32>(at, found.size);
    case kind::u64:
      return value_at<kind::u64>(at, found.size);
    case kind::i8:
      return value_at<kind::i8>(at, found.size);
    case kind::i32:
      return value_at<kind::i32>(at, found.size);
    case kind::f32:
      return value_at<kind::f32>(at, found.size);
    case kind::f64:
      return value_at<kind::f64>(at, found.size);
    case kind::string:
      return value_at<kind::string>(at, found.size);
    case kind::u8_array:
      return value_at<kind::u8_array>(at, found.size);
    case kind::u64_array:
      return value_at<kind::u64_array>(at, found.size);
    case kind::f64_array:
      return value_at<kind::f64_array>(at, found.size);
    case kind::string_array:
      return value_at<kind::string_array>(at, found.size);
    case kind::person:
      return value_at<kind::person>(at, found.size);
  }
  return false;  // not reached: every kind is listed
}

}  // namespace

void reject(Bytes rest, std::size_t position, kind expected) {
  throw_fault(measure(expected, rest.data(), rest.size()), &expected, rest, position);
}

void throw_member_failure(const decode_error& error, std::size_t item_offset, part_position part) {
  const std::string_view what = error.what();
  const std::string prefix = at_byte(item_offset);
  throw member_failure{{part},
                       item_offset,
                       error.stopped_at(),
                       std::string(what.starts_with(prefix) ? what.substr(prefix.size()) : what),
                       dynamic_cast<const truncated_error*>(&error) != nullptr};
}

void throw_record_error(const member_failure& failure, std::string_view container,
                        std::size_t record_offset) {
  std::string path = failure.path.front().element ? "element " : "member ";
  for (std::size_t i = 0; i < failure.path.size(); ++i) {
    const part_position& part = failure.path[i];
    const std::string index = std::to_string(part.index);
    path += i == 0 ? index : part.element ? "[" + index + "]" : "." + index;
  }
  const std::string what = at_byte(failure.item_offset) + path + " of the " +
                           std::string(container) + " at byte " + std::to_string(record_offset) +
                           ": " + failure.what;
  if (failure.truncated) {
    throw truncated_error(what, failure.stopped_at);
  }
  throw decode_error(what, failure.stopped_at);
}

void throw_count_too_large(std::size_t count_offset, std::size_t count, std::size_t needed,
                           std::size_t left, std::size_t stopped_at) {
  throw truncated_error(at_byte(count_offset) + "a count of " + std::to_string(count) +
                            " elements needs at least " + std::to_string(needed) +
                            " bytes after it, " + std::to_string(left) + " left",
                        stopped_at);
}

void throw_bad_index(std::size_t offset, std::size_t index, std::size_t alternatives) {
  throw decode_error(at_byte(offset) + "alternative " + std::to_string(index) +
                         " of a std::variant of " + std::to_string(alternatives),
                     offset + 1);
}

void throw_count_mismatch(std::size_t offset, std::size_t count, std::size_t expected) {
  throw decode_error(at_byte(offset) + "an array of " + std::to_string(count) +
                         " elements, where a std::array of " + std::to_string(expected) +
                         " is read",
                     offset + 1);
}

}  // namespace detail

item reader::next() {
  const detail::extent found = detail::examine(remaining(), position(), framing());
  item value = detail::item_at(cursor_, found);
  cursor_ += found.size;
  return value;
}

void reader::skip() {
  cursor_ += detail::examine(remaining(), position(), framing()).size;
}

kind reader::peek() const {
  const detail::classified found = detail::classify(here(), left(), framing());
  if (!found.problem.whole()) {
    detail::throw_fault(found.problem, nullptr, remaining(), position());
  }
  return found.k;
}

}  // namespace morsel
