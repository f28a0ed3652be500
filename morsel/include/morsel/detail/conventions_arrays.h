// The conventions of the vectors and std::arrays that are an array item (of unsigned char,
// unsigned long, double or std::string elements): up to 255 bytes or elements the item itself,
// past that its long form (long_form.h). Needs C++20.
#ifndef MORSEL_DETAIL_CONVENTIONS_ARRAYS_H
#define MORSEL_DETAIL_CONVENTIONS_ARRAYS_H

#include <algorithm>
#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include <morsel/detail/convention.h>
#include <morsel/detail/conventions_items.h>
#include <morsel/detail/layout.h>
#include <morsel/detail/long_form.h>
#include <morsel/detail/measure.h>
#include <morsel/detail/traits.h>
#include <morsel/kind.h>

namespace morsel::detail {

// ---- Vectors and std::arrays of unsigned char, unsigned long, double and std::string: the array
// item, or past 255 bytes or elements its long form. A string array's long form is also taken
// when any element is longer than 255 bytes: the u32 count, then each element as a std::string.

template <typename E>
struct array_of {
  static constexpr kind item_kind = array_kind_of<E>();
  static constexpr std::size_t header_size = info(item_kind).header_size;

  // The long form of `count` elements that might have been an array item: refused as a second
  // encoding when it would have been one. Only a string array needs to look at its elements.
  static bool needed_long(std::size_t count, bool element_long) noexcept {
    return !fits_short(count) || element_long;
  }

  static measured extent(const unsigned char* at, std::size_t left, std::size_t depth) noexcept {
    if (!starts_long(at, left)) {
      return measure<item_kind>(at, left);
    }
    if constexpr (std::is_same_v<E, unsigned char>) {
      return measure_long<parted::bytes>(at, left);
    } else if constexpr (is_text<E>) {
      return measure_long_strings(at, left, depth);
    } else {
      return measure_long_wide<item_kind>(at, left);
    }
  }

  static measured measure_long_strings(const unsigned char* at, std::size_t left,
                                       std::size_t depth) noexcept {
    part_walk walk{at, left, depth};
    if (!walk.add<unsigned int>()) {
      return walk.result();
    }
    const std::size_t count = long_length(at);
    bool element_long = false;
    for (std::size_t i = 0; i < count; ++i) {
      element_long |= starts_long(at + walk.size, left - walk.size);
      if (!walk.add<E>()) {
        measured m = walk.result();
        if (m.what == fault::cut_short) {  // and a header at least for each string after it
          m.size = saturating_add(m.size, saturating_mul(kStringHeaderSize, count - i - 1));
        }
        return m;
      }
    }
    return needed_long(count, element_long) ? walk.result() : wrong(fault::fits_short, 1);
  }

  // Reads the elements of either form into `values` (a vector, or a std::array whose count
  // `expected` is): `resize(n)` makes room for n elements.
  // The count of the array at `at`, of either form, once its bytes are there; and whether it
  // differs from `expected`. A std::array refuses another count at once, before its elements.
  static bool count_differs(const unsigned char* at, std::size_t left, std::size_t expected,
                            std::size_t& count) noexcept {
    if (expected == kUnbounded) {
      return false;
    }
    if (starts_long(at, left)) {
      count = left >= kLengthItemSize ? long_length(at) : expected;
    } else {
      count = left >= kArrayHeaderSize && at[0] == info(item_kind).tag ? at[1] : expected;
    }
    return count != expected;
  }

  template <typename R, typename Values, typename Resize>
  static void read(R& in, Values& values, Resize resize, std::size_t expected) {
    std::size_t count = 0;
    if (count_differs(in.here(), in.left(), expected, count)) {
      in.refuse_count(count, expected);
    }
    if (const std::size_t size = in.template whole_size<item_kind>()) [[likely]] {
      const auto view = value_at<item_kind>(in.here(), size);
      resize(view.size());
      if constexpr (std::is_same_v<E, unsigned char>) {
        std::copy(view.begin(), view.end(), values.begin());
      } else {
        std::size_t i = 0;
        for (const auto element : view) {
          if constexpr (std::is_same_v<E, std::string>) {
            values[i++].assign(element);  // into the storage the string has
          } else {                        // a number, or a string_view of the bytes
            values[i++] = element;
          }
        }
      }
      in.advance(size);
    } else if (!starts_long(in.here(), in.left())) {
      in.template reject_item<item_kind>();
    } else {
      read_long(in, values, resize);
    }
  }

  template <typename R, typename Values, typename Resize>
  static void read_long(R& in, Values& values, Resize resize) {
    if constexpr (is_text<E>) {
      read_long_strings(in, values, resize);
    } else if constexpr (std::is_same_v<E, unsigned char>) {
      read_long_bytes(in, values);
    } else {
      const measured m = measure_long_wide<item_kind>(in.here(), in.left());
      if (!m.whole()) {
        in.reject_long(m, kind_name(item_kind));
      }
      const std::size_t n = long_length(in.here());
      resize(n);
      const unsigned char* element = in.here() + kLengthItemSize;
      for (std::size_t i = 0; i < n; ++i, element += kWideItemSize) {
        values[i] = scalar_payload<E>(element);
      }
      in.advance(m.size);
    }
  }

