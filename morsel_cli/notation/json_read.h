// Reading the values of a JSON tree (json_tree.h) as the tool's JSON spells them (json.h): the
// scalars, strings, bytes and Person that items and values read by a schema share, each refused
// with the place of the object, the path in it and what was expected. Internal to the notation
// library.
#ifndef MORSEL_CLI_JSON_READ_H
#define MORSEL_CLI_JSON_READ_H

#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <vector>

#include <morsel/detail/hex.h>
#include <morsel/kind.h>
#include <morsel/morsel.h>

#include "json_tree.h"
#include "json_values.h"
#include "notation.h"

namespace morsel_cli {

inline std::string describe(const json_node& n) {
  switch (n.t) {
    case json_node::type::null:
      return "null";
    case json_node::type::boolean:
      return n.flag ? "true" : "false";
    case json_node::type::integer:
      return n.flag ? "the number -0" : "the number " + std::to_string(n.integer);
    case json_node::type::unsigned_integer:
      return "the number " + std::to_string(n.unsigned_integer);
    case json_node::type::number:
      return "the number " + n.text;
    case json_node::type::string:
      return "a string";
    case json_node::type::array:
      return "an array";
    case json_node::type::object:
      return "an object";
  }
  return "a value";
}

// Where in the object a value is: "value", "value[3]", "value.age", "value.tags[\"host\"]".
// Spelled only for an error.
struct where {
  const where* parent = nullptr;
  std::string_view member;  // the member's name or the map's key, unless an element
  std::size_t index = 0;    // the element's index
  bool element = false;
  bool key = false;  // `member` is a map's key

  std::string spelled() const {
    std::string text = parent != nullptr ? parent->spelled() : "";
    if (element) {
      text += '[';
      text += std::to_string(index);
      text += ']';
    } else if (key) {
      text += "[\"";
      text += member;
      text += "\"]";
    } else {
      text += parent != nullptr ? "." : "";
      text += member;
    }
    return text;
  }
};

// The readings of one top-level value's tree, which starts at `at`.
class json_reader {
 public:
  json_reader(const json_tree& tree, place at) : tree_(tree), at_(at) {}

 protected:
  [[noreturn]] void fail(const where& path, const std::string& expected,
                         const json_node& got) const {
    fail_at(at_, path.spelled() + ": expected " + expected + ", got " + describe(got));
  }

  template <typename T>
  std::vector<T> list(const json_node& v, const where& path,
                      T (json_reader::*element)(const json_node&, const where&)) {
    if (v.t != json_node::type::array) {
      fail(path, "an array", v);
    }
    std::vector<T> values;
    values.reserve(v.count);
    std::size_t i = 0;
    for (const json_node* child = tree_.first_child(v); child != nullptr;
         child = tree_.next_sibling(*child), ++i) {
      values.push_back((this->*element)(*child, where{&path, {}, i, true}));
    }
    return values;
  }

  // A number, or a string of decimal digits (as u64 past 2^53 is written).
  template <typename T>
  T integer(const json_node& v, const where& path) {
    using wide = std::conditional_t<std::is_signed_v<T>, std::int64_t, std::uint64_t>;
    wide number = 0;
    bool in_range = false;
    if (v.t == json_node::type::unsigned_integer) {
      in_range = v.unsigned_integer <= static_cast<std::uint64_t>(std::numeric_limits<T>::max());
      number = static_cast<wide>(v.unsigned_integer);
    } else if (v.t == json_node::type::integer) {  // negative
      if constexpr (std::is_signed_v<T>) {
        in_range = v.integer >= std::numeric_limits<T>::min();
        number = v.integer;
      }
    } else if (v.t == json_node::type::string) {
      const char* end = v.text.data() + v.text.size();
      const auto [stop, error] = std::from_chars(v.text.data(), end, number);
      in_range = !v.text.empty() && error == std::errc() && stop == end &&
                 number >= static_cast<wide>(std::numeric_limits<T>::min()) &&
                 number <= static_cast<wide>(std::numeric_limits<T>::max());
    }
    if (!in_range) {
      fail(path,
           "an integer from " + std::to_string(std::numeric_limits<T>::min()) + " to " +
               std::to_string(std::numeric_limits<T>::max()),
           v);
    }
    return static_cast<T>(number);
  }

  // A number, read from its digits through a double as any JSON tool reads it (so that an f32
  // written by decode comes back whatever tool reprinted it), or the notation's spelling of the
  // values JSON has no number for. A finite number that T cannot hold, or that is nonzero and
  // would be 0 in T, is refused, as the notation refuses it.
  template <typename T>
  T floating(const json_node& v, const where& path) {
    constexpr std::string_view spellings =
        "a number, or \"inf\", \"-inf\", \"-0\", \"nan\" or \"nan:0x\" and its bits";
    const std::string in_range =
        std::is_same_v<T, float> ? "a number an f32 holds" : "a number a double holds";
    double number = 0;
    if (v.t == json_node::type::unsigned_integer) {
      number = static_cast<double>(v.unsigned_integer);
    } else if (v.t == json_node::type::integer) {
      number = v.flag ? -0.0 : static_cast<double>(v.integer);
    } else if (v.t == json_node::type::number) {
      number = v.number;  // the digits read by the JSON parser, rounded as from_chars rounds them
      if (number == 0 || std::isinf(number)) {  // the digits tell 0 from what a double cannot hold
        const char* end = v.text.data() + v.text.size();
        const auto [stop, error] = std::from_chars(v.text.data(), end, number);
        if (error != std::errc() || stop != end) {
          fail(path, in_range, v);
        }
      }
    } else if (v.t == json_node::type::string) {
      if (const std::optional<T> spelled = spelled_float<T>(v.text)) {
        return *spelled;
      }
      fail(path, std::string(spellings), v);
    } else {
      fail(path, std::string(spellings), v);
    }
    const auto value = static_cast<T>(number);
    if (std::isinf(value) || (value == 0 && number != 0)) {
      fail(path, in_range, v);
    }
    return value;
  }

