// The names the compiler knows and the bytes never carry: a record's member names, an enum's
// enumerator names and a type's name, read at compile time from the name the compiler gives a
// function template instantiated with the thing named (__PRETTY_FUNCTION__, in GCC's and Clang's
// spellings). Nothing is declared by the user for an aggregate:
//   - a member is named through a pointer to the member of an object that is never made (a
//     union's inactive member, so that no constructor runs), bound by structured bindings;
//   - a member listed with `morsel::members<&T::a, ...>` is named through the pointer to member;
//   - a member of the std::tie form has its position for a name ("0", "1", ...);
//   - an enumerator is named where the compiler names the value (from -128 to 255, and within
//     the underlying type); an unnamed value has none.
// Needs C++20.
#ifndef MORSEL_DETAIL_NAMES_H
#define MORSEL_DETAIL_NAMES_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <limits>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>

#include <morsel/detail/aggregate_members.h>
#include <morsel/detail/members.h>
#include <morsel/detail/traits.h>

namespace morsel::detail {

// ---- Reading the compiler's spelling: "... [with auto V = X]" (GCC) or "... [V = X]" (Clang).

template <auto V>
consteval const char* spelled_value() {
  return __PRETTY_FUNCTION__;
}
template <typename T>
consteval const char* spelled_type() {
  return __PRETTY_FUNCTION__;
}

consteval std::string_view argument_of(std::string_view pretty) {
  const std::size_t open = pretty.rfind('[');
  const std::size_t equals = pretty.find(" = ", open);
  const std::size_t end = pretty.rfind(']');
  return pretty.substr(equals + 3, end - equals - 3);
}

consteval bool is_identifier_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// The identifier a spelling ends with, past any closing brackets: "&Account::id_" gives "id_",
// "wrap<int>{(& fake<E>.value.E::time_ns)}" gives "time_ns".
consteval std::string_view last_identifier(std::string_view text) {
  std::size_t end = text.size();
  while (end > 0 && !is_identifier_char(text[end - 1])) {
    --end;
  }
  std::size_t begin = end;
  while (begin > 0 && is_identifier_char(text[begin - 1])) {
    --begin;
  }
  return text.substr(begin, end - begin);
}

// A name copied out of the compiler's spelling into storage of its own.
template <std::size_t N>
struct name_text {
  std::array<char, N + 1> chars{};
  constexpr std::string_view view() const { return {chars.data(), N}; }
};

template <std::size_t N>
consteval name_text<N> copy_name(std::string_view text) {
  name_text<N> copy{};
  for (std::size_t i = 0; i < N; ++i) {
    copy.chars[i] = text[i];
  }
  return copy;
}

// ---- Type names, without the compiler's marks for an anonymous namespace, and with the
// characters of a template's arguments (`<`, `,`, `>`, blanks) as `_`: a name a schema can hold.

inline constexpr std::array<std::string_view, 2> kAnonymousMarks = {"{anonymous}::",
                                                                    "(anonymous namespace)::"};

consteval std::size_t type_name_length(std::string_view spelled) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < spelled.size();) {
    bool skipped = false;
    for (const std::string_view mark : kAnonymousMarks) {
      if (spelled.substr(i).starts_with(mark)) {
        i += mark.size();
        skipped = true;
      }
    }
    if (!skipped) {
      ++length;
      ++i;
    }
  }
  return length;
}

template <std::size_t N>
consteval name_text<N> copy_type_name(std::string_view spelled) {
  name_text<N> copy{};
  std::size_t out = 0;
  for (std::size_t i = 0; i < spelled.size();) {
    bool skipped = false;
    for (const std::string_view mark : kAnonymousMarks) {
      if (spelled.substr(i).starts_with(mark)) {
        i += mark.size();
        skipped = true;
      }
    }
    if (!skipped) {
      const char c = spelled[i++];
      copy.chars[out++] = is_identifier_char(c) || c == ':' ? c : '_';
    }
  }
  return copy;
}

// A class declared inside a function (or a lambda) is named without the function: what follows
// the first "::" after the function's parameters.
consteval std::string_view without_function_scope(std::string_view spelled) {
  const std::size_t parameters_end = spelled.rfind(')');
  if (parameters_end == std::string_view::npos) {
    return spelled;
  }
  const std::size_t scope_end = spelled.find("::", parameters_end);
  return scope_end == std::string_view::npos ? spelled : spelled.substr(scope_end + 2);
}

template <typename T>
consteval std::string_view spelled_type_name() {
  return without_function_scope(argument_of(spelled_type<T>()));
}

template <typename T>
inline constexpr auto type_name_storage =
    copy_type_name<type_name_length(spelled_type_name<T>())>(spelled_type_name<T>());

// ---- Member names.

// An object of T that is never made (a union's inactive member): its members' addresses are
// constants, and no constructor of T runs. It is not itself constexpr, so that T need not be a
// literal type (a std::map member).
template <typename T>
union unmade {
  char none;
  T value;
  constexpr unmade() : none() {}
  ~unmade() {}  // T's is never run: T was never made
};
template <typename T>
inline const unmade<T> unmade_object{};

template <typename M>
struct member_address {
  const M* at;
};

// The members of the unmade object, as references: bound once for all of them.
template <typename T>
inline constexpr auto unmade_members =
    aggregate_members<aggregate_initializer_count<T>()>(unmade_object<T>.value);

