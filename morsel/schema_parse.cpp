// Reading a schema's text (docs/schema.md) into types: definitions of records, enums and aliases,
// one after another, and type expressions built of the words of the kinds and the conventions.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <morsel/detail/convention.h>
#include <morsel/detail/layout.h>
#include <morsel/detail/long_form.h>
#include <morsel/kind.h>
#include <morsel/types.h>

#include "schema_scanner.h"

namespace morsel {
namespace {

using form = type::form;

struct word_form {
  std::string_view word;
  form what;
};

// The words of the types that are one item: the kinds' words, and i64.
constexpr std::array<word_form, 12> kWords = {{
    {detail::info(kind::boolean).word, form::boolean},
    {detail::info(kind::u8).word, form::u8},
    {detail::info(kind::u32).word, form::u32},
    {detail::info(kind::u64).word, form::u64},
    {detail::info(kind::i8).word, form::i8},
    {detail::info(kind::i32).word, form::i32},
    {kI64Word, form::i64},
    {detail::info(kind::f32).word, form::f32},
    {detail::info(kind::f64).word, form::f64},
    {detail::info(kind::string).word, form::string},
    {detail::info(kind::person).word, form::person},
    {"item", form::any_item},
}};

struct convention_form {
  std::string_view word;
  form what;
  std::size_t least_parts;
  std::size_t most_parts;
};

constexpr std::array<convention_form, 7> kConventions = {{
    {"vector", form::vector, 1, 1},
    {"array", form::array, 1, 1},  // and a count
    {"optional", form::optional, 1, 1},
    {"map", form::map, 2, 2},
    {"set", form::set, 1, 1},
    {"tuple", form::tuple, 1, 255},
    {"variant", form::variant, 1, detail::kMaxCount + 1},
}};

}  // namespace

// Builds the type_set; friends with it.
class schema_parser {
 public:
  schema_parser(std::string_view text, type_set& set) : scan_(text), set_(set) {}

  // The type one expression spells, of the set's types only.
  const type& type_of() {
    closed_ = true;
    const type& t = expression(0);
    if (!scan_.at_end()) {
      scan_.fail_expected("the end of the type");
    }
    return t;
  }

  void parse() {
    while (!scan_.at_end()) {
      definition();
    }
    for (const auto& [used, where] : used_) {
      if (!defined_.contains(used)) {
        schema_scanner::fail_at(where, "the type " + used + " is used but not defined");
      }
    }
    for (const type& t : set_.types_) {
      check_finite(t);
    }
  }

 private:
  using place = schema_scanner::place;

  type& add(form what) {
    type& t = set_.types_.emplace_back();
    t.what = what;
    return t;
  }

  // The type named `n`, defined already or yet to be.
  type& named(const std::string& n, place where) {
    const auto found = set_.named_.find(n);
    if (found != set_.named_.end()) {
      return *found->second;
    }
    if (closed_) {
      schema_scanner::fail_at(where, "the schema has no type " + n);
    }
    type& t = add(form::record);
    t.name = n;
    set_.named_.emplace(n, &t);
    used_.emplace(n, where);
    return t;
  }

  // `Name {member: type, ...}`, `Name = enum u8 {a = 0, ...}` or `Name = type`.
  void definition() {
    const place where = scan_.here();
    const std::string n = scan_.name("a type's name");
    if (defined_.contains(n)) {
      schema_scanner::fail_at(where, "the type " + n + " is defined twice");
    }
    for (const word_form& w : kWords) {
      if (n == w.word) {
        schema_scanner::fail_at(where, "the name " + n + " is a kind's");
      }
    }
    type& t = named(n, where);
    defined_.insert(n);
    if (set_.first_ == nullptr) {
      set_.first_ = &t;
    }
    if (scan_.at('{')) {
      t.what = form::record;
      record_members(t);
      return;
    }
    scan_.expect('=', "'{' or '=' after the name " + n);
    if (scan_.accept_word("enum")) {
      t.what = form::enumeration;
      enumeration(t);
      return;
    }
    t.what = form::alias;
    t.parts = {&expression(0)};
  }

  void record_members(type& t) {
    scan_.expect('{', "'{'");
    if (scan_.accept('}')) {
      return;
    }
    do {
      const place where = scan_.here();
      std::string member;
      if (scan_.at_digit()) {
        member = std::to_string(scan_.integer("a member's position"));  // the std::tie form's names
      } else {
        member = scan_.name("a member's name");
      }
      if (std::find(t.member_names.begin(), t.member_names.end(), member) != t.member_names.end()) {
        schema_scanner::fail_at(where, "the member " + member + " is named twice");
      }
      scan_.expect(':', "':' after the member " + member);
      t.member_names.push_back(member);
      t.parts.push_back(&expression(0));
    } while (next_in_list());
    scan_.expect('}', "',' or '}'");
  }

  bool next_in_list() { return scan_.accept(','); }

