// How a record's members are found. A record is a run of items, its members' in declaration
// order; it has no tag of its own. Needs C++20.
//
// A plain aggregate (public members, no base classes, no user constructors) needs nothing
// declared: its members are counted at compile time (up to 64) and bound by structured bindings.
// Any other type names its members once, in the order they are written, by listing pointers to
// them, from which their names follow (morsel/schema.h):
//
//   class Sample {
//     unsigned int id_ = 0;
//     std::string name_;
//    public:
//     using morsel_members = morsel::members<&Sample::id_, &Sample::name_>;
//   };
//
// or with a function found by argument-dependent lookup that returns references to them, whose
// members are then named by their positions ("0", "1"):
//
//     friend auto morsel_members(auto& self) { return std::tie(self.id_, self.name_); }
//
// (`auto&` serves the const object, when writing, and the mutable one, when reading; reading also
// needs the type to be default-constructible.) Either wins over the count, so an aggregate may
// declare one to choose its members. Neither costs anything at run time.
//
// What each member type is written as is in morsel/detail/conventions_*.h.
#ifndef MORSEL_DETAIL_MEMBERS_H
#define MORSEL_DETAIL_MEMBERS_H

#include <cstddef>
#include <exception>
#include <tuple>
#include <type_traits>
#include <utility>

#include <morsel/detail/aggregate_members.h>
#include <morsel/detail/traits.h>
#include <morsel/morsel.h>

namespace morsel::detail {

// ---- Counting an aggregate's members.

// Converts to any member type: stands for one initializer when the members of an aggregate of
// type Owner are counted. Only named in unevaluated requirements. Not to Owner itself (one
// initializer would then be a copy), and not to std::optional or a tuple of one element, whose
// converting constructors from any one value would make the conversion ambiguous and the count
// wrong: they are initialized through those constructors instead. Defined, though never run:
// Clang takes a use in std::optional's requirements for a call, and refuses a call of an
// undefined function to a type of an anonymous namespace.
template <typename Owner>
struct any_member {
  template <typename T>
  requires(!std::is_same_v<T, Owner> && !is_optional<T> && !is_single_tuple<T>) [[noreturn]]
  operator T() const {  // NOLINT(google-explicit-constructor)
    std::terminate();
  }
};

template <typename T, std::size_t... I>
constexpr bool brace_initializable(std::index_sequence<I...> /*initializers*/) {
  return requires {
    T{(static_cast<void>(I), any_member<T>{})...};
  };
}

// An aggregate takes as many initializers as it has members, and no more; but a C array member
// takes one for each of its elements (brace elision).
template <typename T, std::size_t N = kMaxAggregateMembers>
constexpr std::size_t aggregate_initializer_count() {
  if constexpr (N == 0 || brace_initializable<T>(std::make_index_sequence<N>{})) {
    return N;
  } else {
    return aggregate_initializer_count<T, N - 1>();
  }
}

// Parenthesized initialization elides no braces: it stops at a C array member, which no single
// initializer can initialize. Where the compiler lacks it, a C array member is left to fail at
// the structured binding.
template <typename T, std::size_t... I>
constexpr bool paren_initializable(std::index_sequence<I...> /*initializers*/) {
#if defined(__cpp_aggregate_paren_init) && __cpp_aggregate_paren_init >= 201902L
  return requires {
    T((static_cast<void>(I), any_member<T>{})...);
  };
#else
  return true;
#endif
}

// Converts only to a base class of T: an aggregate's first initializers are its bases'.
template <typename T>
struct any_base {
  template <typename B>
  requires(std::is_base_of_v<B, T> && !std::is_same_v<B, T>) [[noreturn]] operator B()
      const {  // NOLINT(google-explicit-constructor): as any_member's, never run
    std::terminate();
  }
};

template <typename T>
inline constexpr bool has_base = requires {
  T{any_base<T>{}};
};

// A row of references (or a type's own std::tuple of them) to the members of `value` (T may be
// const), in the order they are written.
template <record T>
constexpr auto members_of(T& value) {
  if constexpr (listed<std::remove_const_t<T>>) {
    return []<auto... P>(T & of, morsel::members<P...> /*list*/) {
      return refs_of(of.*P...);
    }
    (value, typename std::remove_const_t<T>::morsel_members{});
  } else if constexpr (described<T>) {
    return morsel_members(value);
  } else {
    using plain = std::remove_const_t<T>;
    constexpr std::size_t count = aggregate_initializer_count<plain>();
    if constexpr (has_base<plain>) {
      static_assert(dependent_false<plain>,
                    "morsel: an aggregate with a base class is not counted: name its members, the "
                    "base's included, with morsel_members(auto& self) returning std::tie(...)");
      return std::tuple<>();
    } else if constexpr (!paren_initializable<plain>(std::make_index_sequence<count>{})) {
      static_assert(dependent_false<plain>,
                    "morsel: a C array member cannot be written or read: make it a std::array");
      return std::tuple<>();
    } else if constexpr (brace_initializable<plain>(
                             std::make_index_sequence<kMaxAggregateMembers + 1>{})) {
      static_assert(dependent_false<plain>,
                    "morsel: an aggregate of more than 64 members is not counted: name its "
                    "members with morsel_members(auto& self) returning std::tie(...), or group "
                    "them in nested records");
      return std::tuple<>();
    } else {
      return aggregate_members<count>(value);
    }
  }
}

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_MEMBERS_H