template <typename T, std::size_t I>
consteval auto address_of_member() {
  using M = std::remove_cvref_t<
      std::tuple_element_t<I, std::remove_cvref_t<decltype(unmade_members<T>)>>>;
  return member_address<M>{&member_at<I>(unmade_members<T>)};
}

consteval std::size_t digits_of(std::size_t n) {
  return n < 10 ? 1 : 1 + digits_of(n / 10);
}

template <std::size_t I>
consteval name_text<digits_of(I)> position_name() {
  name_text<digits_of(I)> text{};
  std::size_t n = I;
  for (std::size_t i = digits_of(I); i-- > 0; n /= 10) {
    text.chars[i] = static_cast<char>('0' + n % 10);
  }
  return text;
}

template <typename T, std::size_t I>
consteval std::string_view raw_member_name() {
  if constexpr (listed<T>) {
    return []<auto... P>(morsel::members<P...> /*list*/) {
      constexpr std::array<std::string_view, sizeof...(P)> names = {
          last_identifier(argument_of(spelled_value<P>()))...};
      return names[I];
    }
    (typename T::morsel_members{});
  } else {
    return last_identifier(argument_of(spelled_value<address_of_member<T, I>()>()));
  }
}

template <typename T, std::size_t I>
inline constexpr auto member_name_storage = [] {
  if constexpr (described<T> && !listed<T>) {
    return position_name<I>();  // the std::tie form names no member
  } else {
    return copy_name<raw_member_name<T, I>().size()>(raw_member_name<T, I>());
  }
}();

template <typename T>
inline constexpr std::size_t member_count =
    std::tuple_size_v<decltype(members_of(std::declval<T&>()))>;

template <typename T, std::size_t... I>
constexpr std::array<std::string_view, sizeof...(I)> member_names_of(
    std::index_sequence<I...> /*members*/) {
  return {member_name_storage<T, I>.view()...};
}

template <typename T>
constexpr auto names_of() {
  return member_names_of<T>(std::make_index_sequence<member_count<T>>{});
}

// ---- Enumerators.

template <typename E>
struct enumerator {
  E value;
  std::string_view name;
};

// An enum with a fixed underlying type (scoped, or declared with `: type`) holds every value of
// that type; one without holds only the values its enumerators' bits span, and making any other
// is undefined, so its values are not looked for at all: it has no names.
template <typename E>
concept fixed_enum = requires {
  E{std::underlying_type_t<E>{}};
};

// The values an enum's names are looked for among: -128 to 255, within the underlying type.
template <typename E>
consteval long lowest_named() {
  using U = std::underlying_type_t<E>;
  if constexpr (std::is_signed_v<U>) {
    return std::max<long>(-128, std::numeric_limits<U>::min());
  } else {
    return 0;
  }
}
template <typename E>
consteval long highest_named() {
  using U = std::underlying_type_t<E>;
  if constexpr (!fixed_enum<E>) {
    return lowest_named<E>() - 1;  // none
  } else if constexpr (std::is_same_v<U, bool>) {
    return 1;
  } else {
    return static_cast<long>(
        std::min<unsigned long>(255, static_cast<unsigned long>(std::numeric_limits<U>::max())));
  }
}

// The compiler spells a named value by its name ("ns::Level::info") and any other by a cast
// ("(ns::Level)7").
template <typename E, long V>
consteval std::string_view raw_enumerator_name() {
  const std::string_view argument = argument_of(spelled_value<static_cast<E>(V)>());
  return argument.starts_with('(') ? std::string_view() : last_identifier(argument);
}

template <typename E>
inline constexpr std::size_t value_count = static_cast<std::size_t>(highest_named<E>() -
                                                                    lowest_named<E>() + 1);

template <typename E>
inline constexpr auto all_values = std::make_index_sequence<value_count<E>>{};

// The names of every value from the lowest to the highest looked for, empty where unnamed: an
// array, not a fold, so that no expression nests as deep as the values are many.
template <typename E, std::size_t... I>
consteval std::array<std::string_view, value_count<E>> raw_enumerator_names(
    std::index_sequence<I...> /*values*/) {
  return {raw_enumerator_name<E, lowest_named<E>() + static_cast<long>(I)>()...};
}

template <typename E>
consteval std::size_t names_size() {
  std::size_t size = 0;
  for (const std::string_view name : raw_enumerator_names<E>(all_values<E>)) {
    size += name.size();
  }
  return size;
}

template <typename E>
consteval std::size_t named_values() {
  std::size_t count = 0;
  for (const std::string_view name : raw_enumerator_names<E>(all_values<E>)) {
    count += name.empty() ? 0U : 1U;
  }
  return count;
}

// Every name of E, one after another, in one piece of storage.
template <typename E>
inline constexpr auto enumerator_names_storage = [] {
  name_text<names_size<E>()> text{};
  std::size_t at = 0;
  for (const std::string_view name : raw_enumerator_names<E>(all_values<E>)) {
    for (const char c : name) {
      text.chars[at++] = c;
    }
  }
  return text;
}();

template <typename E>
consteval std::array<enumerator<E>, named_values<E>()> enumerators_of() {
  std::array<enumerator<E>, named_values<E>()> named{};
  const std::string_view all = enumerator_names_storage<E>.view();
  std::size_t next = 0;
  std::size_t at = 0;
  long value = lowest_named<E>();
  for (const std::string_view name : raw_enumerator_names<E>(all_values<E>)) {
    if (!name.empty()) {
      named[next++] = {static_cast<E>(value), all.substr(at, name.size())};
      at += name.size();
    }
    ++value;
  }
  return named;
}

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_NAMES_H
