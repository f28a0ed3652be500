// Reading the notation: a parser with one token of lookahead over the lexer's tokens (lexer.h), so
// that an item may span lines.
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
#include <utility>
#include <vector>

#include <morsel/detail/measure.h>
#include <morsel/kind.h>

#include "lexer.h"
#include "notation.h"

namespace morsel_cli {
namespace {

using notation_lexing::fail_at;
using notation_lexing::lexer;
using notation_lexing::token;
using notation_lexing::token_kind;

// The text ends inside an item, and more of it follows: the item is read again from its start
// once it has come.
struct more_needed {};

class parser {
 public:
  parser(std::string_view text, const text_part& where)
      : lexer_(text, where.line, where.column), last_(where.last) {
    advance();
  }

  parsed_part items() {
    parsed_part part;
    for (;;) {
      const token start = current_;
      if (start.kind == token_kind::end) {
        part.rest = {start.offset, start.line, start.column};
        return part;
      }
      try {
        part.items.push_back(item());
      } catch (const more_needed&) {
        part.rest = {start.offset, start.line, start.column};
        return part;
      } catch (const notation_error& e) {
        part.error = e.what();
        return part;
      }
    }
  }

 private:
  void advance() { current_ = lexer_.next(); }

  [[noreturn]] void fail(const std::string& expected) const {
    if (current_.kind == token_kind::end && !last_) {
      throw more_needed{};
    }
    std::string found;
    switch (current_.kind) {
      case token_kind::word:
      case token_kind::punct:
        found = "'" + current_.text + "'";
        break;
      case token_kind::string:
        found = "a string";
        break;
      case token_kind::end:
        found = "the end of the input";
        break;
    }
    fail_at(current_.line, current_.column, "expected " + expected + ", got " + found);
  }

  bool at_punct(char c) const {
    return current_.kind == token_kind::punct && current_.text[0] == c;
  }

  void expect_punct(char c, const std::string& what) {
    if (!at_punct(c)) {
      fail(what);
    }
    advance();
  }

  // The current word, which the caller then consumes.
  const std::string& word(const std::string& expected) const {
    if (current_.kind != token_kind::word) {
      fail(expected);
    }
    return current_.text;
  }

  parsed_item item() {
    if (current_.kind == token_kind::word && current_.text[0] >= '0' && current_.text[0] <= '9') {
      advance();  // an offset, as decode prints it; not checked
      expect_punct(':', "':' after the offset");
    }
    const token kind_token = current_;
    std::string kind_word = word(
        "a kind (bool, u8, u32, u64, i8, i32, i64, f32, f64, string, "
        "u8[], u64[], f64[], string[], person, extra)");
    advance();
    // An array kind, "u8[]": its brackets are tokens of their own.
    if (at_punct('[') && kind_of_word(kind_word + "[]")) {
      advance();
      expect_punct(']', "']' (an array kind is written " + kind_word + "[])");
      kind_word += "[]";
    }
    if (kind_word == morsel::kI64Word) {
      return {integer<long>(), kind_token.line};
    }
    if (kind_word == "extra") {
      return {extra{list<unsigned char>([this] { return integer<unsigned char>(); })},
              kind_token.line};
    }
    if (const auto k = kind_of_word(kind_word)) {
      return {value_of(*k), kind_token.line};
    }
    fail_at(kind_token.line, kind_token.column, "unknown kind '" + kind_word + "'");
  }

  static std::optional<morsel::kind> kind_of_word(std::string_view word) {
    for (std::size_t i = 0; i < morsel::kind_count; ++i) {
      const auto k = static_cast<morsel::kind>(i);
      if (morsel::detail::info(k).word == word) {
        return k;
      }
    }
    return std::nullopt;
  }

  parsed_value value_of(morsel::kind k) {
    switch (k) {
      case morsel::kind::boolean: {
        const std::string& w = word("true or false");
        if (w != "true" && w != "false") {
          fail("true or false");
        }
        const bool flag = w == "true";
        advance();
        return flag;
      }
      case morsel::kind::u8:
        return integer<unsigned char>();
      case morsel::kind::u32:
        return integer<unsigned int>();
      case morsel::kind::u64:
        return integer<unsigned long>();
      case morsel::kind::i8:
        return integer<signed char>();
      case morsel::kind::i32:
        return integer<int>();
      case morsel::kind::f32:
        return floating<float>();
      case morsel::kind::f64:
        return floating<double>();
      case morsel::kind::string:
        return string();
      case morsel::kind::u8_array:
        return list<unsigned char>([this] { return integer<unsigned char>(); });
      case morsel::kind::u64_array:
        return list<unsigned long>([this] { return integer<unsigned long>(); });
      case morsel::kind::f64_array:
        return list<double>([this] { return floating<double>(); });
      case morsel::kind::string_array:
        return list<text>([this] { return string(); });
      case morsel::kind::person:
        return person();
    }
    return false;  // not reached: every kind is listed
  }

