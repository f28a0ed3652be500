// The conventions of associative containers: a u32 item holding the count, then each entry's key
// and value (std::map, std::unordered_map) or each element (std::set, std::unordered_set), in the
// container's order. Reading refuses a key that repeats an earlier one, and reuses the
// container's nodes (std::map's and std::set's with no allocation; an unordered one allocates its
// bucket array once per read). Needs C++20.
#ifndef MORSEL_DETAIL_CONVENTIONS_ASSOCIATIVE_H
#define MORSEL_DETAIL_CONVENTIONS_ASSOCIATIVE_H

#include <cstddef>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include <morsel/detail/convention.h>
#include <morsel/detail/conventions_containers.h>
#include <morsel/detail/conventions_items.h>
#include <morsel/detail/measure.h>
#include <morsel/detail/traits.h>

namespace morsel::detail {

// A map key as an error names it: a string of printable ASCII in quotes, an integer in digits;
// empty for any other key.
template <typename K>
std::string printable_key(const K& key) {
  if constexpr (std::is_same_v<K, std::string> || std::is_same_v<K, std::string_view>) {
    return quoted_if_printable(key);
  } else if constexpr (std::is_integral_v<K> && !std::is_same_v<K, bool>) {
    return std::to_string(key);
  } else if constexpr (std::is_enum_v<K>) {
    return printable_key(static_cast<std::underlying_type_t<K>>(key));
  } else {
    return {};
  }
}

template <typename M>
struct convention<M, shape::map> {
  using K = typename M::key_type;
  using T = typename M::mapped_type;

  static constexpr bool check() {
    if constexpr (!readable_part<K>() || !readable_part<T>()) {
      return false;  // refused, once, by readable_part
    } else {
      static_assert(detail::min_size<K>() + detail::min_size<T>() > 0,
                    "morsel: a map of a key and value that write no bytes could not be read back");
      return true;
    }
  }

  static constexpr std::size_t min_size() { return convention<unsigned int>::min_size(); }
  static constexpr std::size_t max_size() { return kUnbounded; }
  static constexpr std::size_t fixed_size() { return 0; }
  static constexpr std::size_t nesting() { return kUnbounded; }  // what it holds may hold it

  template <typename B>
  static void describe(B& builder, std::string& out) {
    describe_generic<K, T>(builder, out, "map");
  }
  template <typename W>
  static void write(W& out, const M& entries) {
    if (entries.size() > kMaxListCount) [[unlikely]] {
      throw_too_many("map", entries.size());
    }
    [[maybe_unused]] const auto level = out.template open<nesting()>();
    convention<unsigned int>::write(out, static_cast<unsigned int>(entries.size()));
    std::size_t i = 0;
    for (const auto& [key, value] : entries) {
      try {
        convention<K>::write(out, key);
      } catch (...) {
        out.fail_at({step_kind::entry_key, i, {}, {}});
      }
      try {
        convention<T>::write(out, value);
      } catch (...) {
        out.fail_at({step_kind::value_at, i, {}, printable_key(key)});
      }
      ++i;
    }
  }

  // The nodes the map holds are read into again, where the standard library allows it.
  template <typename R>
  static void read(R& in, M& entries) {
    if constexpr (check()) {
      read_checked(in, entries);
    }
  }

  static measured extent(const unsigned char* at, std::size_t left, std::size_t depth) noexcept {
    return counted_extent<K, T>(at, left, depth);
  }

 private:
  template <typename R>
  static void read_checked(R& in, M& entries) {
    [[maybe_unused]] const auto level = in.template open<nesting()>();
    const std::size_t count_offset = in.position();
    const std::size_t count = in.read_count();
    in.counted(count, count_offset, detail::min_size<K>() + detail::min_size<T>(), [&] {
      M old;
      old.swap(entries);
      if constexpr (requires { entries.reserve(count); }) {
        entries.reserve(justified(count, in.left(), detail::min_size<K>() + detail::min_size<T>(),
                                  sizeof(typename M::value_type)));
      }
      for (std::size_t i = 0; i < count; ++i) {
        const std::size_t key_offset = in.position();
        const std::size_t before = entries.size();
        if (!old.empty()) {
          auto node = old.extract(old.begin());
          read_entry(in, i, node.key(), node.mapped());
          entries.insert(entries.end(), std::move(node));
        } else {
          K key = new_key(in, i);
          T value = new_value(in, i, key);
          entries.try_emplace(entries.end(), std::move(key), std::move(value));
        }
        if (entries.size() == before) {
          in.fail_entry({step_kind::entry_key, i, {}, {}}, key_offset,
                        "its key repeats an earlier entry's");
        }
      }
    });
  }