  template <typename T>
  static std::optional<T> spelled_float(std::string_view word) {
    using bits = std::conditional_t<std::is_same_v<T, float>, std::uint32_t, std::uint64_t>;
    if (word == "inf" || word == "-inf") {
      return word[0] == '-' ? -std::numeric_limits<T>::infinity()
                            : std::numeric_limits<T>::infinity();
    }
    if (word == "-0") {
      return -T{0};
    }
    if (word == "nan") {
      return std::numeric_limits<T>::quiet_NaN();
    }
    if (word.starts_with("nan:0x")) {
      word.remove_prefix(6);
      bits pattern = 0;
      const auto [stop, error] =
          std::from_chars(word.data(), word.data() + word.size(), pattern, 16);
      if (!word.empty() && error == std::errc() && stop == word.data() + word.size() &&
          std::isnan(std::bit_cast<T>(pattern))) {
        return std::bit_cast<T>(pattern);
      }
    }
    return std::nullopt;
  }

  // The members of object `v`, by name, in any order; none missing, none other.
  template <std::size_t N>
  std::array<const json_node*, N> members(const json_node& v, const where& path,
                                          const std::array<std::string_view, N>& names,
                                          const std::string& expected) const {
    std::array<const json_node*, N> found{};
    if (v.t != json_node::type::object || v.count != N) {
      fail(path, expected, v);
    }
    for (const json_node* member = tree_.first_child(v); member != nullptr;
         member = tree_.next_sibling(*member)) {
      std::size_t i = 0;
      while (i < N && names[i] != member->name) {
        ++i;
      }
      if (i == N || found[i] != nullptr) {
        fail(path, expected, v);
      }
      found[i] = member;
    }
    return found;
  }

  // A JSON string, {"hex": "..."}, or either under a header: {"tag":, "length":, "string":}.
  text string(const json_node& v, const where& path) {
    const std::string expected =
        "a string, {\"hex\": \"...\"} or {\"tag\", \"length\", \"string\"}";
    text t;
    if (v.t == json_node::type::string) {
      t.bytes = v.text;
      return t;
    }
    if (v.t == json_node::type::object && v.count == 3) {
      const auto [tag_node, length_node, string_node] =
          members<3>(v, path, {"tag", "length", "string"}, expected);
      const where tag_path{&path, "tag"};
      const auto tag = integer<unsigned char>(*tag_node, tag_path);
      if (!morsel::detail::is_string_tag(tag)) {
        const auto& string_kind = morsel::detail::info(morsel::kind::string);
        fail(tag_path,
             "a string's tag, " + std::to_string(string_kind.tag) + " (" +
                 morsel::detail::hex_byte(string_kind.tag) + ") or " +
                 std::to_string(string_kind.other_tag) + " (" +
                 morsel::detail::hex_byte(string_kind.other_tag) + ")",
             *tag_node);
      }
      t.header = string_header{tag, integer<unsigned char>(*length_node, where{&path, "length"})};
      const where string_path{&path, "string"};
      const std::string one_string = "a string or {\"hex\": \"...\"}";
      if (string_node->t != json_node::type::string && string_node->t != json_node::type::object) {
        fail(string_path, one_string, *string_node);
      }
      t.bytes = string_node->t == json_node::type::string
                    ? string_node->text
                    : hex_bytes(*string_node, string_path, one_string);
      return t;
    }
    t.bytes = hex_bytes(v, path, expected);
    return t;
  }

  // {"hex": "ff00"}: the bytes of the digits. `expected` says what else might have stood there.
  std::string hex_bytes(const json_node& v, const where& path,
                        const std::string& expected = "{\"hex\": \"...\"}") const {
    const auto [hex] = members<1>(v, path, {"hex"}, expected);
    if (hex->t != json_node::type::string || hex->text.size() % 2 != 0) {
      fail(where{&path, "hex"}, "pairs of hex digits", *hex);
    }
    std::string bytes;
    bytes.reserve(hex->text.size() / 2);
    for (std::size_t i = 0; i < hex->text.size(); i += 2) {
      const int high = morsel::detail::hex_digit_value(hex->text[i]);
      const int low = morsel::detail::hex_digit_value(hex->text[i + 1]);
      if (high < 0 || low < 0) {
        fail(where{&path, "hex"}, "pairs of hex digits", *hex);
      }
      bytes += static_cast<char>(high * 16 + low);
    }
    return bytes;
  }

  Person person(const json_node& v, const where& path) {
    const auto [age, height] =
        members<2>(v, path, {"age", "height"}, "an object {\"age\": ..., \"height\": ...}");
    Person p;
    p.age = integer<unsigned char>(*age, where{&path, "age"});
    p.height = floating<float>(*height, where{&path, "height"});
    return p;
  }

  const json_tree& tree_;
  place at_;
};

// The value of an item of the kind `kind_word` ("u32", "string[]") written as `value` in the tree
// of the value at `at`, as decode --json writes it.
parsed_value json_item_value(const json_tree& tree, place at, const std::string& kind_word,
                             const json_node& value);

}  // namespace morsel_cli

#endif  // MORSEL_CLI_JSON_READ_H
