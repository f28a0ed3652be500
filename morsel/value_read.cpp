// Reading a value by a type known at run time. Every item and every long form is read by the
// conventions the compiled reader uses; records and containers are walked here as the compiled
// conventions walk them (levels, counts, paths), so that both read the same bytes and refuse the
// same bytes with the same words.
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <morsel/detail/conventions.h>
#include <morsel/reader.h>
#include <morsel/types.h>
#include <morsel/value.h>

namespace morsel::detail {

struct dynamic_reader {
  using form = type::form;

  // Entries by their keys' values (`flat` holds key, value, key, value...), or a set's elements.
  struct key_order {
    const value::list* flat;
    bool operator()(std::size_t a, std::size_t b) const { return (*flat)[a] < (*flat)[b]; }
  };

  template <typename T>
  static void item(reader& in, value& v) {
    T got{};
    convention<T>::read(in, got);
    if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, float> ||
                  std::is_same_v<T, double> || std::is_same_v<T, Person>) {
      v.data = got;
    } else if constexpr (std::is_signed_v<T>) {
      v.data = static_cast<std::int64_t>(got);
    } else {
      v.data = static_cast<std::uint64_t>(got);
    }
  }

  template <typename E>
  static void array_item(reader& in, const type& t, value& v) {
    auto& values = v.as<std::vector<E>>();
    if (t.what == form::vector) {
      convention<std::vector<E>>::read(in, values);
    } else {
      array_of<E>::read(
          in, values, [&values](std::size_t n) { values.resize(n); }, t.count);
    }
  }

  static void read(reader& in, const type& t, value& v) {
    switch (t.what) {
      case form::boolean:
        return item<bool>(in, v);
      case form::u8:
        return item<unsigned char>(in, v);
      case form::u32:
        return item<unsigned int>(in, v);
      case form::u64:
        return item<unsigned long>(in, v);
      case form::i8:
        return item<signed char>(in, v);
      case form::i32:
        return item<int>(in, v);
      case form::i64:
        return item<long>(in, v);
      case form::f32:
        return item<float>(in, v);
      case form::f64:
        return item<double>(in, v);
      case form::string:
        return convention<std::string>::read(in, v.as<std::string>());
      case form::person:
        return item<Person>(in, v);
      case form::any_item: {
        const unsigned char* start = in.here();
        (void)in.next();
        v.as<std::vector<unsigned char>>().assign(start, in.here());
        return;
      }
      case form::enumeration:
      case form::alias:
        return read(in, *t.parts.front(), v);
      case form::vector:
      case form::array:
        return t.is_array_item() ? array_items(in, t, v) : elements(in, t, v);
      case form::optional:
        return optional(in, t, v);
      case form::map:
        return entries(in, t, v);
      case form::set:
        return set_elements(in, t, v);
      case form::tuple:
      case form::record:
        return parts(in, t, v);
      case form::variant:
        return alternative(in, t, v);
    }
  }

  static void array_items(reader& in, const type& t, value& v) {
    switch (t.parts.front()->what) {
      case form::u8:
        return array_item<unsigned char>(in, t, v);
      case form::u64:
        return array_item<unsigned long>(in, t, v);
      case form::f64:
        return array_item<double>(in, t, v);
      default:
        return array_item<std::string>(in, t, v);
    }
  }

  // The elements of a vector (a u32 count first) or a std::array (N of them).
  static void elements(reader& in, const type& t, value& v) {
    const reader::level opened(in, true);
    value::list& values = v.as<value::list>();
    const type& element = *t.parts.front();
    const auto read_elements = [&](std::size_t count) {
      if (values.size() > count) {
        values.resize(count);
      }
      std::size_t i = 0;
      try {
        for (; i < count; ++i) {
          read(in, element, i < values.size() ? values[i] : values.emplace_back());
        }
      } catch (...) {
        reader::fail_at({step_kind::element, i, {}, {}});
      }
    };
    if (t.what == form::array) {
      return read_elements(t.count);
    }
    const std::size_t count_offset = in.position();
    const std::size_t count = in.read_count();
    in.counted(count, count_offset, element.min_size(), [&] { read_elements(count); });
  }

  static void optional(reader& in, const type& t, value& v) {
    const reader::level opened(in, true);
    bool present = false;
    convention<bool>::read(in, present);
    value::list& held = v.as<value::list>();
    held.resize(present ? 1 : 0);
    if (present) {
      read(in, *t.parts.front(), held.front());
    }
  }

