// Spelling C++ types in the schema language (docs/schema.md): each convention spells its type
// (`describe`), and a record or an enum met on the way is named and, once, defined. The schema
// text of morsel::schema<T>() and the names errors give to the values they are in are both spelled
// here. Needs C++20.
#ifndef MORSEL_DETAIL_DESCRIBE_H
#define MORSEL_DETAIL_DESCRIBE_H

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include <morsel/detail/convention.h>
#include <morsel/detail/names.h>
#include <morsel/detail/traits.h>

namespace morsel::detail {

class schema_builder {
 public:
  // Appends the spelling of T to `out`: "vector<Reading>", "map<string, i32>".
  template <typename T>
  void spell(std::string& out) {
    convention<T>::describe(*this, out);
  }

  // A record: its name, and its definition the first time it is met ("Reading {sensor: u32,
  // value: f64}"), after the definitions of the types met before it.
  template <typename T>
  void record(std::string& out) {
    std::size_t at = 0;
    if (define(&identity<T>, type_name_storage<T>.view(), out, at)) {
      std::string definition = " {";
      constexpr auto names = names_of<T>();
      [&]<std::size_t... I>(std::index_sequence<I...>) {
        ((definition += I == 0 ? "" : ", ", definition += names[I], definition += ": ",
          spell<std::remove_cvref_t<
              std::tuple_element_t<I, decltype(members_of(std::declval<T&>()))>>>(definition)),
         ...);
      }
      (std::make_index_sequence<names.size()>{});
      definition += '}';
      definitions_[at].second += definition;
    }
  }

  // An enum: its name, and the first time "Level = enum u8 {debug = 0, info = 1}".
  template <typename E, typename Underlying>
  void enumeration(std::string& out) {
    std::size_t at = 0;
    if (define(&identity<E>, type_name_storage<E>.view(), out, at)) {
      std::string definition = " = enum ";
      spell<Underlying>(definition);
      definition += " {";
      bool first = true;
      for (const auto& [value, name] : enumerators_of<E>()) {
        definition += first ? "" : ", ";
        definition += name;
        definition += " = ";
        definition += std::to_string(static_cast<Underlying>(value));
        first = false;
      }
      definition += '}';
      definitions_[at].second += definition;
    }
  }

  // A type written as another's value: its name, and the first time "Celsius = f64".
  template <typename T, typename S>
  void alias(std::string& out) {
    std::size_t at = 0;
    if (define(&identity<T>, type_name_storage<T>.view(), out, at)) {
      std::string definition = " = ";
      spell<S>(definition);
      definitions_[at].second += definition;
    }
  }

  // Every definition met, one a line, in the order met.
  std::string text() const;

 private:
  template <typename T>
  static constexpr char identity = 0;

  // Appends the name the type at `key` goes by to `out`: `name`, or where another type has
  // taken it, `name_2`, `name_3`... True, with its definition's index in `at`, the first time.
  bool define(const void* key, std::string_view name, std::string& out, std::size_t& at);

  struct named {
    const void* key;
    std::string name;
  };
  std::vector<named> names_;
  std::vector<std::pair<const void*, std::string>> definitions_;  // the name, then the rest
};

// Spells types as schema_builder does, but names the records and enums it meets without defining
// them: the names errors give the values they are in, at a fraction of the compile time.
struct name_speller {
  template <typename T>
  void spell(std::string& out) {
    convention<T>::describe(*this, out);
  }
  template <typename T>
  void record(std::string& out) {
    out += type_name_storage<T>.view();
  }
  template <typename E, typename Underlying>
  void enumeration(std::string& out) {
    out += type_name_storage<E>.view();
  }
  template <typename T, typename S>
  void alias(std::string& out) {
    out += type_name_storage<T>.view();
  }
};

// T spelled alone, as errors name the value they are in.
template <typename T>
std::string spelled() {
  name_speller builder;
  std::string out;
  builder.spell<T>(out);
  return out;
}

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_DESCRIBE_H
