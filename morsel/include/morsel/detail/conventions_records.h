// The conventions of values made of parts that are all there, in a row: records, std::pair and
// std::tuple, std::array of elements other than the array item's. Each part is written by its own
// convention, and nothing before them. Needs C++20.
#ifndef MORSEL_DETAIL_CONVENTIONS_RECORDS_H
#define MORSEL_DETAIL_CONVENTIONS_RECORDS_H

#include <array>
#include <cstddef>
#include <tuple>
#include <type_traits>
#include <utility>

#include <morsel/detail/convention.h>
#include <morsel/detail/layout.h>
#include <morsel/detail/measure.h>
#include <morsel/detail/members.h>
#include <morsel/detail/names.h>
#include <morsel/detail/traits.h>

namespace morsel::detail {

// ---- Parts in a row: records (members), tuples and pairs (elements), std::arrays (elements).
// `Parts` lists the parts of a value: `count`, `type<I>`, `at<I>(value)` and the step a part's
// failure is reported at.

template <typename Parts>
struct in_a_row {
  template <std::size_t... I>
  static constexpr std::size_t min_of(std::index_sequence<I...> /*parts*/) {
    return (std::size_t{0} + ... + detail::min_size<typename Parts::template type<I>>());
  }
  template <std::size_t... I>
  static constexpr std::size_t max_of(std::index_sequence<I...> /*parts*/) {
    return max_sum<typename Parts::template type<I>...>();
  }
  template <std::size_t... I>
  static constexpr std::size_t fixed_of(std::index_sequence<I...> /*parts*/) {
    return fixed_sum<typename Parts::template type<I>...>();
  }
  template <std::size_t... I>
  static constexpr std::size_t nesting_of(std::index_sequence<I...> /*parts*/) {
    return around(deepest<typename Parts::template type<I>...>());
  }
  static constexpr auto parts = std::make_index_sequence<Parts::count>{};

  template <typename B>
  static void describe(B& builder, std::string& out) {
    Parts::describe(builder, out);
  }

  static constexpr std::size_t min_size() { return min_of(parts); }
  static constexpr std::size_t max_size() { return max_of(parts); }
  static constexpr std::size_t fixed_size() { return fixed_of(parts); }
  static constexpr std::size_t nesting() { return nesting_of(parts); }

  template <typename W, typename T>
  static void write(W& out, const T& value) {
    if constexpr (fixed_size() != 0) {
      if (out.nesting_fits(nesting())) [[likely]] {
        put(out.claim(fixed_size()), value);  // cannot fail once room is made
        return;
      }
    }
    [[maybe_unused]] const auto level = out.template open<nesting()>();
    write_parts(out, value);
  }

  template <typename W, typename T>
  static void write_parts(W& out, const T& value) {
    std::size_t index = 0;
    try {
      decltype(auto) tied = Parts::tie(value);  // once: 64 members are 64 parts, not 64 ties
      [&]<std::size_t... I>(std::index_sequence<I...>) {
        ((index = I, convention<typename Parts::template type<I>>::write(out, member_at<I>(tied))),
         ...);
      }
      (parts);
    } catch (...) {
      out.fail_at(Parts::step(index));
    }
  }

  // Every part can be read into: a const member (or a std::pair<const K, V>) cannot.
  static constexpr bool readable() {
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
      return (readable_part<std::remove_reference_t<decltype(Parts::template at<I>(
                  std::declval<typename Parts::value_type&>()))>>() &&
              ...);
    }
    (parts);
  }

  template <typename R, typename T>
  static void read(R& in, T& value) {
    if constexpr (readable()) {  // else refused, once, by readable()
      read_readable(in, value);
    }
  }

  template <typename R, typename T>
  static void read_readable(R& in, T& value) {
    if constexpr (fixed_size() != 0) {
      const unsigned char* at = in.here();
      if (in.nesting_fits(nesting()) && in.left() >= fixed_size() && get_checked(at, value))
          [[likely]] {
        in.advance(fixed_size());
        return;
      }
      // a tag is wrong, the bytes end, or it nests too deep: part by part says where
    }
    [[maybe_unused]] const auto level = in.template open<nesting()>();
    read_parts(in, value);
  }

