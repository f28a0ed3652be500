// What the program knows of its records and the bytes never carry: member names, enumerator names
// and type names at compile time, and the schema, a text that describes a type and every record
// and enum it uses (docs/schema.md), from which any program reads the bytes back by name. Needs
// C++20.
#ifndef MORSEL_SCHEMA_H
#define MORSEL_SCHEMA_H

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include <morsel/detail/conventions.h>
#include <morsel/detail/describe.h>
#include <morsel/detail/names.h>
#include <morsel/detail/traits.h>

namespace morsel {

// The names of a record's members, in order, as a std::array<std::string_view, N> usable in a
// constant expression: an aggregate's as declared; a type's with `morsel_members` listing member
// pointers, the members'; a type with the std::tie form, their positions "0", "1", ...
template <typename T>
constexpr auto member_names() {
  static_assert(detail::record<T>, "morsel::member_names: T is not a record");
  return detail::names_of<T>();
}

// A record's or an enum's name, as the program spells it, without an anonymous namespace and with
// a template's arguments joined by `_`: "Event", "telemetry::Frame", "Box_int_".
template <typename T>
constexpr std::string_view type_name() {
  return detail::type_name_storage<T>.view();
}

// An enum's named values from -128 to 255 (within its underlying type), each {value, name}, in
// increasing order of value: std::array<enumerator<E>, N>.
using detail::enumerator;
template <typename E>
constexpr auto enumerators() {
  static_assert(std::is_enum_v<E>, "morsel::enumerators: E is not an enum");
  return detail::enumerators_of<E>();
}

// The schema of T: a text, in the language of docs/schema.md, that describes T and every record and
// enum it uses, T first, each on a line of its own, so that the bytes written from a T follow from
// it exactly:
//
//   Event {time_ns: u64, level: Level, source: string, samples: vector<f64>,
//          tags: map<string, string>, code: optional<u32>}
//   Level = enum u8 {debug = 0, info = 1, warn = 2, error = 3}
//
// (one line each). A T that is neither a record nor an enum is named `Value`: "Value =
// vector<Event>". A program writes it once, beside its messages, for any tool to read them by:
// std::ofstream("event.schema") << morsel::schema<Event>();
template <typename T>
std::string schema() {
  detail::schema_builder builder;
  std::string spelled;
  builder.spell<T>(spelled);
  if constexpr (detail::record<T> || std::is_enum_v<T>) {
    return builder.text();
  } else {
    return "Value = " + spelled + "\n" + builder.text();
  }
}

}  // namespace morsel

#endif  // MORSEL_SCHEMA_H