  template <typename T, typename Element>
  std::vector<T> list(Element element) {
    expect_punct('[', "'['");
    std::vector<T> values;
    while (!at_punct(']')) {
      values.push_back(element());
      if (at_punct(',')) {
        advance();
      }
    }
    advance();
    return values;
  }

  template <typename T>
  T integer() {
    const std::string expected = "an integer from " +
                                 std::to_string(std::numeric_limits<T>::min()) + " to " +
                                 std::to_string(std::numeric_limits<T>::max());
    std::string_view digits = word(expected);
    const bool negative = digits.starts_with('-');
    if (negative || digits.starts_with('+')) {
      digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
      base = 16;
      digits.remove_prefix(2);
    }
    unsigned long magnitude = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), magnitude, base);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
      fail(expected);
    }
    using U = std::make_unsigned_t<T>;
    const auto most = static_cast<unsigned long>(std::numeric_limits<T>::max());
    const bool fits = negative ? std::is_signed_v<T> && magnitude <= most + 1 : magnitude <= most;
    if (!fits && !(negative && magnitude == 0)) {
      fail(expected);
    }
    advance();
    // Two's complement by unsigned arithmetic, then to T: no signed overflow anywhere.
    return static_cast<T>(static_cast<U>(negative ? 0UL - magnitude : magnitude));
  }

  template <typename T>
  T floating() {
    using Bits = std::conditional_t<std::is_same_v<T, float>, std::uint32_t, std::uint64_t>;
    const std::string expected = "a number, inf, -inf, nan or nan:0x and its bits";
    const std::string w = word(expected);
    const std::size_t line = current_.line;
    const std::size_t column = current_.column;
    advance();
    if (w == "nan") {
      if (!at_punct(':')) {
        return std::numeric_limits<T>::quiet_NaN();
      }
      advance();
      std::string_view bits = word("the NaN's bits, as 0x and hex digits");
      if (!bits.starts_with("0x")) {
        fail("the NaN's bits, as 0x and hex digits");
      }
      bits.remove_prefix(2);
      Bits pattern = 0;
      const auto [end, error] =
          std::from_chars(bits.data(), bits.data() + bits.size(), pattern, 16);
      if (bits.empty() || error != std::errc() || end != bits.data() + bits.size() ||
          !std::isnan(std::bit_cast<T>(pattern))) {
        fail("the bits of a NaN");
      }
      advance();
      return std::bit_cast<T>(pattern);
    }
    // Decimal, or hex after "0x" (C's hex float: 0x10, 0x1.8p1), as integers may be.
    std::string_view digits = w;
    const bool negative = digits.starts_with('-');
    if (negative || digits.starts_with('+')) {
      digits.remove_prefix(1);
    }
    const bool hex = digits.starts_with("0x") || digits.starts_with("0X");
    if (hex) {
      digits.remove_prefix(2);
    }
    T number{};
    const auto [end, error] = hex ? std::from_chars(digits.data(), digits.data() + digits.size(),
                                                    number, std::chars_format::hex)
                                  : std::from_chars(w.data(), w.data() + w.size(), number);
    if (hex && !digits.empty() && error == std::errc() && negative) {
      number = -number;
    }
    if (error != std::errc() || end != w.data() + w.size() || (hex && digits.empty())) {
      fail_at(line, column,
              "expected " + expected + ", got '" + w + "' (out of range, or not a number)");
    }
    return number;
  }

  // A string, after "<tag length>" when its header is not the usual one.
  text string() {
    text t;
    if (at_punct('<')) {
      advance();
      const token tag_token = current_;
      const auto tag = integer<unsigned char>();
      if (!morsel::detail::is_string_tag(tag)) {
        fail_at(tag_token.line, tag_token.column,
                "a string's tag is " + morsel::detail::tags_of(morsel::kind::string));
      }
      const auto length = integer<unsigned char>();
      expect_punct('>', "'>' after a string's tag and length byte");
      t.header = string_header{tag, length};
    }
    if (current_.kind != token_kind::string) {
      fail("a string in double quotes");
    }
    t.bytes = current_.text;
    advance();
    return t;
  }

  Person person() {
    Person p;
    expect_punct('{', "'{'");
    if (word("age") != "age") {
      fail("age");
    }
    advance();
    expect_punct(':', "':'");
    p.age = integer<unsigned char>();
    if (at_punct(',')) {
      advance();
    }
    if (word("height") != "height") {
      fail("height");
    }
    advance();
    expect_punct(':', "':'");
    p.height = floating<float>();
    expect_punct('}', "'}'");
    return p;
  }

  lexer lexer_;
  bool last_;  // nothing follows the text
  token current_;
};

}  // namespace

std::vector<parsed_item> parse_notation(std::string_view text) {
  parsed_part part = parser(text, text_part{}).items();
  if (!part.error.empty()) {
    throw notation_error(part.error);
  }
  return std::move(part.items);
}

parsed_part parse_notation_part(std::string_view text, const text_part& where) {
  return parser(text, where).items();
}

}  // namespace morsel_cli
