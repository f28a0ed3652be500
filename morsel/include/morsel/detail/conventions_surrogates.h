// The convention of a type written as another's value (morsel/written_as.h): its bytes are the
// surrogate's, byte for byte, and reading them makes the value through `from`, whose std::exception
// refuses the bytes. Needs C++20.
#ifndef MORSEL_DETAIL_CONVENTIONS_SURROGATES_H
#define MORSEL_DETAIL_CONVENTIONS_SURROGATES_H

#include <concepts>
#include <cstddef>
#include <exception>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>

#include <morsel/detail/convention.h>
#include <morsel/detail/measure.h>
#include <morsel/detail/traits.h>

namespace morsel::detail {

// What a surrogate lacks, if anything: checked without a word said, so that one error says it.
enum class surrogate_fault : unsigned char { none, no_type, pointer, not_writable, no_to, no_from };

template <typename T>
constexpr surrogate_fault fault_of_surrogate() {
  using W = surrogate<T>;
  if constexpr (!requires { typename W::type; }) {
    return surrogate_fault::no_type;
  } else {
    using S = std::remove_cvref_t<typename W::type>;
    if constexpr (std::is_pointer_v<S> || std::is_member_pointer_v<S>) {
      return surrogate_fault::pointer;
    } else if constexpr (!writable<S> || std::is_same_v<S, T>) {
      return surrogate_fault::not_writable;
    } else if constexpr (!requires(const T& value) {
                           { W::to(value) } -> std::convertible_to<const S&>;
                         }) {
      return surrogate_fault::no_to;
    } else if constexpr (!requires(S && written) {
                           { W::from(std::move(written)) } -> std::convertible_to<T>;
                         }) {
      return surrogate_fault::no_from;
    } else {
      return surrogate_fault::none;
    }
  }
}

// The surrogate's type, or bool where the specialization is refused (so that nothing more fails).
template <typename T, bool = fault_of_surrogate<T>() == surrogate_fault::none>
struct surrogate_type {
  using type = bool;
};
template <typename T>
struct surrogate_type<T, true> {
  using type = std::remove_cvref_t<typename surrogate<T>::type>;
};

template <typename T>
constexpr bool check_surrogate() {
  constexpr surrogate_fault fault = fault_of_surrogate<T>();
  if constexpr (fault == surrogate_fault::no_type) {
    static_assert(dependent_false<T>,
                  "morsel::written_as<T> has no `type`: say what T is written as, such as "
                  "`using type = double;`");
  } else if constexpr (fault == surrogate_fault::pointer) {
    static_assert(dependent_false<T>,
                  "morsel::written_as<T>::type is a pointer: the format carries values, not "
                  "addresses; write the value itself, a std::string or a std::vector");
  } else if constexpr (fault == surrogate_fault::not_writable) {
    static_assert(dependent_false<T>,
                  "morsel::written_as<T>::type cannot be written: make it a type writer::write "
                  "takes (an item kind, a record, a standard container of these), other than T");
  } else if constexpr (fault == surrogate_fault::no_to) {
    static_assert(dependent_false<T>,
                  "morsel::written_as<T> has no `static type to(const T&)` giving what T is "
                  "written as");
  } else if constexpr (fault == surrogate_fault::no_from) {
    static_assert(dependent_false<T>,
                  "morsel::written_as<T> has no `static T from(type)` making a T of what was read");
  }
  return fault == surrogate_fault::none;
}

// `from` refused the value read at `offset`: its message, as the failure of the part it is.
[[noreturn]] inline void refuse_made_value(std::size_t offset, const std::exception& e) {
  throw part_failure{{}, offset, offset, e.what(), part_failure::error::decode};
}

template <typename T>
struct convention<T, shape::surrogate> {
  using W = surrogate<T>;
  using S = typename surrogate_type<T>::type;
  static constexpr bool sound = check_surrogate<T>();
  static constexpr bool kFromCannotThrow =
      noexcept(std::declval<T&>() = W::from(std::declval<S&&>()));

  static constexpr std::size_t min_size() { return convention<S>::min_size(); }
  static constexpr std::size_t max_size() { return convention<S>::max_size(); }
  static constexpr std::size_t fixed_size() { return detail::fixed_size<S>(); }
  static constexpr std::size_t nesting() { return convention<S>::nesting(); }
  static constexpr bool readable() { return readable_part<S>(); }

  template <typename B>
  static void describe(B& builder, std::string& out) {
    if constexpr (sound && W::named) {
      builder.template alias<T, S>(out);
    } else {
      builder.template spell<S>(out);
    }
  }

  template <typename Out>
  static void write(Out& out, const T& value) {
    if constexpr (sound) {
      convention<S>::write(out, static_cast<const S&>(W::to(value)));
    }
  }

  template <typename R>
  static void read(R& in, T& value) {
    if constexpr (sound) {
      value = take(in);
    }
  }
  // The value read and made, for a type that may have no default constructor.
  template <typename R>
  static T take(R& in) {
    if constexpr (sound) {
      const std::size_t offset = in.position();
      S written{};
      convention<S>::read(in, written);
      try {
        return W::from(std::move(written));
      } catch (const std::exception& e) {
        refuse_made_value(offset, e);
      }
    } else {  // refused at compile time
      (void)in;
      throw std::logic_error("morsel: no convention");
    }
  }

  static measured extent(const unsigned char* at, std::size_t left, std::size_t depth) noexcept {
    return convention<S>::extent(at, left, depth);
  }

  // Fixed-size surrogates only. `to` may throw: the writer then takes back what it claimed.
  static unsigned char* put(unsigned char* out, const T& value) {
    return convention<S>::put(out, static_cast<const S&>(W::to(value)));
  }
  static constexpr bool calls_from() {
    return W::named || detail::calls_from<S>();  // chrono's own are total
  }
  static bool tags_fit(const unsigned char* at) noexcept { return convention<S>::tags_fit(at); }
  // False when `from` refuses: the part-by-part read then says why. Never called on wrong tags,
  // so `from` sees only what was written as the surrogate.
  static bool get(const unsigned char*& in, T& value) noexcept {
    S written;  // get sets it whole
    if (!convention<S>::get(in, written)) {
      return false;
    }
    if constexpr (kFromCannotThrow) {
      value = W::from(std::move(written));
      return true;
    } else {
      try {
        value = W::from(std::move(written));
        return true;
      } catch (...) {
        return false;
      }
    }
  }
};

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_CONVENTIONS_SURROGATES_H
