// Writing a value by a type known at run time: every item and long form by the writer's own
// overloads, records and containers as the compiled conventions write them (levels, counts,
// paths), so that both write the same bytes and refuse the same values with the same words.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include <morsel/detail/conventions.h>
#include <morsel/types.h>
#include <morsel/value.h>
#include <morsel/writer.h>

namespace morsel::detail {

struct dynamic_writer {
  using form = type::form;

  [[noreturn]] static void mismatch(const type& t, std::string_view held) {
    throw std::invalid_argument("morsel::writer: a value of " + t.spelled() + " is " +
                                std::string(held));
  }
  // "1 part, not 3", "2 elements, not 4": a list of `got` where `wanted` are needed.
  [[noreturn]] static void miscounted(const type& t, std::size_t got, std::size_t wanted,
                                      std::string_view one) {
    std::string held = std::to_string(got) + ' ';
    held += one;
    held += got == 1 ? ", not " : "s, not ";
    held += std::to_string(wanted);
    mismatch(t, held);
  }

  template <typename T>
  static const T& held(const type& t, const value& v, std::string_view needed) {
    const T* got = std::get_if<T>(&v.data);
    if (got == nullptr) {
      mismatch(t, needed);
    }
    return *got;
  }

  template <typename T>
  static void integer(writer& out, const type& t, const value& v) {
    using wide = std::conditional_t<std::is_signed_v<T>, std::int64_t, std::uint64_t>;
    const wide n =
        held<wide>(t, v, std::is_signed_v<T> ? "a signed integer" : "an unsigned integer");
    if (n < static_cast<wide>(std::numeric_limits<T>::min()) ||
        n > static_cast<wide>(std::numeric_limits<T>::max())) {
      mismatch(t, "an integer in its range, not " + std::to_string(n));
    }
    out.write(static_cast<T>(n));
  }

  template <typename E>
  static void array_items(writer& out, const type& t, const value& v, std::string_view needed) {
    const auto& values = held<std::vector<E>>(t, v, needed);
    if (t.what == form::array && values.size() != t.count) {
      miscounted(t, values.size(), t.count, "element");
    }
    if constexpr (std::is_same_v<E, std::string>) {
      out.put_strings(std::span<const std::string>(values));
    } else {
      out.write(std::span<const E>(values));
    }
  }

  static void write(writer& out, const type& t, const value& v) {
    switch (t.what) {
      case form::boolean:
        out.write(held<bool>(t, v, "true or false"));
        return;
      case form::u8:
        return integer<unsigned char>(out, t, v);
      case form::u32:
        return integer<unsigned int>(out, t, v);
      case form::u64:
        return integer<unsigned long>(out, t, v);
      case form::i8:
        return integer<signed char>(out, t, v);
      case form::i32:
        return integer<int>(out, t, v);
      case form::i64:
        return integer<long>(out, t, v);
      case form::f32:
        out.write(held<float>(t, v, "an f32"));
        return;
      case form::f64:
        out.write(held<double>(t, v, "an f64"));
        return;
      case form::string:
        out.write(std::string_view(held<std::string>(t, v, "a string")));
        return;
      case form::person:
        out.write(held<Person>(t, v, "a person"));
        return;
      case form::any_item:
        return item(out, t, v);
      case form::enumeration:
      case form::alias:
        return write(out, *t.parts.front(), v);
      case form::vector:
      case form::array:
        return t.is_array_item() ? array_item(out, t, v) : elements(out, t, v);
      case form::optional:
        return optional(out, t, v);
      case form::map:
        return entries(out, t, v);
      case form::set:
        return elements(out, t, v);
      case form::tuple:
      case form::record:
        return parts(out, t, v);
      case form::variant:
        return alternative(out, t, v);
    }
  }

  // One item of any kind, as its bytes: they must be one whole item.
  static void item(writer& out, const type& t, const value& v) {
    const auto& bytes = held<std::vector<unsigned char>>(t, v, "an item's bytes");
    reader check(bytes);
    try {
      (void)check.next();
    } catch (const decode_error&) {
      mismatch(t, "not one item");
    }
    if (!check.empty()) {
      mismatch(t, "more than one item");
    }
    std::memcpy(out.claim(bytes.size()), bytes.data(), bytes.size());
  }

  static void array_item(writer& out, const type& t, const value& v) {
    switch (t.parts.front()->what) {
      case form::u8:
        return array_items<unsigned char>(out, t, v, "bytes");
      case form::u64:
        return array_items<unsigned long>(out, t, v, "u64 elements");
      case form::f64:
        return array_items<double>(out, t, v, "f64 elements");
      default:
        return array_items<std::string>(out, t, v, "strings");
    }
  }

