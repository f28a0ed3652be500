// The reader's out-of-line part: next(), peek() and skip(), which classify and measure an item of
// any kind, and the errors that explain a failed measure.
#include <cstddef>
#include <span>
#include <string>
#include <string_view>

#include <morsel/detail/long_form.h>
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
    throw truncated_error(what, position + rest.size(), position + m.size);
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

void reject_long(const measured& m, std::string_view what, Bytes rest, std::size_t position) {
  const std::string text =
      at_byte(position) + explain_long(m, what, rest.data(), rest.size(), position);
  if (m.short_of_bytes()) {
    throw truncated_error(text, position + rest.size(), position + m.size);
  }
  throw decode_error(text, position + m.at);
}

void throw_long_view(std::size_t offset, std::size_t length, std::string_view what,
                     std::string_view instead) {
  throw decode_error(
      at_byte(offset) + "a long " + std::string(what) + " (" + std::to_string(length) +
          (what == "string" || what == "u8 array" ? " bytes" : " elements") +
          ") is in parts, and a view needs one run of bytes: read " + std::string(instead),
      offset);
}

void throw_long_fits_short(std::size_t offset, std::size_t count) {
  throw decode_error(at_byte(offset) + "a long string array of " + std::to_string(count) +
                         " strings of at most 255 bytes, which a string array item holds",
                     offset + 1);
}

void throw_nested_too_deep(std::size_t offset, std::size_t limit) {
  throw decode_error(at_byte(offset) + "nested deeper than " + std::to_string(limit), offset);
}

void throw_count_too_large(std::size_t count_offset, std::size_t count, std::size_t needed,
                           std::size_t left, std::size_t stopped_at) {
  throw truncated_error(at_byte(count_offset) + "a count of " + std::to_string(count) +
                            " elements needs at least " + std::to_string(needed) +
                            " bytes after it, " + std::to_string(left) + " left",
                        stopped_at, saturating_add(stopped_at - left, needed));
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

// Checked and copied in one pass; a length the bytes left cannot hold takes no memory, and the
// measure says what is wrong only once something is.
void reader::take_long_string(std::string& value) {
  using detail::parted;
  const std::size_t n = left() >= detail::kLengthItemSize ? detail::long_length(here()) : 0;
  const std::size_t size = detail::long_size<parted::string>(n);
  const auto report_fault = [this] {
    reject_long(detail::measure_long<parted::string>(here(), left()), "string");
  };
  if (detail::fits_short(n) || size > left()) [[unlikely]] {
    report_fault();
  }
  value.clear();
  value.reserve(n);
  if (!detail::join_parts<parted::string>(
          here(), n, [&value](const unsigned char* part, std::size_t bytes) {
            value.append(reinterpret_cast<const char*>(part), bytes);
          })) [[unlikely]] {
    report_fault();
  }
  advance(size);
}

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
