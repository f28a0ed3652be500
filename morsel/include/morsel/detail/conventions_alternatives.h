// The conventions of values that hold one of several: std::optional (`A1` when empty, `A0` and
// the value's items when it holds one) and std::variant (a u8 item of the alternative's index,
// then its items). Needs C++20.
#ifndef MORSEL_DETAIL_CONVENTIONS_ALTERNATIVES_H
#define MORSEL_DETAIL_CONVENTIONS_ALTERNATIVES_H

#include <cstddef>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

#include <morsel/detail/convention.h>
#include <morsel/detail/conventions_items.h>
#include <morsel/detail/measure.h>
#include <morsel/detail/traits.h>

namespace morsel::detail {

// ---- std::optional: A1 when empty; A0 and the value's items when it holds one.

template <typename O>
struct convention<O, shape::optional> {
  using T = typename O::value_type;
  static constexpr std::size_t min_size() { return convention<bool>::min_size(); }
  static constexpr std::size_t max_size() { return saturating_add(1, detail::max_size<T>()); }
  static constexpr std::size_t fixed_size() { return 0; }
  static constexpr std::size_t nesting() { return around(convention<T>::nesting()); }

  template <typename B>
  static void describe(B& builder, std::string& out) {
    describe_generic<T>(builder, out, "optional");
  }
  template <typename W>
  static void write(W& out, const O& value) {
    [[maybe_unused]] const auto level = out.template open<nesting()>();
    convention<bool>::write(out, value.has_value());
    if (value) {
      convention<T>::write(out, *value);
    }
  }
  template <typename R>
  static void read(R& in, O& value) {
    if constexpr (readable_part<T>()) {  // else refused, once
      [[maybe_unused]] const auto level = in.template open<nesting()>();
      bool present = false;
      convention<bool>::read(in, present);
      if (!present) {
        value.reset();
      } else if (value) {
        convention<T>::read(in, *value);
      } else if constexpr (std::is_default_constructible_v<T>) {
        convention<T>::read(in, value.emplace());
      } else {
        value.emplace(read_new<T>(in));
      }
    }
  }
  static measured extent(const unsigned char* at, std::size_t left, std::size_t depth) noexcept {
    if (depth == 0) {
      return too_deep();
    }
    part_walk walk{at, left, depth - 1};
    if (walk.add<bool>() && at[0] == TAG_TRUE) {
      (void)walk.template add<T>();
    }
    return walk.result();
  }
};

// ---- std::variant: a u8 item holding the alternative's index, then its items.

template <typename V>
struct convention<V, shape::variant> {
  static constexpr std::size_t alternatives = std::variant_size_v<V>;
  static_assert(alternatives <= kMaxCount + 1,
                "morsel: a std::variant's index is a u8 item: 256 alternatives at most");
  template <std::size_t I>
  using alternative = std::variant_alternative_t<I, V>;
  static constexpr auto all = std::make_index_sequence<alternatives>{};

  static constexpr std::size_t min_size() {
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
      return convention<unsigned char>::min_size() +
             std::min({detail::min_size<alternative<I>>()...});
    }
    (all);
  }
  static constexpr std::size_t max_size() {
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
      return saturating_add(convention<unsigned char>::min_size(),
                            std::max({detail::max_size<alternative<I>>()...}));
    }
    (all);
  }
  static constexpr std::size_t fixed_size() { return 0; }
  static constexpr std::size_t nesting() {
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
      return around(deepest<alternative<I>...>());
    }
    (all);
  }

  template <typename B>
  static void describe(B& builder, std::string& out) {
    [&]<std::size_t... I>(std::index_sequence<I...>) {
      describe_generic<alternative<I>...>(builder, out, "variant");
    }
    (all);
  }
  template <typename W>
  static void write(W& out, const V& value) {
    if (value.valueless_by_exception()) [[unlikely]] {
      throw_valueless();
    }
    [[maybe_unused]] const auto level = out.template open<nesting()>();
    convention<unsigned char>::write(out, static_cast<unsigned char>(value.index()));
    std::visit(
        [&out](const auto& held) {
          convention<std::remove_cvref_t<decltype(held)>>::write(out, held);
        },
        value);
  }
  template <typename R>
  static void read(R& in, V& value) {
    [[maybe_unused]] const auto level = in.template open<nesting()>();
    const std::size_t index = in.read_index(alternatives);
    readers<R>(all)[index](in, value);
  }
  static measured extent(const unsigned char* at, std::size_t left, std::size_t depth) noexcept {
    if (depth == 0) {
      return too_deep();
    }
    part_walk walk{at, left, depth - 1};
    if (!walk.add<unsigned char>()) {
      return walk.result();
    }
    const std::size_t index = at[1];
    if (index >= alternatives) {
      return wrong(fault::wrong_tag, 1);
    }
    [&]<std::size_t... I>(std::index_sequence<I...>) {
      (void)((index == I ? walk.template add<alternative<I>>() : true) && ...);
    }
    (all);
    return walk.result();
  }

 private:
  template <typename R, std::size_t I>
  static void read_alternative(R& in, V& value) {
    using A = alternative<I>;
    if constexpr (readable_part<A>()) {  // else refused, once
      if (value.index() == I) {
        convention<A>::read(in, std::get<I>(value));
      } else if constexpr (std::is_default_constructible_v<A>) {
        convention<A>::read(in, value.template emplace<I>());
      } else {
        value.template emplace<I>(read_new<A>(in));
      }
    }
  }
  // One reading function per alternative, picked by the index read.
  template <typename R, std::size_t... I>
  static constexpr std::array<void (*)(R&, V&), alternatives> readers(
      std::index_sequence<I...> /*alternatives*/) {
    return {&read_alternative<R, I>...};
  }
};

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_CONVENTIONS_ALTERNATIVES_H