  // The elements of a vector or a set (a u32 count first) or a std::array (N of them).
  static void elements(writer& out, const type& t, const value& v) {
    const auto& values = held<value::list>(t, v, "a list of elements");
    if (t.what == form::array && values.size() != t.count) {
      miscounted(t, values.size(), t.count, "element");
    }
    const bool counted = t.what != form::array;
    if (counted && values.size() > kMaxListCount) {
      throw_too_many(t.what == form::set ? "set" : "std::vector", values.size());
    }
    if (t.what == form::set) {
      refuse_repeated(t, values, 1, "a list with an element twice");
    }
    const writer::level opened(out, true);
    if (counted) {
      out.write(static_cast<unsigned int>(values.size()));
    }
    std::size_t i = 0;
    try {
      for (; i < values.size(); ++i) {
        write(out, *t.parts.front(), values[i]);
      }
    } catch (...) {
      writer::fail_at({step_kind::element, i, {}, {}});
    }
  }

  static void optional(writer& out, const type& t, const value& v) {
    const auto& held_value = held<value::list>(t, v, "a list of none or one value");
    if (held_value.size() > 1) {
      mismatch(t, "a list of " + std::to_string(held_value.size()) + " values");
    }
    const writer::level opened(out, true);
    out.write(!held_value.empty());
    if (!held_value.empty()) {
      write(out, *t.parts.front(), held_value.front());
    }
  }

  static void entries(writer& out, const type& t, const value& v) {
    const auto& flat = held<value::list>(t, v, "a list of keys and values");
    if (flat.size() % 2 != 0) {
      mismatch(t, "a list of keys and values of odd length");
    }
    if (flat.size() / 2 > kMaxListCount) {
      throw_too_many("map", flat.size() / 2);
    }
    refuse_repeated(t, flat, 2, "a list with a key twice");
    const writer::level opened(out, true);
    out.write(static_cast<unsigned int>(flat.size() / 2));
    for (std::size_t i = 0; i < flat.size() / 2; ++i) {
      try {
        write(out, *t.parts[0], flat[2 * i]);
      } catch (...) {
        writer::fail_at({step_kind::entry_key, i, {}, {}});
      }
      try {
        write(out, *t.parts[1], flat[2 * i + 1]);
      } catch (...) {
        writer::fail_at({step_kind::value_at, i, {}, dynamic_key(*t.parts[0], flat[2 * i])});
      }
    }
  }

  static std::string dynamic_key(const type& t, const value& key);

  // A map holds each key once, a set each element: bytes with one twice would not read back.
  // `list` holds them every `stride` values.
  static void refuse_repeated(const type& t, const value::list& list, std::size_t stride,
                              std::string_view what) {
    std::vector<const value*> keys;
    keys.reserve(list.size() / stride);
    for (std::size_t i = 0; i < list.size(); i += stride) {
      keys.push_back(&list[i]);
    }
    std::sort(keys.begin(), keys.end(), [](const value* a, const value* b) { return *a < *b; });
    if (std::adjacent_find(keys.begin(), keys.end(),
                           [](const value* a, const value* b) { return *a == *b; }) != keys.end()) {
      mismatch(t, what);
    }
  }

  static void parts(writer& out, const type& t, const value& v) {
    const auto& values = held<value::list>(t, v, "a list of its parts");
    if (values.size() != t.parts.size()) {
      miscounted(t, values.size(), t.parts.size(), "part");
    }
    const writer::level opened(out, true);
    std::size_t i = 0;
    try {
      for (; i < values.size(); ++i) {
        write(out, *t.parts[i], values[i]);
      }
    } catch (...) {
      writer::fail_at(t.what == form::record
                          ? path_step{step_kind::member, i, t.member_names[i], {}}
                          : path_step{step_kind::element, i, {}, {}});
    }
  }

  static void alternative(writer& out, const type& t, const value& v) {
    const auto& held_value = held<value::list>(t, v, "a list of one value");
    if (held_value.size() != 1 || v.index >= t.parts.size()) {
      mismatch(t, "no alternative of it");
    }
    const writer::level opened(out, true);
    out.write(static_cast<unsigned char>(v.index));
    write(out, *t.parts[v.index], held_value.front());
  }

  static void write_whole(writer& out, const type& t, const value& v) {
    const std::size_t before = out.size();
    try {
      write(out, t, v);
    } catch (...) {
      out.cursor_ = out.buffer_.data() + before;
      writer::rethrow_with_path([&t] { return t.spelled(); });
    }
  }
};

std::string dynamic_writer::dynamic_key(const type& t, const value& key) {
  switch (t.what) {
    case form::string:
      if (const auto* text = std::get_if<std::string>(&key.data)) {
        return quoted_if_printable(*text);
      }
      return {};
    case form::u8:
    case form::u32:
    case form::u64:
      if (const auto* n = std::get_if<std::uint64_t>(&key.data)) {
        return std::to_string(*n);
      }
      return {};
    case form::i8:
    case form::i32:
    case form::i64:
      if (const auto* n = std::get_if<std::int64_t>(&key.data)) {
        return std::to_string(*n);
      }
      return {};
    case form::enumeration:
      return t.parts.front()->what == form::boolean ? std::string()
                                                    : dynamic_key(*t.parts.front(), key);
    default:
      return {};
  }
}

}  // namespace morsel::detail

namespace morsel {

void write_value(writer& out, const type& t, const value& v) {
  detail::dynamic_writer::write_whole(out, t, v);
}

}  // namespace morsel