  // Checked and copied in one pass, appended to a vector (not first zeroed); a length the bytes
  // left cannot hold takes no memory, and the measure says what is wrong only once something is.
  template <typename R, typename Values>
  static void read_long_bytes(R& in, Values& values) {
    const std::size_t n = in.left() >= kLengthItemSize ? long_length(in.here()) : 0;
    const std::size_t size = long_size<parted::bytes>(n);
    const auto report_fault = [&in] {
      in.reject_long(measure_long<parted::bytes>(in.here(), in.left()), "byte vector");
    };
    if (fits_short(n) || size > in.left()) [[unlikely]] {
      report_fault();
    }
    bool joined = false;
    if constexpr (is_vector<Values>) {
      values.clear();
      values.reserve(n);
      joined = join_parts<parted::bytes>(in.here(), n,
                                         [&values](const unsigned char* part, std::size_t bytes) {
                                           values.insert(values.end(), part, part + bytes);
                                         });
    } else {  // a std::array, its count already found equal to n
      unsigned char* out = values.data();
      joined = join_parts<parted::bytes>(in.here(), n,
                                         [&out](const unsigned char* part, std::size_t bytes) {
                                           out = std::copy(part, part + bytes, out);
                                         });
    }
    if (!joined) [[unlikely]] {
      report_fault();
    }
    in.advance(size);
  }

  template <typename R, typename Values, typename Resize>
  static void read_long_strings(R& in, Values& values, Resize resize) {
    const std::size_t count_offset = in.position();
    const std::size_t count = in.read_count();
    bool element_long = false;
    in.counted(count, count_offset, kStringHeaderSize, [&] {
      resize(std::min(count, in.left() / kStringHeaderSize));  // no more than the bytes justify
      std::size_t i = 0;
      try {
        for (; i < count; ++i) {
          if (i == values.size()) {
            resize(i + 1);
          }
          element_long |= starts_long(in.here(), in.left());
          convention<E>::read(in, values[i]);
        }
      } catch (...) {
        in.fail_at({step_kind::element, i, {}, {}});
      }
    });
    if (!needed_long(count, element_long)) {
      in.refuse_fits_short(count_offset, count);
    }
  }
};

template <typename V>
struct convention<V, shape::item_vector> {
  using E = typename V::value_type;
  static constexpr std::size_t min_size() { return array_of<E>::header_size; }
  static constexpr std::size_t max_size() { return kUnbounded; }
  static constexpr std::size_t fixed_size() { return 0; }
  static constexpr std::size_t nesting() { return 0; }

  template <typename B>
  static void describe(B& builder, std::string& out) {
    describe_generic<E>(builder, out, "vector");
  }
  template <typename W>
  static void write(W& out, const V& values) {
    if constexpr (std::is_same_v<E, std::string_view>) {
      out.put_strings(std::span<const E>(values));
    } else {
      out.write(std::span<const E>(values));
    }
  }
  template <typename R>
  static void read(R& in, V& values) {
    array_of<E>::read(
        in, values, [&values](std::size_t n) { values.resize(n); }, kUnbounded);
  }
  static measured extent(const unsigned char* at, std::size_t left, std::size_t depth) noexcept {
    return array_of<E>::extent(at, left, depth);
  }
};

// Exactly N elements, in the bytes of the vector of the same elements.
template <typename A>
struct convention<A, shape::item_array> {
  using E = typename A::value_type;
  static constexpr std::size_t N = std::tuple_size_v<A>;
  static constexpr bool wide = std::is_same_v<E, unsigned long> || std::is_same_v<E, double>;

  static constexpr std::size_t min_size() {
    if constexpr (std::is_same_v<E, unsigned char>) {
      return fits_short(N) ? byte_array_size(N) : long_size<parted::bytes>(N);
    } else if constexpr (wide) {
      return fits_short(N) ? wide_array_size(N) : long_wide_size(N);
    } else {
      return kArrayHeaderSize + kStringHeaderSize * N;
    }
  }
  static constexpr std::size_t max_size() {
    if constexpr (is_text<E>) {
      return kUnbounded;
    } else {
      return min_size();
    }
  }
  // The wide arrays that are an array item are written and read in one piece.
  static constexpr std::size_t fixed_size() { return wide && fits_short(N) ? min_size() : 0; }
  static constexpr std::size_t nesting() { return 0; }

  template <typename B>
  static void describe(B& builder, std::string& out) {
    out += "array<";
    builder.template spell<E>(out);
    out += ", " + std::to_string(N) + '>';
  }
  template <typename W>
  static void write(W& out, const A& values) {
    if constexpr (std::is_same_v<E, std::string_view>) {
      out.put_strings(std::span<const E>(values));
    } else {
      out.write(std::span<const E>(values));
    }
  }
  template <typename R>
  static void read(R& in, A& values) {
    array_of<E>::read(
        in, values, [](std::size_t /*n*/) {}, N);
  }
  static measured extent(const unsigned char* at, std::size_t left, std::size_t depth) noexcept {
    std::size_t count = 0;
    if (array_of<E>::count_differs(at, left, N, count)) {
      return wrong(fault::count_mismatch, 1);
    }
    return array_of<E>::extent(at, left, depth);
  }
  static unsigned char* put(unsigned char* out, const A& values) noexcept
      requires(fixed_size() != 0) {
    return put_wide_array(out, std::span<const E>(values));
  }
  static bool tags_fit(const unsigned char* at) noexcept requires(fixed_size() != 0) {
    return at[1] == N && measure_wide_array<array_of<E>::item_kind>(at, fixed_size()).whole();
  }
  static bool get(const unsigned char*& in, A& values) noexcept requires(fixed_size() != 0) {
    for (std::size_t i = 0; i < N; ++i) {
      values[i] = scalar_payload<E>(in + kArrayHeaderSize + i * kWideItemSize);
    }
    in += fixed_size();
    return true;
  }
};

}  // namespace morsel::detail

#endif  // MORSEL_DETAIL_CONVENTIONS_ARRAYS_H