  void enumeration(type& t) {
    const place where = scan_.here();
    const type& underlying = expression(0);
    switch (underlying.what) {
      case form::boolean:
      case form::u8:
      case form::u32:
      case form::u64:
      case form::i8:
      case form::i32:
      case form::i64:
        break;
      default:
        schema_scanner::fail_at(
            where, "an enum's type is bool or an integer kind, not " + underlying.spelled());
    }
    t.parts = {&underlying};
    scan_.expect('{', "'{' after the enum's type");
    if (scan_.accept('}')) {
      return;
    }
    do {
      std::string n = scan_.name("an enumerator's name");
      scan_.expect('=', "'=' after the enumerator " + n);
      const std::int64_t value = scan_.integer("an enumerator's value");
      if (!holds(underlying.what, value)) {
        scan_.fail("the value " + std::to_string(value) + " of " + n + " is out of the range of " +
                   underlying.spelled());
      }
      t.enumerators.emplace_back(value, std::move(n));
    } while (next_in_list());
    scan_.expect('}', "',' or '}'");
  }

  // An integer kind's range holds `value`.
  static bool holds(form what, std::int64_t value) {
    const auto within = [value](std::int64_t lowest, std::int64_t highest) {
      return value >= lowest && value <= highest;
    };
    switch (what) {
      case form::boolean:
        return within(0, 1);
      case form::u8:
        return within(0, std::numeric_limits<std::uint8_t>::max());
      case form::u32:
        return within(0, std::numeric_limits<std::uint32_t>::max());
      case form::i8:
        return within(std::numeric_limits<std::int8_t>::min(),
                      std::numeric_limits<std::int8_t>::max());
      case form::i32:
        return within(std::numeric_limits<std::int32_t>::min(),
                      std::numeric_limits<std::int32_t>::max());
      case form::u64:
        return value >= 0;
      default:  // i64
        return true;
    }
  }

  const type& expression(std::size_t depth) {
    if (depth > detail::kDefaultDepthLimit) {
      scan_.fail("a type nested deeper than " + std::to_string(detail::kDefaultDepthLimit));
    }
    const place where = scan_.here();
    const std::string n = scan_.name("a type");
    for (const word_form& w : kWords) {
      if (n == w.word) {
        return word(w.what);
      }
    }
    for (const convention_form& c : kConventions) {
      if (n == c.word && scan_.at('<')) {
        return convention(c, depth);
      }
    }
    return named(n, where);
  }

  const type& word(form what) {
    for (const type* known : words_) {
      if (known->what == what) {
        return *known;
      }
    }
    type& t = add(what);
    words_.push_back(&t);
    return t;
  }

  const type& convention(const convention_form& c, std::size_t depth) {
    scan_.expect('<', "'<'");
    type& t = add(c.what);
    do {
      if (t.parts.size() == c.most_parts) {
        scan_.fail(std::string(c.word) + " takes " + std::to_string(c.most_parts) +
                   (c.most_parts == 1 ? " type" : " types"));
      }
      t.parts.push_back(&expression(depth + 1));
      if (c.what == form::array) {
        scan_.expect(',', "',' and a count after the array's element");
        const std::int64_t count = scan_.integer("an array's count");
        if (count < 0 || static_cast<std::uint64_t>(count) > detail::kMaxLongLength) {
          scan_.fail("an array's count is from 0 to 4294967295");
        }
        t.count = static_cast<std::size_t>(count);
        break;
      }
    } while (next_in_list());
    if (t.parts.size() < c.least_parts) {
      scan_.fail(std::string(c.word) + " takes " + std::to_string(c.least_parts) + " types");
    }
    scan_.expect('>', "'>'");
    return t;
  }

  // A value of `t` must end: a record, tuple, std::array, variant, enum or alias may not hold
  // itself but through a vector, a map, a set or an optional.
  void check_finite(const type& t) {
    std::vector<const type*> path;
    visit(t, path);
  }
  void visit(const type& t, std::vector<const type*>& path) {
    if (std::find(path.begin(), path.end(), &t) != path.end()) {
      throw schema_error("the type " + path.front()->spelled() +
                         " holds itself but through a vector, a map, a set or an optional: a "
                         "value of "
                         "it would never end");
    }
    if (t.what == form::vector || t.what == form::map || t.what == form::set ||
        t.what == form::optional) {
      return;
    }
    path.push_back(&t);
    for (const type* part : t.parts) {
      visit(*part, path);
    }
    path.pop_back();
  }

  schema_scanner scan_;
  type_set& set_;
  std::vector<const type*> words_;
  std::map<std::string, place, std::less<>> used_;  // where each name was first used
  std::set<std::string, std::less<>> defined_;
  bool closed_ = false;  // names the set has not defined are errors, not types yet to come
};

type_set type_set::parse(std::string_view text) {
  type_set set;
  schema_parser(text, set).parse();
  return set;
}

const type& type_set::type_of(std::string_view expression) {
  return schema_parser(expression, *this).type_of();
}

const type* type_set::find(std::string_view name) const {
  const auto found = named_.find(name);
  return found == named_.end() ? nullptr : found->second;
}

std::string type::spelled() const {
  if (!name.empty()) {
    return name;
  }
  for (const word_form& w : kWords) {
    if (w.what == what) {
      return std::string(w.word);
    }
  }
  for (const convention_form& c : kConventions) {
    if (c.what == what) {
      std::string text(c.word);
      text += '<';
      for (std::size_t i = 0; i < parts.size(); ++i) {
        text += i == 0 ? "" : ", ";
        text += parts[i]->spelled();
      }
      if (what == form::array) {
        text += ", " + std::to_string(count);
      }
      return text + '>';
    }
  }
  return name;
}

}  // namespace morsel
