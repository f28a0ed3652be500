// The least number of bytes a value of a schema's type takes, from its form and parts.
#include <algorithm>
#include <cstddef>

#include <morsel/detail/convention.h>
#include <morsel/detail/layout.h>
#include <morsel/detail/long_form.h>
#include <morsel/kind.h>
#include <morsel/types.h>

namespace morsel {

using form = type::form;

bool type::is_array_item() const noexcept {
  if (what != form::vector && what != form::array) {
    return false;
  }
  const form element = parts.front()->what;
  return element == form::u8 || element == form::u64 || element == form::f64 ||
         element == form::string;
}

std::size_t type::min_size() const noexcept {
  using detail::info;
  switch (what) {
    case form::boolean:
      return info(kind::boolean).fixed_size;
    case form::u8:
    case form::i8:
      return info(kind::u8).fixed_size;
    case form::u32:
    case form::i32:
    case form::f32:
      return info(kind::u32).fixed_size;
    case form::u64:
    case form::i64:
    case form::f64:
      return info(kind::u64).fixed_size;
    case form::string:
      return detail::kStringHeaderSize;
    case form::person:
      return detail::kPersonSize;
    case form::any_item:
      return 1;
    case form::vector:
      if (is_array_item()) {
        return parts.front()->what == form::u8 ? detail::kByteArrayHeaderSize
                                               : detail::kArrayHeaderSize;
      }
      return detail::kLengthItemSize;
    case form::array:
      if (is_array_item()) {
        const form element = parts.front()->what;
        if (element == form::u8) {
          return detail::fits_short(count) ? detail::byte_array_size(count)
                                           : detail::long_size<detail::parted::bytes>(count);
        }
        if (element == form::string) {
          return detail::kArrayHeaderSize + detail::kStringHeaderSize * count;
        }
        return detail::fits_short(count) ? detail::wide_array_size(count)
                                         : detail::long_wide_size(count);
      }
      return detail::saturating_mul(parts.front()->min_size(), count);
    case form::optional:
      return info(kind::boolean).fixed_size;
    case form::map:
    case form::set:
      return detail::kLengthItemSize;
    case form::tuple:
    case form::record: {
      std::size_t sum = 0;
      for (const type* part : parts) {
        sum = detail::saturating_add(sum, part->min_size());
      }
      return sum;
    }
    case form::variant: {
      std::size_t least = detail::kUnbounded;
      for (const type* part : parts) {
        least = std::min(least, part->min_size());
      }
      return detail::saturating_add(info(kind::u8).fixed_size, least);
    }
    case form::enumeration:
    case form::alias:
      return parts.front()->min_size();
  }
  return 1;  // not reached: every form is listed
}

}  // namespace morsel
