// What a C++ type is to the format: the one place that decides which convention writes and reads
// it (`shape_of`). Every convention in conventions_*.h is chosen by its shape, so that no two can
// claim a type. Needs C++20.
#ifndef MORSEL_DETAIL_TRAITS_H
#define MORSEL_DETAIL_TRAITS_H

#include <array>
#include <chrono>
#include <cstddef>
#include <deque>
#include <list>
#include <map>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <variant>
#include <vector>

#include <morsel/detail/layout.h>
#include <morsel/item.h>
#include <morsel/morsel.h>
#include <morsel/written_as.h>

namespace morsel {

// A class names its members for the library by listing pointers to them, in the order they are
// written: `using morsel_members = morsel::members<&Account::id_, &Account::owner_>;` (public).
// Their names follow from the pointers.
template <auto... Member>
struct members {};

}  // namespace morsel

namespace morsel::detail {

template <typename T>
inline constexpr bool is_std_array = false;
template <typename T, std::size_t N>
inline constexpr bool is_std_array<std::array<T, N>> = true;

template <typename T>
inline constexpr bool is_vector = false;
template <typename T, typename A>
inline constexpr bool is_vector<std::vector<T, A>> = true;

template <typename T>
inline constexpr bool is_optional = false;
template <typename T>
inline constexpr bool is_optional<std::optional<T>> = true;

template <typename T>
inline constexpr bool is_variant = false;
template <typename... T>
inline constexpr bool is_variant<std::variant<T...>> = true;

template <typename T>
inline constexpr bool is_tuple = false;
template <typename... T>
inline constexpr bool is_tuple<std::tuple<T...>> = true;
template <typename A, typename B>
inline constexpr bool is_tuple<std::pair<A, B>> = true;

template <typename T>
inline constexpr bool is_map = false;
template <typename K, typename V, typename C, typename A>
inline constexpr bool is_map<std::map<K, V, C, A>> = true;
template <typename K, typename V, typename H, typename E, typename A>
inline constexpr bool is_map<std::unordered_map<K, V, H, E, A>> = true;

template <typename T>
inline constexpr bool is_set = false;
template <typename T, typename C, typename A>
inline constexpr bool is_set<std::set<T, C, A>> = true;
template <typename T, typename H, typename E, typename A>
inline constexpr bool is_set<std::unordered_set<T, H, E, A>> = true;

// The sequences written as the std::vector of the same elements.
template <typename T>
inline constexpr bool is_sequence = false;
template <typename T, typename A>
inline constexpr bool is_sequence<std::deque<T, A>> = true;
template <typename T, typename A>
inline constexpr bool is_sequence<std::list<T, A>> = true;

// What a type is written as, when not as itself: the program's own morsel::written_as, or the
// library's for the standard types that are one number at heart. `named`: a schema names the type
// over what it is written as.
template <typename T>
struct surrogate : written_as<T> {
  static constexpr bool named = true;
};
template <typename Rep, typename Period>
struct surrogate<std::chrono::duration<Rep, Period>> {
  using type = Rep;
  static constexpr Rep to(const std::chrono::duration<Rep, Period>& d) { return d.count(); }
  static constexpr std::chrono::duration<Rep, Period> from(Rep count) {
    return std::chrono::duration<Rep, Period>(count);
  }
  static constexpr bool named = false;
};
template <typename Clock, typename Duration>
struct surrogate<std::chrono::time_point<Clock, Duration>> {
  using type = Duration;
  static constexpr Duration to(const std::chrono::time_point<Clock, Duration>& t) {
    return t.time_since_epoch();
  }
  static constexpr std::chrono::time_point<Clock, Duration> from(Duration since_epoch) {
    return std::chrono::time_point<Clock, Duration>(since_epoch);
  }
  static constexpr bool named = false;
};

template <typename T>
inline constexpr bool has_surrogate = !requires {
  typename surrogate<T>::morsel_unspecialized;
};

template <typename T>
inline constexpr bool is_single_tuple = false;
template <typename T>
inline constexpr bool is_single_tuple<std::tuple<T>> = true;

// The element types whose vectors and std::arrays are array items (or, past 255 elements or
// bytes, their long forms). A string read as a view is a string all the same.
template <typename T>
inline constexpr bool is_array_element =
    std::is_same_v<T, unsigned char> || std::is_same_v<T, unsigned long> ||
    std::is_same_v<T, double> || std::is_same_v<T, std::string> ||
    std::is_same_v<T, std::string_view>;

template <typename T>
inline constexpr bool is_text =
    std::is_same_v<T, std::string> || std::is_same_v<T, std::string_view>;

// The read-only views a reader hands out into its bytes.
template <typename T>
inline constexpr bool is_item_view =
    std::is_same_v<T, std::string_view> || std::is_same_v<T, std::span<const unsigned char>> ||
    std::is_same_v<T, u64_array_view> || std::is_same_v<T, f64_array_view> ||
    std::is_same_v<T, string_array_view>;

// A type that names its members with a function found by argument-dependent lookup (the std::tie
// form), or with a list of pointers to them.
template <typename T>
concept described = requires(T& value) {
  morsel_members(value);
};
template <typename T>
concept listed = requires {
  typename T::morsel_members;
};

enum class shape : unsigned char {
  none,           // no convention: refused where it is written or read
  boolean,        // one item each
  scalar,         //
  string,         // std::string: a string item, or past 255 bytes its long form
  text_view,      // std::string_view: the same bytes; read as a view, short only
  person,         //
  item_view,      // std::span<const unsigned char> and the array views: read in place
  any_item,       // morsel::item
  item_vector,    // std::vector of an array element: an array item, or its long form
  surrogate,      // written as another type's value (morsel::written_as, std::chrono)
  enumeration,    // the item of its value as its underlying type
  item_array,     // std::array of an array element: the vector's bytes, exactly N elements
  element_array,  // std::array of any other type: its elements in a row
  optional,       //
  vector,         // any other std::vector: a u32 count and the elements
  sequence,       // std::deque, std::list: the bytes of the std::vector of the same elements
  map,            // a u32 count and the entries
  set,            // a u32 count and the elements
  tuple,          // std::pair, std::tuple: the elements in a row
  variant,        // a u8 index and the alternative
  record,         // an aggregate or a type with morsel_members: its members in a row
};

template <typename T>
constexpr shape shape_of_plain() {
  if constexpr (std::is_same_v<T, bool>) {
    return shape::boolean;
  } else if constexpr (scalar_kind<T>) {
    return shape::scalar;
  } else if constexpr (std::is_same_v<T, std::string>) {
    return shape::string;
  } else if constexpr (std::is_same_v<T, std::string_view>) {
    return shape::text_view;
  } else if constexpr (std::is_same_v<T, Person>) {
    return shape::person;
  } else if constexpr (is_item_view<T>) {
    return shape::item_view;
  } else if constexpr (std::is_same_v<T, item>) {
    return shape::any_item;
  } else if constexpr (has_surrogate<T>) {
    return shape::surrogate;
  } else if constexpr (std::is_enum_v<T>) {
    return shape::enumeration;
  } else if constexpr (is_vector<T>) {
    constexpr bool of_array_elements = is_array_element<typename T::value_type>;
    return of_array_elements ? shape::item_vector : shape::vector;
  } else if constexpr (is_std_array<T>) {
    constexpr bool of_array_elements = is_array_element<typename T::value_type>;
    return of_array_elements ? shape::item_array : shape::element_array;
  } else if constexpr (is_optional<T>) {
    return shape::optional;
  } else if constexpr (is_sequence<T>) {
    return shape::sequence;
  } else if constexpr (is_map<T>) {
    return shape::map;
  } else if constexpr (is_set<T>) {
    return shape::set;
  } else if constexpr (is_tuple<T>) {
    return shape::tuple;
  } else if constexpr (is_variant<T>) {
    return shape::variant;
  } else if constexpr (std::is_class_v<T> &&
                       (listed<T> || described<T> || std::is_aggregate_v<T>)) {
    return shape::record;
  } else {
    return shape::none;
  }
}

// A const value is written as the value is (and refused where it would be read into).
template <typename T>
constexpr shape shape_of() {
  if constexpr (std::is_reference_v<T>) {
    return shape::none;
  } else {
    return shape_of_plain<std::remove_cv_t<T>>();
  }
}

// A type whose values are one item each, as writer::write takes them and reader::read returns
// them (std::string_view and the views are read as views into the reader's bytes).
template <typename T>
concept item_value = shape_of<T>()
== shape::boolean || shape_of<T>() == shape::scalar || shape_of<T>() == shape::string
    || shape_of<T>() == shape::text_view || shape_of<T>() == shape::person
    || shape_of<T>() == shape::item_view;

template <typename T>
concept record = shape_of<T>()
== shape::record;

// The item kind of the fixed-size items' types and of the views a reader hands out (a string has
// two kinds of item and a convention of its own).
template <typename T>
constexpr kind item_kind_of() {
  if constexpr (std::is_same_v<T, bool>) {
    return kind::boolean;
  } else if constexpr (scalar_kind<T>) {
    return scalar<T>::item_kind;
  } else if constexpr (std::is_same_v<T, Person>) {
    return kind::person;
  } else if constexpr (std::is_same_v<T, std::span<const unsigned char>>) {
    return kind::u8_array;
  } else if constexpr (std::is_same_v<T, u64_array_view>) {
    return kind::u64_array;
  } else if constexpr (std::is_same_v<T, f64_array_view>) {
    return kind::f64_array;
  } else {
    static_assert(std::is_same_v<T, string_array_view>);
    return kind::string_array;
  }
}

// The array kind whose elements are of type E (an array element).
template <typename E>
constexpr kind array_kind_of() {
  if constexpr (std::is_same_v<E, unsigned char>) {
    return kind::u8_array;
  } else if constexpr (std::is_same_v<E, unsigned long>) {
    return kind::u64_array;
  } else if constexpr (std::is_same_v<E, double>) {
    return kind::f64_array;
  } else {
    static_assert(std::is_same_v<E, std::string> || std::is_same_v<E, std::string_view>);
    return kind::string_array;
  }
}

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_TRAITS_H