  template <typename R>
  static K new_key(R& in, std::size_t i) {
    try {
      return read_new<K>(in);
    } catch (...) {
      in.fail_at({step_kind::entry_key, i, {}, {}});
    }
  }
  template <typename R>
  static T new_value(R& in, std::size_t i, const K& key) {
    try {
      return read_new<T>(in);
    } catch (...) {
      in.fail_at({step_kind::value_at, i, {}, printable_key(key)});
    }
  }
  template <typename R>
  static void read_entry(R& in, std::size_t i, K& key, T& value) {
    try {
      convention<K>::read(in, key);
    } catch (...) {
      in.fail_at({step_kind::entry_key, i, {}, {}});
    }
    try {
      convention<T>::read(in, value);
    } catch (...) {
      in.fail_at({step_kind::value_at, i, {}, printable_key(key)});
    }
  }
};

// std::set, std::unordered_set: a u32 count and the elements, in the container's order. Reading
// refuses an element that repeats an earlier one, and reuses the set's nodes.
template <typename S>
struct convention<S, shape::set> {
  using T = typename S::value_type;

  static constexpr bool check() {
    if constexpr (!readable_part<T>()) {
      return false;  // refused, once, by readable_part
    } else {
      static_assert(detail::min_size<T>() > 0,
                    "morsel: a set of a type that writes no bytes could not be read back");
      return true;
    }
  }

  static constexpr std::size_t min_size() { return convention<unsigned int>::min_size(); }
  static constexpr std::size_t max_size() { return kUnbounded; }
  static constexpr std::size_t fixed_size() { return 0; }
  static constexpr std::size_t nesting() { return kUnbounded; }

  template <typename B>
  static void describe(B& builder, std::string& out) {
    describe_generic<T>(builder, out, "set");
  }
  template <typename W>
  static void write(W& out, const S& values) {
    if (values.size() > kMaxListCount) [[unlikely]] {
      throw_too_many("set", values.size());
    }
    [[maybe_unused]] const auto level = out.template open<nesting()>();
    convention<unsigned int>::write(out, static_cast<unsigned int>(values.size()));
    element_writer::write_each<T>(out, values);
  }

  template <typename R>
  static void read(R& in, S& values) {
    if constexpr (check()) {
      read_checked(in, values);
    }
  }

  static measured extent(const unsigned char* at, std::size_t left, std::size_t depth) noexcept {
    return counted_extent<T>(at, left, depth);
  }

 private:
  template <typename R>
  static void read_checked(R& in, S& values) {
    [[maybe_unused]] const auto level = in.template open<nesting()>();
    const std::size_t count_offset = in.position();
    const std::size_t count = in.read_count();
    in.counted(count, count_offset, detail::min_size<T>(), [&] {
      S old;
      old.swap(values);
      if constexpr (requires { values.reserve(count); }) {
        values.reserve(justified(count, in.left(), detail::min_size<T>(), sizeof(T)));
      }
      for (std::size_t i = 0; i < count; ++i) {
        const std::size_t offset = in.position();
        const std::size_t before = values.size();
        if (!old.empty()) {
          auto node = old.extract(old.begin());
          read_element(in, i, node.value());
          values.insert(values.end(), std::move(node));
        } else {
          values.emplace_hint(values.end(), new_element(in, i));
        }
        if (values.size() == before) {
          in.fail_entry({step_kind::element, i, {}, {}}, offset, "it repeats an earlier element");
        }
      }
    });
  }
  template <typename R>
  static T new_element(R& in, std::size_t i) {
    try {
      return read_new<T>(in);
    } catch (...) {
      in.fail_at({step_kind::element, i, {}, {}});
    }
  }
  template <typename R>
  static void read_element(R& in, std::size_t i, T& value) {
    try {
      convention<T>::read(in, value);
    } catch (...) {
      in.fail_at({step_kind::element, i, {}, {}});
    }
  }
};

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_CONVENTIONS_ASSOCIATIVE_H