  template <typename R, typename T>
  static void read_parts(R& in, T& value) {
    std::size_t index = 0;
    try {
      decltype(auto) tied = Parts::tie(value);
      [&]<std::size_t... I>(std::index_sequence<I...>) {
        ((index = I, convention<typename Parts::template type<I>>::read(in, member_at<I>(tied))),
         ...);
      }
      (parts);
    } catch (...) {
      in.fail_at(Parts::step(index));
    }
  }

  static measured extent(const unsigned char* at, std::size_t left, std::size_t depth) noexcept {
    if (depth == 0) {
      return too_deep();
    }
    if constexpr (fixed_size() != 0) {
      if (left >= fixed_size()) {
        return fixed_tags<typename Parts::value_type>(at, depth);
      }
    }
    part_walk walk{at, left, depth - 1};
    [&]<std::size_t... I>(std::index_sequence<I...>) {
      (void)(walk.template add<typename Parts::template type<I>>(least_after<I>()) && ...);
    }
    (parts);
    return walk.result();
  }

  template <typename T>
  static unsigned char* put(unsigned char* out, const T& value) {  // a surrogate's `to` may throw
    decltype(auto) tied = Parts::tie(value);
    [&]<std::size_t... I>(std::index_sequence<I...>) {
      ((out = convention<typename Parts::template type<I>>::put(out, member_at<I>(tied))), ...);
    }
    (parts);
    return out;
  }
  static constexpr bool calls_from() {
    return []<std::size_t... I>(std::index_sequence<I...>) {
      return (detail::calls_from<typename Parts::template type<I>>() || ...);
    }
    (parts);
  }
  static bool tags_fit(const unsigned char* at) noexcept {
    // Every part checked, with no branch between them: `&` of 0 and 1, not `&&`.
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
      return (static_cast<unsigned>(
                  convention<typename Parts::template type<I>>::tags_fit(at + offset_of<I>())) &
              ...) != 0;
    }
    (parts);
  }
  // The fewest bytes the parts after part I take: a value cut short in part I needs them too,
  // so that a stream fed a byte at a time measures it again only once they are there.
  template <std::size_t I>
  static constexpr std::size_t least_after() {
    return [&]<std::size_t... J>(std::index_sequence<J...>) {
      return (std::size_t{0} + ... + detail::min_size<typename Parts::template type<I + 1 + J>>());
    }
    (std::make_index_sequence<Parts::count - 1 - I>{});
  }
  // Where part I starts in a value of fixed size.
  template <std::size_t I>
  static constexpr std::size_t offset_of() {
    return [&]<std::size_t... J>(std::index_sequence<J...>) {
      return (std::size_t{0} + ... + detail::fixed_size<typename Parts::template type<J>>());
    }
    (std::make_index_sequence<I>{});
  }
  template <typename T>
  static bool get(const unsigned char*& in, T& value) noexcept {
    bool ok = true;
    decltype(auto) tied = Parts::tie(value);
    [&]<std::size_t... I>(std::index_sequence<I...>) {
      ((ok &= convention<typename Parts::template type<I>>::get(in, member_at<I>(tied))), ...);
    }
    (parts);
    return ok;
  }
};

template <typename T>
struct record_parts {
  using value_type = T;
  using members = decltype(members_of(std::declval<T&>()));
  static constexpr std::size_t count = std::tuple_size_v<members>;
  template <std::size_t I>
  using type = std::remove_cvref_t<std::tuple_element_t<I, members>>;
  template <std::size_t I, typename V>
  static constexpr auto& at(V& value) {
    return member_at<I>(members_of(value));
  }
  // The members as a row of references.
  template <typename V>
  static constexpr auto tie(V& value) {
    return members_of(value);
  }
  static path_step step(std::size_t index) {
    static constexpr auto names = names_of<T>();  // not made at run time: a constant
    return {step_kind::member, index, names[index], {}};
  }
  template <typename B>
  static void describe(B& builder, std::string& out) {
    builder.template record<T>(out);
  }
};

