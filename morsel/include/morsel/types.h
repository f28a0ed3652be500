// The types a schema describes (docs/schema.md), known at run time: a schema's text parsed, so that
// a program that has no C++ type for the bytes (a tool, a program in another version) reads and
// writes them by name, as morsel/value.h does. Needs C++20.
#ifndef MORSEL_TYPES_H
#define MORSEL_TYPES_H

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace morsel {

// A schema that cannot be read: the message names the line and column and what was wrong.
class schema_error : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One type of a schema. Every type is written by the convention its form names, as the C++ type
// it stands for is written (docs/format.md): "vector<f64>" as a std::vector<double>.
struct type {
  enum class form : unsigned char {
    boolean,
    u8,
    u32,
    u64,
    i8,
    i32,
    i64,
    f32,
    f64,
    string,
    person,
    any_item,     // one item of any kind, as reader::next() reads it
    vector,       // parts[0] the element
    array,        // parts[0] the element, `count` of them
    optional,     // parts[0]
    map,          // parts[0] the key, parts[1] the value
    set,          // parts[0] the element
    tuple,        // parts: the elements
    variant,      // parts: the alternatives
    record,       // parts: the members, `member_names` theirs
    enumeration,  // parts[0] the underlying type, `enumerators` the named values
    alias,        // parts[0] the type it is written as
  };

  form what = form::boolean;
  std::string name;  // a record's, an enumeration's or an alias's
  std::vector<const type*> parts;
  std::vector<std::string> member_names;
  std::vector<std::pair<std::int64_t, std::string>> enumerators;
  std::size_t count = 0;

  // A vector or a std::array of u8, u64, f64 or string: the array item, or its long form.
  bool is_array_item() const noexcept;
  // The least number of bytes a value takes, as the C++ type's convention says.
  std::size_t min_size() const noexcept;
  // As a schema spells it: "map<string, i32>", or a record's name.
  std::string spelled() const;
};

// A schema's types, by name; the first defined is the one a message holds unless told otherwise.
class type_set {
 public:
  // Parses a schema's text. Throws schema_error naming the line and column.
  static type_set parse(std::string_view text);

  // The type defined first, or null in an empty schema.
  const type* first() const noexcept { return first_; }
  // The type named `name`, a record's, an enum's or an alias's, or null.
  const type* find(std::string_view name) const;
  // The type an expression of the language spells ("Event", "vector<Event>", "map<string, u8>"),
  // of this schema's types; it lives as long as the set. Throws schema_error naming the column
  // and what is wrong (a name the schema does not define).
  const type& type_of(std::string_view expression);

  // Not copied: types point at each other.
  type_set() = default;
  type_set(const type_set&) = delete;
  type_set& operator=(const type_set&) = delete;
  type_set(type_set&&) noexcept = default;
  type_set& operator=(type_set&&) noexcept = default;

 private:
  friend class schema_parser;
  std::deque<type> types_;  // stable addresses as they are added
  std::map<std::string, type*, std::less<>> named_;
  const type* first_ = nullptr;
};

}  // namespace morsel

#endif  // MORSEL_TYPES_H
