// The measures of morsel/detail/measure.h for a kind known at run time, the classification of an
// item by its first bytes, and the words that explain a failed measure.
#include <morsel/detail/measure.h>

#include <cstddef>
#include <string>

#include <morsel/detail/hex.h>
#include <morsel/detail/long_form.h>
#include <morsel/kind.h>

namespace morsel::detail {
namespace {

// Calls `f.template operator()<K>()` for the K equal to `k`.
template <typename F>
measured by_kind(kind k, const F& f) noexcept {
  switch (k) {
    case kind::boolean:
      return f.template operator()<kind::boolean>();
    case kind::u8:
      return f.template operator()<kind::u8>();
    case kind::u32:
      return f.template operator()<kind::u32>();
    case kind::u64:
      return f.template operator()<kind::u64>();
    case kind::i8:
      return f.template operator()<kind::i8>();
    case kind::i32:
      return f.template operator()<kind::i32>();
    case kind::f32:
      return f.template operator()<kind::f32>();
    case kind::f64:
      return f.template operator()<kind::f64>();
    case kind::string:
      return f.template operator()<kind::string>();
    case kind::u8_array:
      return f.template operator()<kind::u8_array>();
    case kind::u64_array:
      return f.template operator()<kind::u64_array>();
    case kind::f64_array:
      return f.template operator()<kind::f64_array>();
    case kind::string_array:
      return f.template operator()<kind::string_array>();
    case kind::person:
      return f.template operator()<kind::person>();
  }
  return wrong(fault::not_a_tag, 0);  // not reached: every kind is listed
}

classified known(kind k) noexcept {
  return {k, {}};
}

classified unknown(std::size_t missing) noexcept {
  return {kind::boolean, {fault::kind_unknown, missing + 1, missing}};
}

std::string count_of(std::size_t n, const char* unit) {
  return std::to_string(n) + " " + unit + (n == 1 ? "" : "s");
}

std::string explain_short(const measured& m, const kind* k, const unsigned char* at,
                          std::size_t left, bool lone) {
  if (m.what == fault::kind_unknown) {
    switch (m.at) {
      case 0:
        return "expected an item, got the end of the input";
      case 1:
        return "the array's count byte is missing";
      default:
        return at[1] != 0 ? "the array's first element is missing"
                          : "an empty array whose kind the next byte tells";
    }
  }
  if (left == 0 && k != nullptr) {
    return "expected an item (" + std::string(info(*k).name) + "), got the end of the input";
  }
  if (m.element != kNoElement) {
    const std::size_t room = left - m.at;
    return room < kStringHeaderSize ? "the string is cut short"
                                    : "the string needs " + count_of(at[m.at + 1], "byte") + ", " +
                                          std::to_string(room - kStringHeaderSize) + " left";
  }
  if (lone) {
    return "need " + count_of(m.size, "byte") + ", got " + std::to_string(left);
  }
  const std::string_view name = k != nullptr ? info(*k).name : std::string_view("next");
  return "the " + std::string(name) + " item needs " + count_of(m.size, "byte") + ", " +
         std::to_string(left) + " left";
}

}  // namespace

// The measures of a kind known at compile time, for by_kind.
struct in_message {
  const unsigned char* at;
  std::size_t left;
  template <kind K>
  measured operator()() const noexcept {
    return measure<K>(at, left);
  }
};

struct standing_alone {
  const unsigned char* at;
  std::size_t left;
  template <kind K>
  measured operator()() const noexcept {
    return measure_lone<K>(at, left);
  }
};

measured measure(kind k, const unsigned char* at, std::size_t left) noexcept {
  return by_kind(k, in_message{at, left});
}

measured measure_lone(kind k, const unsigned char* at, std::size_t left) noexcept {
  return by_kind(k, standing_alone{at, left});
}

std::string tags_of(kind k) {
  std::string text = hex_byte(info(k).tag);
  if (info(k).other_tag != info(k).tag) {
    text += " or " + hex_byte(info(k).other_tag);
  }
  return text;
}

std::string element_tags() {
  std::string text;
  const kind arrays[] = {kind::u8_array, kind::u64_array, kind::f64_array};
  for (std::size_t i = 0; i < std::size(arrays); ++i) {
    text += (i == 0                       ? ""
             : i + 1 == std::size(arrays) ? " or "
                                          : ", ") +
            hex_byte(info(arrays[i]).element_tag);
  }
  return text;
}

classified classify(const unsigned char* at, std::size_t left, framing how) noexcept {
  if (left == 0) {
    return unknown(0);
  }
  if (at[0] != TAG_ARRAY) {
    if (const auto k = kind_of_tag(at[0])) {
      return known(*k);
    }
    return {kind::boolean, wrong(fault::not_a_tag, 0)};
  }
  if (left < kArrayHeaderSize) {
    return unknown(1);
  }
  if (how == framing::lone || at[1] != 0) {
    if (left == kArrayHeaderSize) {
      return how == framing::lone ? known(kind::u64_array) : unknown(2);
    }
    if (const auto k = array_kind_of(at[2])) {
      return known(*k);
    }
    return {kind::boolean, wrong(fault::array_elements, 2)};
  }
  // An empty array in a message: its kind is what the next bytes make of it.
  const bool more_may_follow = how == framing::partial;
  if (left == kArrayHeaderSize) {
    return more_may_follow ? unknown(2) : known(kind::u64_array);
  }
  if (at[2] != TAG_U8) {
    return known(kind::u64_array);
  }
  if (left == kByteArrayHeaderSize) {
    return more_may_follow ? unknown(3) : known(kind::u8_array);
  }
  return known(is_tag(at[3]) ? kind::u8_array : kind::u64_array);
}

std::string explain(const measured& m, const kind* k, const unsigned char* at, std::size_t left,
                    std::size_t item_offset, bool lone) {
  std::string text;
  if (m.element != kNoElement) {
    // A bad length byte is the second byte of its element.
    const std::size_t element_start = m.what == fault::bad_length ? m.at - 1 : m.at;
    text = "element " + std::to_string(m.element) + " at byte " +
           std::to_string(item_offset + element_start) + ": ";
  }
  switch (m.what) {
    case fault::none:
      return "whole";
    case fault::cut_short:
    case fault::kind_unknown:
      return text + explain_short(m, k, at, left, lone);
    case fault::not_a_tag:
      return hex_byte(at[0]) + " is not a tag";
    case fault::array_elements:
      return "array elements under tag " + hex_byte(at[2]) + ": expected " + element_tags();
    case fault::wrong_tag:
      if (m.element != kNoElement) {
        return text + "expected tag " +
               (m.expected != 0 ? hex_byte(m.expected) : tags_of(kind::string)) + ", got " +
               hex_byte(at[m.at]);
      }
      if (m.at == 0) {
        return "expected tag " + tags_of(*k) + ", got " + hex_byte(at[0]);
      }
      return std::string(info(*k).name) + ": expected tag " + hex_byte(m.expected) + " at byte " +
             std::to_string(item_offset + m.at) + ", got " + hex_byte(at[m.at]);
    case fault::bad_length:
      return text + "a " + std::to_string(kStr4Length) + "-byte string (tag " +
             hex_byte(info(kind::string).tag) + ") has length byte " + std::to_string(at[m.at]);
    case fault::count_mismatch:
      return "count byte is " + std::to_string(at[1]) +
             ", elements found: " + std::to_string(m.size);
    case fault::partial_element:
      return std::to_string(m.size) + " trailing bytes do not form a whole element";
    case fault::fits_short:
    case fault::bad_part:
      return explain_long(m, "value", at, left, item_offset);
    case fault::too_deep:
      return "nested too deep";
  }
  return "malformed";  // not reached: every fault is listed
}

}  // namespace morsel::detail