template <typename T>
struct tuple_parts {
  using value_type = T;
  static constexpr std::size_t count = std::tuple_size_v<T>;
  template <std::size_t I>
  using type = std::remove_cvref_t<std::tuple_element_t<I, T>>;
  template <std::size_t I, typename V>
  static constexpr auto& at(V& value) {
    return std::get<I>(value);
  }
  template <typename V>
  static constexpr V& tie(V& value) {
    return value;
  }
  static path_step step(std::size_t index) { return {step_kind::element, index, {}, {}}; }
  template <typename B>
  static void describe(B& builder, std::string& out) {
    [&]<std::size_t... I>(std::index_sequence<I...>) {
      describe_generic<type<I>...>(builder, out, "tuple");
    }
    (std::make_index_sequence<count>{});
  }
};

template <typename T>
struct convention<T, shape::record> : in_a_row<record_parts<T>> {};

template <typename T>
struct convention<T, shape::tuple> : in_a_row<tuple_parts<T>> {};

// A std::array of any other element: N elements in a row.
template <typename A>
struct convention<A, shape::element_array> {
  using E = typename A::value_type;
  static constexpr std::size_t N = std::tuple_size_v<A>;
  static constexpr std::size_t min_size() { return saturating_mul(detail::min_size<E>(), N); }
  static constexpr std::size_t max_size() { return saturating_mul(detail::max_size<E>(), N); }
  static constexpr std::size_t fixed_size() { return N * detail::fixed_size<E>(); }
  static constexpr std::size_t nesting() { return around(convention<E>::nesting()); }

  template <typename B>
  static void describe(B& builder, std::string& out) {
    out += "array<";
    builder.template spell<E>(out);
    out += ", " + std::to_string(N) + '>';
  }
  template <typename W>
  static void write(W& out, const A& values) {
    if constexpr (fixed_size() != 0) {
      if (out.nesting_fits(nesting())) [[likely]] {
        put(out.claim(fixed_size()), values);
        return;
      }
    }
    [[maybe_unused]] const auto level = out.template open<nesting()>();
    std::size_t i = 0;
    try {
      for (; i < N; ++i) {
        convention<E>::write(out, values[i]);
      }
    } catch (...) {
      out.fail_at({step_kind::element, i, {}, {}});
    }
  }
  template <typename R>
  static void read(R& in, A& values) {
    if constexpr (readable_part<E>()) {  // else refused, once
      read_checked(in, values);
    }
  }
  template <typename R>
  static void read_checked(R& in, A& values) {
    if constexpr (fixed_size() != 0) {
      const unsigned char* at = in.here();
      if (in.nesting_fits(nesting()) && in.left() >= fixed_size() && get_checked(at, values))
          [[likely]] {
        in.advance(fixed_size());
        return;
      }
    }
    [[maybe_unused]] const auto level = in.template open<nesting()>();
    std::size_t i = 0;
    try {
      for (; i < N; ++i) {
        convention<E>::read(in, values[i]);
      }
    } catch (...) {
      in.fail_at({step_kind::element, i, {}, {}});
    }
  }
  static measured extent(const unsigned char* at, std::size_t left, std::size_t depth) noexcept {
    if (depth == 0) {
      return too_deep();
    }
    if constexpr (fixed_size() != 0) {
      // cppcheck-suppress unsignedPositive ; fixed_size() is not 0 here
      if (left >= fixed_size()) {
        return fixed_tags<A>(at, depth);
      }
    }
    part_walk walk{at, left, depth - 1};
    for (std::size_t i = 0; i < N && walk.template add<E>(); ++i) {
    }
    return walk.result();
  }
  static unsigned char* put(unsigned char* out, const A& values) {
    for (const E& value : values) {
      out = convention<E>::put(out, value);
    }
    return out;
  }
  static constexpr bool calls_from() { return detail::calls_from<E>(); }
  static bool tags_fit(const unsigned char* at) noexcept {
    bool fit = true;
    for (std::size_t i = 0; i < N; ++i) {
      fit &= convention<E>::tags_fit(at + i * detail::fixed_size<E>());
    }
    return fit;
  }
  static bool get(const unsigned char*& in, A& values) noexcept {
    bool ok = true;
    for (E& value : values) {
      ok &= convention<E>::get(in, value);
    }
    return ok;
  }
};

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_CONVENTIONS_RECORDS_H