  static void parts(reader& in, const type& t, value& v) {
    const reader::level opened(in, true);
    value::list& values = v.as<value::list>();
    values.resize(t.parts.size());
    std::size_t i = 0;
    try {
      for (; i < t.parts.size(); ++i) {
        read(in, *t.parts[i], values[i]);
      }
    } catch (...) {
      reader::fail_at(t.what == form::record
                          ? path_step{step_kind::member, i, t.member_names[i], {}}
                          : path_step{step_kind::element, i, {}, {}});
    }
  }

  static void alternative(reader& in, const type& t, value& v) {
    const reader::level opened(in, true);
    v.index = in.read_index(t.parts.size());
    value::list& held = v.as<value::list>();
    held.resize(1);
    read(in, *t.parts[v.index], held.front());
  }

  // A key as an error names the value under it: a string of printable ASCII in quotes, an integer
  // in digits (an enum's too); nothing for any other.
  static std::string printable_key(const type& t, const value& key) {
    switch (t.what) {
      case form::string:
        return quoted_if_printable(std::get<std::string>(key.data));
      case form::u8:
      case form::u32:
      case form::u64:
        return std::to_string(std::get<std::uint64_t>(key.data));
      case form::i8:
      case form::i32:
      case form::i64:
        return std::to_string(std::get<std::int64_t>(key.data));
      case form::enumeration:
        return t.parts.front()->what == form::boolean ? std::string()
                                                      : printable_key(*t.parts.front(), key);
      default:
        return {};
    }
  }

  static void entries(reader& in, const type& t, value& v) {
    const reader::level opened(in, true);
    const type& key_type = *t.parts[0];
    const type& value_type = *t.parts[1];
    const std::size_t count_offset = in.position();
    const std::size_t count = in.read_count();
    value::list& flat = v.as<value::list>();
    in.counted(count, count_offset, key_type.min_size() + value_type.min_size(), [&] {
      if (flat.size() > 2 * count) {
        flat.resize(2 * count);
      }
      std::set<std::size_t, key_order> keys(key_order{&flat});
      for (std::size_t i = 0; i < count; ++i) {
        const std::size_t key_offset = in.position();
        if (flat.size() < 2 * i + 2) {
          flat.resize(2 * i + 2);
        }
        value& key = flat[2 * i];
        try {
          read(in, key_type, key);
        } catch (...) {
          reader::fail_at({step_kind::entry_key, i, {}, {}});
        }
        try {
          read(in, value_type, flat[2 * i + 1]);
        } catch (...) {
          reader::fail_at({step_kind::value_at, i, {}, printable_key(key_type, key)});
        }
        if (!keys.insert(2 * i).second) {
          reader::fail_entry({step_kind::entry_key, i, {}, {}}, key_offset,
                             "its key repeats an earlier entry's");
        }
      }
    });
  }

  static void set_elements(reader& in, const type& t, value& v) {
    const reader::level opened(in, true);
    const type& element = *t.parts.front();
    const std::size_t count_offset = in.position();
    const std::size_t count = in.read_count();
    value::list& values = v.as<value::list>();
    in.counted(count, count_offset, element.min_size(), [&] {
      if (values.size() > count) {
        values.resize(count);
      }
      std::set<std::size_t, key_order> seen(key_order{&values});
      for (std::size_t i = 0; i < count; ++i) {
        const std::size_t offset = in.position();
        try {
          read(in, element, i < values.size() ? values[i] : values.emplace_back());
        } catch (...) {
          reader::fail_at({step_kind::element, i, {}, {}});
        }
        if (!seen.insert(i).second) {
          reader::fail_entry({step_kind::element, i, {}, {}}, offset,
                             "it repeats an earlier element");
        }
      }
    });
  }

  // The value whole or not at all: the reader goes back to its start when a part fails.
  static void read_whole(reader& in, const type& t, value& v) {
    const unsigned char* start = in.cursor_;
    try {
      read(in, t, v);
    } catch (const part_failure& failure) {
      in.cursor_ = start;
      throw_part_failure(failure, t.spelled());
    } catch (...) {
      in.cursor_ = start;
      throw;
    }
  }
};

}  // namespace morsel::detail

namespace morsel {

void read_value(reader& in, const type& t, value& into) {
  detail::dynamic_reader::read_whole(in, t, into);
}

value read_value(reader& in, const type& t) {
  value v;
  read_value(in, t, v);
  return v;
}

}  // namespace morsel
