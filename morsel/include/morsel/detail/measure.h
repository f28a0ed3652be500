// The checking of every item layout, beside their writing in layout.h: one measure per layout,
// which never throws and answers the item's size, or the offset of the wrong byte and why, or how
// many bytes the item needs at least when the bytes end inside it. The lone-item decoders, the
// message reader (its typed reads, next(), peek() and skip()) and the tool all check items with
// these functions, and explain a failed measure with `explain` (measure.cpp). Needs C++20.
#ifndef MORSEL_DETAIL_MEASURE_H
#define MORSEL_DETAIL_MEASURE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include <morsel/detail/layout.h>
#include <morsel/kind.h>
#include <morsel/morsel.h>

namespace morsel::detail {

enum class fault : unsigned char {
  none,
  cut_short,        // the bytes end inside the item: `size` is how many it needs at least
  kind_unknown,     // the bytes end before the kind can be told: the byte at `at` is missing
  not_a_tag,        // the first byte is no tag
  wrong_tag,        // the byte at `at` is not the tag expected there
  array_elements,   // TAG_ARRAY whose first element's tag (at `at`) is not an element kind's
  bad_length,       // a 0xAA string whose length byte (at `at`) is not 4
  count_mismatch,   // standing alone: the count byte disagrees with the `size` elements found
  partial_element,  // standing alone: `size` bytes at `at` do not form a whole element
  fits_short,       // a long form (long_form.h) of a length or count that fits the short one
  bad_part,         // a long form's part `element`, at `at`, is not of the size `size` expected
  too_deep,         // a record or container nested deeper than allowed starts at `at`
};

inline constexpr std::size_t kNoElement = SIZE_MAX;

// What a measure found. Offsets (`at`) count from the item's first byte.
struct measured {
  fault what = fault::none;
  std::size_t size = 0;  // none: the item's size; cut_short: the bytes it needs at least
  std::size_t at = 0;
  std::size_t element = kNoElement;  // the element the fault is in, if any
  unsigned char expected = 0;        // wrong_tag inside the item: the tag expected at `at`

