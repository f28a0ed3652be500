// The writer's cold paths: growing the buffer, the long forms, and refusing what a message cannot
// hold, with where it is.
#include <algorithm>
#include <cstddef>
#include <cstring>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <morsel/detail/convention.h>
#include <morsel/detail/layout.h>
#include <morsel/detail/long_form.h>
#include <morsel/writer.h>

namespace morsel {

namespace detail {
namespace {

constexpr std::string_view kWriter = "morsel::writer: ";

// "a string", "an array".
std::string with_article(std::string_view what) {
  const bool vowel =
      !what.empty() && std::string_view("aeiou").find(what[0]) != std::string_view::npos;
  return (vowel ? "an " : "a ") + std::string(what);
}

std::string_view without_prefix(std::string_view what) {
  return what.starts_with(kWriter) ? what.substr(kWriter.size()) : what;
}

}  // namespace

void throw_too_long(std::string_view what, std::size_t size, std::string_view unit) {
  throw std::length_error(std::string(kWriter) + with_article(what) + " of " +
                          std::to_string(size) + " " + std::string(unit) +
                          " is over 4294967295, the most a u32 length holds");
}

void throw_null_string() {
  throw std::invalid_argument("morsel::writer: null string pointer");
}

void throw_too_many(std::string_view container, std::size_t count) {
  throw std::length_error(std::string(kWriter) + with_article(container) + " of " +
                          std::to_string(count) +
                          " elements is over 4294967295, the most a u32 count holds");
}

void throw_valueless() {
  throw std::invalid_argument(
      "morsel::writer: a valueless std::variant has no alternative to write");
}

void throw_nested_too_deep(std::size_t limit) {
  throw std::length_error(std::string(kWriter) + "nested deeper than " + std::to_string(limit));
}

}  // namespace detail

void writer::fail_at(detail::path_step step) {
  try {
    throw;
  } catch (detail::part_failure& failure) {
    failure.path.push_back(std::move(step));
    throw;
  } catch (const std::length_error& e) {
    throw detail::part_failure{{std::move(step)},
                               0,
                               0,
                               std::string(detail::without_prefix(e.what())),
                               detail::part_failure::error::length};
  } catch (const std::invalid_argument& e) {
    throw detail::part_failure{{std::move(step)},
                               0,
                               0,
                               std::string(detail::without_prefix(e.what())),
                               detail::part_failure::error::invalid};
  }
}

void writer::throw_with_path(const detail::part_failure& failure, std::string_view root) {
  const std::string what =
      std::string(detail::kWriter) + detail::spell_path(root, failure.path) + ": " + failure.what;
  if (failure.type == detail::part_failure::error::invalid) {
    throw std::invalid_argument(what);
  }
  throw std::length_error(what);
}

// At least doubles, so that a message of n bytes costs O(log n) growths and O(n) copying. The
// new buffer is filled before it replaces the old one: a failed allocation changes nothing.
void writer::grow(std::size_t n) {
  constexpr std::size_t kFirstSize = 4096;
  const std::size_t used = size();
  if (n > buffer_.max_size() - used) {
    throw std::length_error("morsel::writer: message too large");
  }
  const std::size_t doubled = std::min(buffer_.size(), buffer_.max_size() / 2) * 2;
  std::vector<unsigned char> bigger(std::max({used + n, doubled, kFirstSize}));
  if (used != 0) {
    std::memcpy(bigger.data(), buffer_.data(), used);
  }
  buffer_.swap(bigger);
  cursor_ = buffer_.data() + used;
  limit_ = buffer_.data() + buffer_.size();
}

writer& writer::put_long(std::string_view value) {
  if (value.size() > detail::kMaxLongLength) {
    detail::throw_too_long("string", value.size(), "bytes");
  }
  detail::put_long<detail::parted::string>(
      claim(detail::long_size<detail::parted::string>(value.size())),
      reinterpret_cast<const unsigned char*>(value.data()), value.size());
  return *this;
}

writer& writer::put_long(std::span<const unsigned char> values) {
  if (values.size() > detail::kMaxLongLength) {
    detail::throw_too_long("byte vector", values.size(), "bytes");
  }
  detail::put_long<detail::parted::bytes>(
      claim(detail::long_size<detail::parted::bytes>(values.size())), values.data(), values.size());
  return *this;
}

writer& writer::put_long(std::span<const unsigned long> values) {
  if (values.size() > detail::kMaxLongLength) {
    detail::throw_too_long("array", values.size(), "elements");
  }
  detail::put_long_wide(claim(detail::long_wide_size(values.size())), values);
  return *this;
}

writer& writer::put_long(std::span<const double> values) {
  if (values.size() > detail::kMaxLongLength) {
    detail::throw_too_long("array", values.size(), "elements");
  }
  detail::put_long_wide(claim(detail::long_wide_size(values.size())), values);
  return *this;
}

// The string array item when it holds every string whole; else the long form, a u32 count and
// each string, short or long. Sized first, so that room is made once and nothing is half written.
template <typename S>
unsigned char* writer::put_string_items(std::span<const S> values) {
  if (values.size() > detail::kMaxLongLength) {
    detail::throw_too_long("array", values.size(), "elements");
  }
  bool all_short = detail::fits_short(values.size());
  std::size_t long_size = detail::kLengthItemSize;
  for (const S& value : values) {
    if (value.size() > detail::kMaxLongLength) {
      detail::throw_too_long("string", value.size(), "bytes");
    }
    const bool fits = detail::fits_short(value.size());
    all_short &= fits;
    long_size += fits ? detail::string_item_size(value)
                      : detail::long_size<detail::parted::string>(value.size());
  }
  if (all_short) {
    return detail::put_string_array(claim(detail::string_array_size(values)), values);
  }
  unsigned char* out = detail::put_length(claim(long_size), values.size());
  for (const S& value : values) {
    const auto* text = reinterpret_cast<const unsigned char*>(value.data());
    out = detail::fits_short(value.size())
              ? detail::put_string(out, value)
              : detail::put_long<detail::parted::string>(out, text, value.size());
  }
  return out;
}

writer& writer::put_strings(std::span<const std::string> values) {
  put_string_items(values);
  return *this;
}

writer& writer::put_strings(std::span<const std::string_view> values) {
  put_string_items(values);
  return *this;
}

writer& writer::put_array_items(unsigned char tag, std::size_t count,
                                std::span<const unsigned char> items) {
  unsigned char* elements =
      detail::put_array_header(claim(detail::kArrayHeaderSize + items.size()), tag, count);
  if (!items.empty()) {
    std::memcpy(elements, items.data(), items.size());
  }
  return *this;
}

}  // namespace morsel
