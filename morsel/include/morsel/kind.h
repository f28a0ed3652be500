// The kinds of item and the one table of what each is: its tags, its names, its header and how a
// lone item of it ends. Every part of the library and the tool that needs one of these facts
// reads it here. Needs C++20.
#ifndef MORSEL_KIND_H
#define MORSEL_KIND_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <optional>
#include <string_view>

#include <morsel/morsel.h>

namespace morsel {

// The kinds of item, in the order of the alternatives of `morsel::item`. There is no i64: its
// items are u64 items.
enum class kind : unsigned char {
  boolean,
  u8,
  u32,
  u64,
  i8,
  i32,
  f32,
  f64,
  string,
  u8_array,
  u64_array,
  f64_array,
  string_array,
  person,
};

inline constexpr std::size_t kind_count = 14;

// The word for a u64 item read as a signed 64-bit integer (C++'s long): it has no kind of its own.
inline constexpr std::string_view kI64Word = "i64";

namespace detail {

struct kind_info {
  unsigned char tag;          // the tag an item of this kind starts with
  unsigned char other_tag;    // a second tag it may start with (bool false, the generic string)
  unsigned char element_tag;  // the tag that tells an array of TAG_ARRAY by its elements, or 0
  std::string_view name;      // in messages: "u8 array"
  std::string_view word;      // in the tool's notation: "u8[]"
  std::size_t header_size;    // bytes before the payload or the elements
  std::size_t fixed_size;     // the item's size, or 0 when its bytes say it
  bool runs_to_end;           // standing alone, it runs to the end of its buffer
};

inline constexpr std::array<kind_info, kind_count> kind_table{{
    {TAG_TRUE, TAG_FALSE, 0, "bool", "bool", 1, 1, false},
    {TAG_U8, TAG_U8, 0, "u8", "u8", 1, 2, false},
    {TAG_U32, TAG_U32, 0, "u32", "u32", 1, 5, false},
    {TAG_U64, TAG_U64, 0, "u64", "u64", 1, 9, false},
    {TAG_I8, TAG_I8, 0, "i8", "i8", 1, 2, false},
    {TAG_I32, TAG_I32, 0, "i32", "i32", 1, 5, false},
    {TAG_F32, TAG_F32, 0, "f32", "f32", 1, 5, false},
    {TAG_F64, TAG_F64, 0, "f64", "f64", 1, 9, false},
    {TAG_STR4, TAG_STR, 0, "string", "string", 2, 0, true},
    {TAG_ARRAY, TAG_ARRAY, TAG_U8, "u8 array", "u8[]", 3, 0, true},
    {TAG_ARRAY, TAG_ARRAY, TAG_U64, "u64 array", "u64[]", 2, 0, true},
    {TAG_ARRAY, TAG_ARRAY, TAG_F64, "f64 array", "f64[]", 2, 0, true},
    {TAG_STR_ARRAY, TAG_STR_ARRAY, TAG_STR, "string array", "string[]", 2, 0, true},
    {TAG_PERSON, TAG_PERSON, 0, "Person", "person", 1, 8, false},
}};

// An item of a fixed size is its tag and its payload; the others (strings and arrays) are the ones
// that, standing alone, run to the end of their buffer.
static_assert(std::ranges::all_of(kind_table, [](const kind_info& k) {
  return (k.fixed_size == 0) == k.runs_to_end && (k.fixed_size == 0 || k.header_size == 1);
}));

constexpr const kind_info& info(kind k) noexcept {
  return kind_table[static_cast<std::size_t>(k)];
}

constexpr bool starts(kind k, unsigned char tag) noexcept {
  return tag == info(k).tag || tag == info(k).other_tag;
}

// The same for a kind known at compile time: one compare where the kind has one tag.
template <kind K>
constexpr bool starts(unsigned char tag) noexcept {
  if constexpr (info(K).tag == info(K).other_tag) {
    return tag == info(K).tag;
  } else {
    return starts(K, tag);
  }
}

// For each byte, 1 + the kind its tag starts (for every tag but TAG_ARRAY, whose kind its
// elements tell), or 0: the table above, turned around once.
inline constexpr std::array<unsigned char, 256> kind_by_tag = [] {
  std::array<unsigned char, 256> by_tag{};
  for (std::size_t i = 0; i < kind_count; ++i) {
    const kind_info& k = kind_table[i];
    for (const unsigned char tag : {k.tag, k.other_tag}) {
      if (tag != TAG_ARRAY) {
        by_tag[tag] = static_cast<unsigned char>(i + 1);
      }
    }
  }
  return by_tag;
}();

// The kind a tag starts, for every tag but TAG_ARRAY; nothing for a byte that is not a tag.
constexpr std::optional<kind> kind_of_tag(unsigned char tag) noexcept {
  const unsigned char entry = kind_by_tag[tag];
  if (entry == 0) {
    return std::nullopt;
  }
  return static_cast<kind>(entry - 1);
}

constexpr bool is_array(kind k) noexcept {
  return k == kind::u8_array || k == kind::u64_array || k == kind::f64_array ||
         k == kind::string_array;
}

constexpr bool is_tag(unsigned char byte) noexcept {
  return byte == TAG_ARRAY || kind_of_tag(byte).has_value();
}

// The array kind of TAG_ARRAY whose elements start with `element_tag`.
constexpr std::optional<kind> array_kind_of(unsigned char element_tag) noexcept {
  for (const kind k : {kind::u8_array, kind::u64_array, kind::f64_array}) {
    if (info(k).element_tag == element_tag) {
      return k;
    }
  }
  return std::nullopt;
}

}  // namespace detail

constexpr std::string_view kind_name(kind k) noexcept {
  return detail::info(k).name;
}

}  // namespace morsel

#endif  // MORSEL_KIND_H