  constexpr bool whole() const noexcept { return what == fault::none; }
  constexpr bool short_of_bytes() const noexcept {
    return what == fault::cut_short || what == fault::kind_unknown;
  }
};

constexpr measured whole(std::size_t size) noexcept {
  return {fault::none, size};
}
constexpr measured cut_short(std::size_t needed) noexcept {
  return {fault::cut_short, needed};
}
constexpr measured wrong(fault what, std::size_t at, unsigned char expected = 0) noexcept {
  return {what, 0, at, kNoElement, expected};
}

// ---- Fixed-size items: bool, the scalars, Person. The tag, then the size; for Person, its inner
// tags where they have arrived (a wrong byte is reported before a missing one).

// The tags inside a whole fixed-size item: a Person's members'; the scalars have none.
template <kind K>
constexpr bool inner_tags_fit(const unsigned char* at) noexcept {
  if constexpr (K == kind::person) {
    bool fit = true;
    for (const inner_item& inner : kPersonItems) {
      fit &= at[inner.offset] == inner.tag;
    }
    return fit;
  } else {
    (void)at;
    return true;
  }
}

// The tags of a whole fixed-size item of kind K at `at`.
template <kind K>
constexpr bool fixed_tags_fit(const unsigned char* at) noexcept {
  return starts<K>(at[0]) && inner_tags_fit<K>(at);
}

template <kind K>
constexpr measured measure_fixed(const unsigned char* at, std::size_t left) noexcept {
  constexpr std::size_t size = info(K).fixed_size;
  static_assert(size != 0);
  if (left >= size && fixed_tags_fit<K>(at)) [[likely]] {
    return whole(size);
  }
  if (left == 0) {
    return cut_short(size);
  }
  if (!starts<K>(at[0])) {
    return wrong(fault::wrong_tag, 0);
  }
  if constexpr (K == kind::person) {
    for (const inner_item& inner : kPersonItems) {
      if (left > inner.offset && at[inner.offset] != inner.tag) {
        return wrong(fault::wrong_tag, inner.offset, inner.tag);
      }
    }
  }
  return cut_short(size);
}

// ---- Strings: the header, then as many bytes as the length byte says.

constexpr measured measure_string(const unsigned char* at, std::size_t left) noexcept {
  if (left >= kStringHeaderSize && is_string_header(at[0], at[1]) &&
      left - kStringHeaderSize >= std::size_t{at[1]}) [[likely]] {
    return whole(kStringHeaderSize + at[1]);
  }
  if (left == 0) {
    return cut_short(kStringHeaderSize);
  }
  if (!is_string_tag(at[0])) {
    return wrong(fault::wrong_tag, 0);
  }
  if (left < kStringHeaderSize) {
    return cut_short(kStringHeaderSize);
  }
  if (!is_string_header(at[0], at[1])) {
    return wrong(fault::bad_length, 1);
  }
  return cut_short(kStringHeaderSize + at[1]);
}

// ---- Arrays: the header, then `count` elements.

constexpr measured measure_byte_array(const unsigned char* at, std::size_t left) noexcept {
  if (left >= kByteArrayHeaderSize && at[0] == TAG_ARRAY && at[2] == TAG_U8 &&
      left - kByteArrayHeaderSize >= std::size_t{at[1]}) [[likely]] {
    return whole(byte_array_size(at[1]));
  }
  if (left == 0) {
    return cut_short(kByteArrayHeaderSize);
  }
  if (at[0] != TAG_ARRAY) {
    return wrong(fault::wrong_tag, 0);
  }
  if (left > 2 && at[2] != TAG_U8) {
    return wrong(fault::wrong_tag, 2, TAG_U8);
  }
  return cut_short(left < kArrayHeaderSize ? kByteArrayHeaderSize : byte_array_size(at[1]));
}

// The first element of `count` 9-byte items in the first `left` bytes at `at` whose tag is not
// `tag`, or kNoElement.
constexpr std::size_t first_mistagged(const unsigned char* at, std::size_t left, std::size_t count,
                                      unsigned char tag) noexcept {
  const std::size_t present =
      std::min(count, left / kWideItemSize + (left % kWideItemSize != 0 ? 1 : 0));
  std::size_t i = 0;
  // Eight tags at a time, with no branch between them: a wrong one is rare, and the loop of one
  // tag at a time below finds it.
  constexpr std::size_t kBlock = 8;
  for (; present - i >= kBlock; i += kBlock) {
    unsigned differ = 0;
    for (std::size_t j = 0; j < kBlock; ++j) {
      differ |= static_cast<unsigned>(at[(i + j) * kWideItemSize] ^ tag);
    }
    if (differ != 0) [[unlikely]] {
      break;
    }
  }
  for (; i < present; ++i) {
    if (at[i * kWideItemSize] != tag) {
      return i;
    }
  }
  return kNoElement;
}

template <kind K>
constexpr measured measure_wide_array(const unsigned char* at, std::size_t left) noexcept {
  constexpr unsigned char element_tag = info(K).element_tag;
  if (left == 0) {
    return cut_short(kArrayHeaderSize);
  }
  if (at[0] != TAG_ARRAY) {
    return wrong(fault::wrong_tag, 0);
  }
  if (left < kArrayHeaderSize) {
    return cut_short(kArrayHeaderSize);
  }
  const std::size_t count = at[1];
  const std::size_t bad =
      first_mistagged(at + kArrayHeaderSize, left - kArrayHeaderSize, count, element_tag);
  if (bad != kNoElement) [[unlikely]] {
    measured m = wrong(fault::wrong_tag, kArrayHeaderSize + bad * kWideItemSize, element_tag);
    m.element = bad;
    return m;
  }
  const std::size_t size = wide_array_size(count);
  return left >= size ? whole(size) : cut_short(size);
}

// A fault inside element `element` of an array, which starts `offset` bytes into the item.
constexpr measured in_element(measured m, std::size_t element, std::size_t offset) noexcept {
  m.at += offset;
  m.element = element;
  return m;
}

constexpr measured measure_string_array(const unsigned char* at, std::size_t left) noexcept {
  if (left == 0) {
    return cut_short(kArrayHeaderSize);
  }
  if (at[0] != TAG_STR_ARRAY) {
    return wrong(fault::wrong_tag, 0);
  }
  if (left < kArrayHeaderSize) {
    return cut_short(kArrayHeaderSize);
  }
  const std::size_t count = at[1];
  std::size_t size = kArrayHeaderSize;
  for (std::size_t i = 0; i < count; ++i) {
    const measured element = measure_string(at + size, left - size);
    if (!element.whole()) [[unlikely]] {
      if (element.what == fault::cut_short) {
        // This element, and at least a header for each after it.
        measured m = cut_short(size + element.size + kStringHeaderSize * (count - i - 1));
        m.at = size;
        m.element = i;
        return m;
      }
      return in_element(element, i, size);
    }
    size += element.size;
  }
  return whole(size);
}

// ---- Any kind, in a message.

template <kind K>
constexpr measured measure(const unsigned char* at, std::size_t left) noexcept {
  if constexpr (info(K).fixed_size != 0) {
    return measure_fixed<K>(at, left);
  } else if constexpr (K == kind::string) {
    return measure_string(at, left);
  } else if constexpr (K == kind::u8_array) {
    return measure_byte_array(at, left);
  } else if constexpr (K == kind::u64_array || K == kind::f64_array) {
    return measure_wide_array<K>(at, left);
  } else {
    static_assert(K == kind::string_array);
    return measure_string_array(at, left);
  }
}

measured measure(kind k, const unsigned char* at, std::size_t left) noexcept;

// ---- An item standing alone in its buffer, as `serialize` writes it: a string or an array runs
// to the end of the buffer (its length or count byte holds its size modulo 256), a fixed-size item
// is checked for its size before its tag.

constexpr measured count_agrees(const unsigned char* at, std::size_t left,
                                std::size_t elements) noexcept {
  if (at[1] != low_byte(elements)) {
    measured m = wrong(fault::count_mismatch, 1);
    m.size = elements;
    return m;
  }
  return whole(left);
}

template <kind K>
constexpr measured measure_lone(const unsigned char* at, std::size_t left) noexcept {
  constexpr std::size_t header = info(K).header_size;
  if constexpr (!info(K).runs_to_end) {
    return left < info(K).fixed_size ? cut_short(info(K).fixed_size) : measure<K>(at, left);
  } else if constexpr (K == kind::string) {
    if (left < header) {
      return cut_short(header);
    }
    return is_string_tag(at[0]) ? whole(left) : wrong(fault::wrong_tag, 0);
  } else {
    constexpr unsigned char tag = info(K).tag;
    if (left < header) {
      return cut_short(header);
    }
    if (at[0] != tag) {
      return wrong(fault::wrong_tag, 0);
    }
    if constexpr (K == kind::u8_array) {
      if (at[2] != TAG_U8) {
        return wrong(fault::wrong_tag, 2, TAG_U8);
      }
      return count_agrees(at, left, left - header);
    } else if constexpr (K == kind::string_array) {
      std::size_t elements = 0;
      for (std::size_t size = header; size < left; ++elements) {
        const measured element = measure_string(at + size, left - size);
        if (!element.whole()) {
          return in_element(element, elements, size);
        }
        size += element.size;
      }
      return count_agrees(at, left, elements);
    } else {
      const std::size_t rest = (left - header) % kWideItemSize;
      if (rest != 0) {
        measured m = wrong(fault::partial_element, left - rest);
        m.size = rest;
        return m;
      }
      const std::size_t elements = (left - header) / kWideItemSize;
      const measured counted = count_agrees(at, left, elements);
      if (!counted.whole()) {
        return counted;
      }
      const std::size_t bad =
          first_mistagged(at + header, left - header, elements, info(K).element_tag);
      if (bad != kNoElement) {
        measured m = wrong(fault::wrong_tag, header + bad * kWideItemSize, info(K).element_tag);
        m.element = bad;
        return m;
      }
      return whole(left);
    }
  }
}

measured measure_lone(kind k, const unsigned char* at, std::size_t left) noexcept;

// ---- The kind of the item at `at`, from its tag and, for TAG_ARRAY, its first element's tag.
// In a message an empty array "AC 00" has no element to tell its kind: it is a u64 array, unless
// "A2" follows and the byte after that could start an item, which makes "AC 00 A2" an empty byte
// array. Where the bytes may go on (`partial`), an "AC 00" or "AC 00 A2" they end with is cut
// short. Standing alone, an array's first element tells its kind whatever its count byte says.

enum class framing : unsigned char { message, partial, lone };

struct classified {
  kind k = kind::boolean;
  measured problem;  // none when the kind is known
};

classified classify(const unsigned char* at, std::size_t left, framing how) noexcept;

// "0xaa or 0xab": the tags that start kind `k`; "0xa2, 0xa4 or 0xa9": the tags whose elements
// tell an array's kind.
std::string tags_of(kind k);
std::string element_tags();

// ---- What went wrong, in words: "expected tag 0xa3, got 0xa6", "the u32 item needs 5 bytes, 3
// left". `k` is the kind the item was measured as; a fault found while classifying has none.
// Standing alone (`lone`), a cut-short item says "need 5 bytes, got 4".
std::string explain(const measured& m, const kind* k, const unsigned char* at, std::size_t left,
                    std::size_t item_offset, bool lone);

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_MEASURE_H
